# The browser program, built with Debian's emscripten (see emscripten.cmake).
# The show reports display failures by exception, so catching is turned on
# everywhere; the C libraries throw nothing.
if(EMSCRIPTEN)
  add_compile_options(-fexceptions)
  add_link_options(-fexceptions)
endif()

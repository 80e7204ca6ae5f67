# The browser program, built with Debian's emscripten (see emscripten.cmake).
# The show reports display failures by exception, so catching is turned on
# everywhere; the C libraries throw nothing. WebAssembly's 128-bit vectors
# let the compiler widen the effect's portable kernel.
if(EMSCRIPTEN)
  add_compile_options(-fexceptions -msimd128)
  add_link_options(-fexceptions)
  # Our libraries before emscripten's own: its SDL2 package is the port
  # that would download SDL's sources.
  list(PREPEND CMAKE_FIND_ROOT_PATH ${VSF_WEB_PREFIX})
endif()

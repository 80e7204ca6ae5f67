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

# Links `target` as a program the page runs: the page's scripts around it,
# Asyncify so that its one frame loop can wait for the browser's frames, and
# a worker build, since the page's audio worker loads the same program to
# decode the music. The show and the contract suites run on the page alike.
function(vsf_link_as_page target)
  set(web ${PROJECT_SOURCE_DIR}/resources/web)
  target_link_options(${target} PRIVATE
    -sENVIRONMENT=web,worker -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
    -sINITIAL_MEMORY=67108864 -sALLOW_MEMORY_GROWTH=1
    -sEXPORTED_RUNTIME_METHODS=FS,addRunDependency,removeRunDependency,cwrap,HEAPF32
    # SDL's page code calls emscripten helpers that nothing else pulls in;
    # named in a file, since their names start with a dollar sign.
    -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${web}/library_functions.json
    "SHELL:--pre-js ${web}/page.js" "SHELL:--pre-js ${web}/audio.js")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
    ${web}/page.js ${web}/audio.js ${web}/library_functions.json)
endfunction()

# Warnings on for everything we compile ourselves. They are fatal in the
# Makefile's builds and CI (VSF_WERROR=ON), but a plain CMake build with
# another compiler's new warnings still builds.
option(VSF_WERROR "Treat compiler warnings as errors" OFF)
add_compile_options(
  -Wall -Wextra -Wpedantic
  -Wshadow -Wconversion -Wsign-conversion -Wold-style-cast
  -Wnon-virtual-dtor -Woverloaded-virtual -Wnull-dereference)
if(VSF_WERROR)
  add_compile_options(-Werror)
endif()

# Building the browser program with Debian's emscripten: its own platform
# file, with the libraries cross-built by scripts/cross-libs found first.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

# VSF_WEB_PREFIX: the cross-built libraries (scripts/cross-libs web prints it).
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VSF_WEB_PREFIX)
list(APPEND CMAKE_FIND_ROOT_PATH ${VSF_WEB_PREFIX})
if(VSF_WEB_PREFIX)
  # Only the cross-built libraries' .pc files, never the build machine's.
  set(ENV{PKG_CONFIG_LIBDIR} ${VSF_WEB_PREFIX}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
endif()

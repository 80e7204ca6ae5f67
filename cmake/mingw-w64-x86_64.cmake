# Cross-building the 64-bit Windows program on Debian with mingw-w64.
# The posix thread model: the win32 one has no std::thread or std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(vsf_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${vsf_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${vsf_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${vsf_mingw}-windres)

# VSF_WIN64_PREFIX: the cross-built libraries (scripts/cross-libs windows prints it).
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VSF_WIN64_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${vsf_mingw} ${VSF_WIN64_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(VSF_WIN64_PREFIX)
  # Only the cross-built libraries' .pc files, never the build machine's.
  set(ENV{PKG_CONFIG_LIBDIR} ${VSF_WIN64_PREFIX}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
endif()

# Tests and build-time runs of cross-built programs go through Wine.
find_program(VSF_WINE NAMES wine)
if(VSF_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
endif()

# The 64-bit Windows program, cross-built with mingw-w64 (see
# mingw-w64-x86_64.cmake): everything linked statically, the C and C++
# runtimes and winpthread included, so the .exe runs alone.
if(WIN32)
  add_link_options(-static)
  # GCC keeps 32-byte vectors spilled to a Win64 stack only 16-byte aligned;
  # unaligned moves make the AVX kernels safe there.
  add_compile_options(-Wa,-muse-unaligned-vector-move)
  # Test programs are listed when ctest runs, under the Wine it sets up,
  # not while building.
  set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
endif()

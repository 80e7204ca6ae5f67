# The same sources give the same programs wherever they are built: the
# folders' paths are left out of debug information, __FILE__ and so the build
# IDs. The build folder is named after the source folder it may sit in, so
# that its own, longer prefix is the one replaced.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
                      -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
endif()

# AddressSanitizer + UndefinedBehaviorSanitizer, failing on the first report.
# float-cast-overflow and the integer checks guard the show's wrap-around
# arithmetic; unsigned wrap is intended and stays unchecked.
if(VSF_SANITIZE)
  set(vsf_sanitize_flags
    -fsanitize=address,undefined,float-cast-overflow,float-divide-by-zero
    -fno-sanitize-recover=all -fno-omit-frame-pointer)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    list(APPEND vsf_sanitize_flags
      -fsanitize=signed-integer-overflow,shift,integer-divide-by-zero,implicit-integer-truncation)
  endif()
  add_compile_options(${vsf_sanitize_flags})
  add_link_options(${vsf_sanitize_flags})
  add_compile_definitions(VSF_SANITIZE=1)
endif()

# ThreadSanitizer: data races between the program thread, the audio callback
# and the layers' own threads. Apart from the build above: the two runtimes
# cannot share a process.
if(VSF_TSAN)
  if(VSF_SANITIZE)
    message(FATAL_ERROR "VSF_TSAN and VSF_SANITIZE exclude each other")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
  add_compile_definitions(VSF_TSAN=1)
endif()

# The cross-built libraries' prefix changes with their cache key (see
# scripts/cross-libs). A build folder configured before keeps the packages
# it found in the old prefix, which may still exist: when the prefix
# changes, whatever was found there is forgotten and found again.
foreach(vsf_prefix_variable IN ITEMS VSF_WIN64_PREFIX VSF_WEB_PREFIX)
  set(vsf_new "${${vsf_prefix_variable}}")
  set(vsf_old "${VSF_FOUND_IN_${vsf_prefix_variable}}")
  # A folder configured before this record was kept: SDL2 tells where it was.
  if(vsf_new AND NOT vsf_old AND SDL2_DIR MATCHES "^(.*)/lib/cmake/SDL2$")
    set(vsf_old "${CMAKE_MATCH_1}")
  endif()
  if(vsf_old AND NOT vsf_old STREQUAL vsf_new)
    message(STATUS "Libraries moved from ${vsf_old}: finding them again")
    get_cmake_property(vsf_entries CACHE_VARIABLES)
    foreach(vsf_entry IN LISTS vsf_entries)
      get_property(vsf_value CACHE ${vsf_entry} PROPERTY VALUE)
      string(FIND "${vsf_value}" "${vsf_old}" vsf_at)
      if(NOT vsf_entry STREQUAL vsf_prefix_variable
         AND (vsf_at GREATER -1 OR vsf_entry MATCHES "^__pkg_config_checked_"))
        unset(${vsf_entry} CACHE)
      endif()
    endforeach()
  endif()
  set(VSF_FOUND_IN_${vsf_prefix_variable} "${vsf_new}" CACHE INTERNAL "")
endforeach()

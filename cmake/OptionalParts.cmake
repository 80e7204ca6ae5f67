# Tests, benchmarks and the picture generator need libraries the program does
# not. Each has a switch: AUTO builds it where its libraries are found, ON
# requires them, OFF leaves it out.
#
# vsf_optional_part(<switch> <what> <package> TARGETS <imported targets...>)
# defines the switch, finds <package> and sets <switch>_BUILD in the caller
# when every one of the targets exists.
function(vsf_optional_part switch what package)
  cmake_parse_arguments(PARSE_ARGV 3 arg "" "" TARGETS)
  set(${switch} AUTO CACHE STRING "Build ${what}: AUTO (where ${package} is found), ON or OFF")
  set_property(CACHE ${switch} PROPERTY STRINGS AUTO ON OFF)
  set(${switch}_BUILD FALSE PARENT_SCOPE)
  if(${switch} STREQUAL "AUTO")
    find_package(${package} QUIET)
  elseif(${switch})
    find_package(${package} REQUIRED)
  else()
    return()
  endif()
  if(NOT ${package}_FOUND)
    message(STATUS "Not building ${what}: ${package} not found")
    return()
  endif()
  foreach(target IN LISTS arg_TARGETS)
    if(NOT TARGET ${target})
      if(${switch} STREQUAL "AUTO")
        message(STATUS "Not building ${what}: ${target} not found")
        return()
      endif()
      message(FATAL_ERROR "${switch}=${${switch}} but ${target} is not found")
    endif()
  endforeach()
  set(${switch}_BUILD TRUE PARENT_SCOPE)
endfunction()

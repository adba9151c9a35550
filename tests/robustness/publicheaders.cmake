# Fails when a public include folder of the libraries offers a header that
# is not part of their interface: the helpers private to the libraries, the
# platform backends and the internal diagnostics must stay out of reach.
#   -DDIRS=<dir;dir;...>  the INTERFACE_INCLUDE_DIRECTORIES of the targets

cmake_minimum_required(VERSION 3.25)

set(sibling_headers vornfile/vornfile.h vornfile/export.h vornplatform/vornplatform.h
    vornplatform/export.h)
set(checked 0)
foreach(dir IN LISTS DIRS)
  if(NOT IS_DIRECTORY "${dir}")
    message(FATAL_ERROR "no include folder ${dir}")
  endif()
  file(GLOB_RECURSE headers RELATIVE "${dir}" "${dir}/*.h")
  foreach(header IN LISTS headers)
    if(header MATCHES "^vornenv/[^/]+\\.h$")
      math(EXPR checked "${checked} + 1")
    elseif(header IN_LIST sibling_headers)
      math(EXPR checked "${checked} + 1")
    else()
      message(FATAL_ERROR "${dir} offers ${header}, which is no public header")
    endif()
  endforeach()
endforeach()
if(checked EQUAL 0)
  message(FATAL_ERROR "no public header found in ${DIRS}")
endif()
message(STATUS "${checked} public headers, nothing private")

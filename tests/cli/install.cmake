# Installs the build into an empty prefix and runs the installed vornenv
# from there, with no library path set: the install RPATH must find the
# libraries.  The manual page must be installed beside it.

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed (${rc})")
endif()

unset(ENV{LD_LIBRARY_PATH})
execute_process(COMMAND ${PREFIX}/bin/vornenv --version
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "vornenv ${VERSION}\n")
  message(FATAL_ERROR "installed vornenv --version gave (${rc}): ${out}${err}")
endif()

if(NOT EXISTS ${PREFIX}/${MANDIR}/man1/vornenv.1)
  message(FATAL_ERROR "no ${MANDIR}/man1/vornenv.1 under ${PREFIX}")
endif()
message(STATUS "installed vornenv runs from ${PREFIX}")

# Installs the build into an empty prefix and runs the installed vornenv
# from there, with no library path set: the install RPATH must find the
# libraries.  The manual page and the completion scripts must be installed
# beside it.

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
# Each shell's completion script in the folder where it looks, as the
# installed tool writes it.
foreach(shell_file bash:bash-completion/completions/vornenv zsh:zsh/vendor-completions/_vornenv
    fish:fish/vendor_completions.d/vornenv.fish powershell:vornenv/vornenv.ps1)
  string(REPLACE ":" ";" shell_file ${shell_file})
  list(GET shell_file 0 shell)
  list(GET shell_file 1 file)
  execute_process(COMMAND ${PREFIX}/bin/vornenv completion ${shell} OUTPUT_VARIABLE script)
  if(NOT EXISTS ${PREFIX}/${DATADIR}/${file})
    message(FATAL_ERROR "no ${DATADIR}/${file} under ${PREFIX}")
  endif()
  file(READ ${PREFIX}/${DATADIR}/${file} installed)
  if(NOT installed STREQUAL script)
    message(FATAL_ERROR "${DATADIR}/${file} is not what 'vornenv completion ${shell}' writes")
  endif()
endforeach()
message(STATUS "installed vornenv runs from ${PREFIX}")

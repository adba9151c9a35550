# Installs the build into an empty prefix, then configures, builds and runs
# the consumer project against it, and checks vornenv.pc with pkg-config.

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run(${WORK_DIR}/build/consumer ${WORK_DIR}/consumer.ini)

find_program(PKG_CONFIG pkg-config)
if(PKG_CONFIG)
  file(GLOB_RECURSE pcfile ${prefix}/*/vornenv.pc)
  get_filename_component(pcdir "${pcfile}" DIRECTORY)
  set(ENV{PKG_CONFIG_PATH} ${pcdir})
  execute_process(COMMAND ${PKG_CONFIG} --cflags --libs vornenv
    OUTPUT_VARIABLE flags RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT flags MATCHES "-lvornenv")
    message(FATAL_ERROR "pkg-config vornenv gave (${rc}): ${flags}")
  endif()
endif()
message(STATUS "package consumed from ${prefix}")

# Installs the build into an empty prefix, then configures, builds and runs
# the consumer project against it, and builds and runs the consumer again
# with the flags of vornenv.pc.  With STATIC=ON it first builds the libraries
# static from SOURCE_DIR, unoptimised (only linking them is in question).

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}")
  endif()
endfunction()

set(launcher)
if(LAUNCHER)
  set(launcher -DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER})
endif()
if(STATIC)
  set(BUILD_DIR ${WORK_DIR}/static)
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BUILD_DIR} -G ${GENERATOR}
      -DCMAKE_CXX_COMPILER=${CXX} ${launcher} -DCMAKE_BUILD_TYPE=None
      -DBUILD_SHARED_LIBS=OFF -DVORNENV_BUILD_TESTS=OFF -DVORNENV_BUILD_CLI=OFF
      -DVORNENV_BUILD_EXAMPLES=OFF -DVORNENV_BUILD_BENCH=OFF)
  run(${CMAKE_COMMAND} --build ${BUILD_DIR})
endif()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run(${WORK_DIR}/build/consumer ${WORK_DIR}/consumer.ini)

find_program(PKG_CONFIG pkg-config)
if(PKG_CONFIG)
  file(GLOB_RECURSE pcfile ${prefix}/*/vornenv.pc)
  get_filename_component(pcdir "${pcfile}" DIRECTORY)
  set(ENV{PKG_CONFIG_PATH} ${pcdir})
  execute_process(COMMAND ${PKG_CONFIG} --cflags --libs vornenv
    OUTPUT_VARIABLE flags RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${PKG_CONFIG} --variable=libdir vornenv
    OUTPUT_VARIABLE libdir OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0 OR NOT flags MATCHES "-lvornenv")
    message(FATAL_ERROR "pkg-config vornenv gave (${rc}): ${flags}")
  endif()
  # A shared build's user finds the libraries at run time through an rpath
  # (or the loader's path); a static build's needs nothing.
  separate_arguments(flags UNIX_COMMAND "${flags}")
  set(rpath)
  if(NOT STATIC)
    set(rpath -Wl,-rpath,${libdir})
  endif()
  run(${CXX} -std=c++17 ${CONSUMER_DIR}/consumer.cc -o ${WORK_DIR}/consumer-pc ${flags} ${rpath})
  run(${WORK_DIR}/consumer-pc ${WORK_DIR}/consumer-pc.ini)
endif()
message(STATUS "package consumed from ${prefix}")

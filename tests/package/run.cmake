# Installs the build into an empty prefix, then configures, builds and runs
# the consumer project (a C++ and a C11 consumer) against it, and builds and
# runs them again with the flags of vornenv.pc, the Python one through
# ctypes, and the README's C example.  With STATIC=ON it first builds the
# libraries static from SOURCE_DIR, unoptimised (only linking them is in
# question).  With TOOLCHAIN (a cross build) the consumers are built with
# that toolchain file and run by EMULATOR, finding the DLLs in the prefix.

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}")
  endif()
endfunction()

# Runs a consumer built here, by the emulator for a cross build.
function(run_built)
  if(EMULATOR)
    run(${CMAKE_COMMAND} -E env "WINEPATH=Z:${prefix}/bin" ${EMULATOR} ${ARGN})
  else()
    run(${ARGN})
  endif()
endfunction()

set(launcher)
if(LAUNCHER)
  set(launcher -DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER} -DCMAKE_C_COMPILER_LAUNCHER=${LAUNCHER})
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
if(TOOLCHAIN)
  set(CMAKE_EXECUTABLE_SUFFIX .exe)
  # The toolchain confines package searches to the cross root: name ours.
  set(compilers -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}
      -Dvornenv_DIR=${prefix}/lib/cmake/vornenv)
else()
  set(compilers -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_C_COMPILER=${CC})
endif()
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build -G ${GENERATOR} ${compilers}
    ${launcher} -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run_built(${WORK_DIR}/build/consumer${CMAKE_EXECUTABLE_SUFFIX} ${WORK_DIR}/consumer.ini)
run_built(${WORK_DIR}/build/c_consumer${CMAKE_EXECUTABLE_SUFFIX} "${WORK_DIR}/c consumer ü.ini")
if(TOOLCHAIN)
  message(STATUS "package consumed from ${prefix}")
  return()
endif()

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
  if(NOT STATIC)
    # C programs link the shared library alone; a static one would need the
    # C++ runtime named too.
    run(${CC} -std=c11 ${CONSUMER_DIR}/consumer.c -o ${WORK_DIR}/c-consumer-pc ${flags} ${rpath})
    run(${WORK_DIR}/c-consumer-pc ${WORK_DIR}/c-consumer-pc.ini)

    # The README's example of the C interface, as it stands there, applied
    # to the bundled example (VORNENV_DIR is the host's to set).
    file(READ ${SOURCE_DIR}/README.md readme)
    foreach(mark "\n## C interface" "\n```c\n")
      string(FIND "${readme}" "${mark}" at)
      if(at EQUAL -1)
        message(FATAL_ERROR "README.md: no ```c block under \"## C interface\"")
      endif()
      string(SUBSTRING "${readme}" ${at} -1 readme)
    endforeach()
    string(FIND "${readme}" "\n```\n" end)
    math(EXPR size "${end} - 5")
    string(SUBSTRING "${readme}" 6 ${size} example)
    file(WRITE ${WORK_DIR}/example.c "${example}\n")
    run(${CC} -std=c11 -Wall -Wextra -Werror ${WORK_DIR}/example.c -o ${WORK_DIR}/example
        ${flags} ${rpath})
    execute_process(COMMAND ${CMAKE_COMMAND} -E env VORNENV_DIR=${SOURCE_DIR}/examples
      ${WORK_DIR}/example ${SOURCE_DIR}/examples/toolchain.ini
      OUTPUT_VARIABLE out RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0 OR NOT out STREQUAL "board lumen-m4\n")
      message(FATAL_ERROR "the README's C example gave (${rc}): ${out}")
    endif()
  endif()
endif()

# Python from the distribution, nothing installed: ctypes loads the library.
if(PYTHON AND NOT STATIC)
  file(GLOB_RECURSE library ${prefix}/*/libvornenv.so)
  run(${PYTHON} ${CONSUMER_DIR}/consumer.py ${library})
endif()
message(STATUS "package consumed from ${prefix}")

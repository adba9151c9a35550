# Fails when a library would run code of its own when it is loaded or
# unloaded: a namespace-scope object with a dynamic initialiser or a
# destructor shows up as a _GLOBAL__sub_I_/_GLOBAL__sub_D_ function, which
# the compiler registers in .init_array (ELF) or .ctors (PE).
#   -DLIBS=<file;file;...> -DNM=<nm> [-DREADELF=<readelf>]

foreach(lib IN LISTS LIBS)
  execute_process(COMMAND ${NM} ${lib} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${NM} ${lib} failed (${rc})")
  endif()
  string(REGEX MATCHALL "_GLOBAL__sub_[ID]_[^\n]*" found "${symbols}")
  if(found)
    message(FATAL_ERROR "${lib} runs code at load or unload: ${found}")
  endif()
  if(READELF)
    # Only the compiler runtime's frame_dummy may stand in .init_array.
    execute_process(COMMAND ${READELF} -W -S ${lib} OUTPUT_VARIABLE sections)
    string(REGEX MATCH "\\.init_array +INIT_ARRAY +[0-9a-f]+ +[0-9a-f]+ +([0-9a-f]+)" m "${sections}")
    set(size "${CMAKE_MATCH_1}")
    if(m AND NOT size MATCHES "^0*8$")
      message(FATAL_ERROR "${lib}: .init_array holds 0x${size} bytes, expected one entry")
    endif()
  endif()
  message(STATUS "${lib}: no load-time code")
endforeach()

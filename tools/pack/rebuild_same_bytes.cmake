# Builds the pack again into a scratch folder and compares it byte for byte with the one
# the build made: the pack tool must write deterministically.
file(MAKE_DIRECTORY "${WORK}")
execute_process(
  COMMAND "${TOOL}" build "${MANIFEST}" "${WORK}/again.pack" --node-modules "${NODE_MODULES}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "vesko-pack build failed: ${result}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${EXPECTED}" "${WORK}/again.pack"
  RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "a second build gave different bytes")
endif()

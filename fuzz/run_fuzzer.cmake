# Runs one fuzz target for SECONDS on a fresh copy of the seed corpus SEEDS, in the folder WORK (corpus/ and
# artifacts/), with the libFuzzer flags of FLAGS_FILE. Fails when the fuzzer finds anything.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/corpus" "${WORK}/artifacts")
file(COPY "${SEEDS}/" DESTINATION "${WORK}/corpus")
file(STRINGS "${FLAGS_FILE}" flags)

execute_process(COMMAND "${FUZZER}" ${flags} -max_total_time=${SECONDS} -print_final_stats=1
                        "-artifact_prefix=${WORK}/artifacts/" "${WORK}/corpus"
                RESULT_VARIABLE result)
file(GLOB findings "${WORK}/artifacts/*")
if(NOT result EQUAL 0 OR findings)
    message(FATAL_ERROR "The fuzzer found a fault (exit status ${result}): ${findings}")
endif()

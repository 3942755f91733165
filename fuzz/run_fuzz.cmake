# Runs the fuzzer for a bounded time on a copy of the seed corpus (the committed corpus never
# grows). Any crash, leak or sanitizer report ends the run with a failure and an artifact.
#   cmake -DFUZZER=... -DCORPUS=... -DWORK=... -DSECONDS=... -P run_fuzz.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/artifacts)
file(GLOB seeds ${CORPUS}/*.mb)
file(COPY ${seeds} DESTINATION ${WORK}/corpus)
execute_process(
  COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=30 -rss_limit_mb=2048
          -malloc_limit_mb=1024 -print_final_stats=1 -artifact_prefix=${WORK}/artifacts/
          ${WORK}/corpus
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "fuzz_mb failed (${status}); the input is in ${WORK}/artifacts")
endif()

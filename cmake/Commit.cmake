# Writes the checkout's commit as VORLAND_COMMIT into OUTPUT ("" when unknown);
# the file changes only when the commit does, so nothing rebuilds otherwise.
execute_process(COMMAND git -C ${SOURCE_DIR} rev-parse --short=12 HEAD
                OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
if(failed)
  set(commit "")
endif()
file(CONFIGURE OUTPUT ${OUTPUT} CONTENT "#define VORLAND_COMMIT \"${commit}\"\n")

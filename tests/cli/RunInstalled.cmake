# Runs the installed zolsax2 with ARGS in WORKDIR (standard input from INPUT when given),
# checks its exit status against STATUS and, when GOLDEN is given, its masked standard
# output against that file.
set(input_option)
if(INPUT)
    set(input_option INPUT_FILE ${WORKDIR}/${INPUT})
endif()
execute_process(COMMAND ${BINARY} ${ARGS}
    WORKING_DIRECTORY ${WORKDIR}
    ${input_option}
    RESULT_VARIABLE status
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err)
if(NOT status STREQUAL STATUS)
    message(FATAL_ERROR "zolsax2 ${ARGS}: exit status ${status}, expected ${STATUS}\n${out}${err}")
endif()
if(GOLDEN)
    # The same masks as the in-process tests: the checkout's path and the timings.
    string(REPLACE "${WORKDIR}/" "" out "${out}")
    string(REGEX REPLACE " +[0-9]+\\.[0-9][0-9][0-9] +[0-9]+\\.[0-9][0-9]  " "  TIME  RATE  " out "${out}")
    file(READ ${GOLDEN} expected)
    if(NOT out STREQUAL expected)
        message(FATAL_ERROR "zolsax2 ${ARGS}: output differs from ${GOLDEN}:\n${out}")
    endif()
endif()

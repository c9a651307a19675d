# Fails when a C++ source of the project differs from what .clang-format asks for.
# Usage: cmake -DCLANG_FORMAT=clang-format -DSOURCE_DIR=... -P CheckFormat.cmake
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
    ${SOURCE_DIR}/foundation/*.[ch]* ${SOURCE_DIR}/messages/*.[ch]* ${SOURCE_DIR}/parser/*.[ch]*
    ${SOURCE_DIR}/include/*.[ch]* ${SOURCE_DIR}/reader/*.[ch]* ${SOURCE_DIR}/validator/*.[ch]* ${SOURCE_DIR}/tools/*.[ch]* ${SOURCE_DIR}/tests/*.[ch]*
    ${SOURCE_DIR}/bench/*.[ch]* ${SOURCE_DIR}/fuzz/*.[ch]* ${SOURCE_DIR}/examples/*.[ch]*)
list(FILTER sources INCLUDE REGEX "\\.(h|cpp)$")
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources}
    WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Some sources are not formatted; run clang-format -i on the files named above")
endif()

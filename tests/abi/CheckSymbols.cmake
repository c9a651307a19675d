# Compares the dynamic symbols a library defines with a committed list.
# Usage: cmake -DLIBRARY=lib.so -DEXPECTED=list.symbols [-DUPDATE=ON] -P CheckSymbols.cmake
execute_process(COMMAND nm -D --defined-only --format=just-symbols ${LIBRARY}
    OUTPUT_VARIABLE mangled RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" names "${mangled}")
set(demangled "")
foreach(name ${names})
    # Standard-library template instances (std::map nodes, std::vector growth) are weak
    # copies every user of the template carries; they are not part of our interface.
    # Sanitizer builds add their own bookkeeping symbols; those are not ours either.
    if(name STREQUAL "" OR name MATCHES "^_ZN?K?St" OR name MATCHES "^__(odr_asan|asan|ubsan|sancov)")
        continue()
    endif()
    execute_process(COMMAND c++filt ${name} OUTPUT_VARIABLE plain OUTPUT_STRIP_TRAILING_WHITESPACE)
    list(APPEND demangled "${plain}")
endforeach()
list(REMOVE_DUPLICATES demangled)
list(SORT demangled)
list(JOIN demangled "\n" actual)
set(actual "${actual}\n")
if(UPDATE)
    file(WRITE ${EXPECTED} "${actual}")
    return()
endif()
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
    file(WRITE ${EXPECTED}.actual "${actual}")
    execute_process(COMMAND diff -u ${EXPECTED} ${EXPECTED}.actual)
    message(FATAL_ERROR "Exported symbols of ${LIBRARY} differ from ${EXPECTED} (see diff above; "
                        "rerun with -DUPDATE=ON after an intended change)")
endif()
message(STATUS "${LIBRARY}: exported symbols match")

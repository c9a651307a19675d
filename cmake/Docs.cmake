# zolsax2's manual page and bash completion, written at build time from the tool's own help
# text so that they cannot drift from it, and the API reference of both libraries (target
# docs) from the public headers.

if(TARGET zolsax2_cli)
    add_library(zolsax2_docgen STATIC
        tools/docgen/BashCompletion.cpp
        tools/docgen/HelpDocument.cpp
        tools/docgen/ManPage.cpp)
    target_include_directories(zolsax2_docgen PUBLIC ${PROJECT_SOURCE_DIR}/tools/docgen)
    target_link_libraries(zolsax2_docgen PUBLIC zolsax2_cli)
    zolsax2_warnings(zolsax2_docgen)
    add_executable(zolsax2-docgen tools/docgen/main.cpp)
    target_link_libraries(zolsax2-docgen PRIVATE zolsax2_docgen)
    zolsax2_warnings(zolsax2-docgen)

    # Debian installs manual pages compressed, without a time stamp in the gzip header.
    set(ZOLSAX2_MAN_PAGE ${PROJECT_BINARY_DIR}/man/zolsax2.1)
    set(ZOLSAX2_BASH_COMPLETION ${PROJECT_BINARY_DIR}/completion/zolsax2)
    add_custom_command(OUTPUT ${ZOLSAX2_MAN_PAGE} ${ZOLSAX2_MAN_PAGE}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND zolsax2-docgen man ${ZOLSAX2_MAN_PAGE} ${PROJECT_VERSION}
        COMMAND sh -c "gzip -9n -c \"$0\" > \"$0.gz\"" ${ZOLSAX2_MAN_PAGE}
        DEPENDS zolsax2-docgen
        COMMENT "Writing the manual page zolsax2(1) from the help text"
        VERBATIM)
    add_custom_command(OUTPUT ${ZOLSAX2_BASH_COMPLETION}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/completion
        COMMAND zolsax2-docgen completion ${ZOLSAX2_BASH_COMPLETION}
        DEPENDS zolsax2-docgen
        COMMENT "Writing zolsax2's bash completion from the help text"
        VERBATIM)
    add_custom_target(zolsax2_manual ALL DEPENDS ${ZOLSAX2_MAN_PAGE}.gz ${ZOLSAX2_BASH_COMPLETION})

    install(FILES ${ZOLSAX2_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
    install(FILES ${ZOLSAX2_BASH_COMPLETION} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        COMPONENT tool)
endif()

# The API reference: every public class and member documented, or the target fails. The
# headers' one-line comments above each declaration are the documentation; the filter
# reads them as Doxygen's own (/// ...) so that the headers keep the house form.
find_package(Doxygen QUIET)
if(DOXYGEN_FOUND)
    set(DOXYGEN_PROJECT_NAME ZOLSAX2Parser)
    set(DOXYGEN_PROJECT_BRIEF "${PROJECT_DESCRIPTION}")
    set(DOXYGEN_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/docs)
    set(DOXYGEN_USE_MDFILE_AS_MAINPAGE README.md)
    set(DOXYGEN_STRIP_FROM_PATH ${PROJECT_SOURCE_DIR})
    set(DOXYGEN_FULL_PATH_NAMES YES)
    set(DOXYGEN_FILTER_PATTERNS "*.h=sed -f ${PROJECT_SOURCE_DIR}/cmake/doxygen-comments.sed"
        "*.md=awk -f ${PROJECT_SOURCE_DIR}/cmake/doxygen-headings.awk")
    set(DOXYGEN_FILE_PATTERNS *.h *.md)
    set(DOXYGEN_EXTRACT_ALL NO)
    set(DOXYGEN_EXTRACT_PRIVATE NO)
    set(DOXYGEN_HIDE_UNDOC_CLASSES NO)
    set(DOXYGEN_WARN_IF_UNDOCUMENTED YES)
    set(DOXYGEN_WARN_NO_PARAMDOC NO)
    set(DOXYGEN_WARN_AS_ERROR FAIL_ON_WARNINGS)
    set(DOXYGEN_QUIET YES)
    set(DOXYGEN_GENERATE_LATEX NO)
    set(DOXYGEN_ENABLE_PREPROCESSING YES)
    set(DOXYGEN_MACRO_EXPANSION YES)
    set(DOXYGEN_EXPAND_ONLY_PREDEF YES)
    set(DOXYGEN_PREDEFINED ZOLSAX2PARSER_API= ZOLSTD_API=)
    file(GLOB ZOLSAX2_DOC_PAGES RELATIVE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/docs/*.md)
    doxygen_add_docs(docs
        ${ZOLSTD_PUBLIC_HEADERS} ${ZOLSAX2PARSER_PUBLIC_HEADERS} README.md ${ZOLSAX2_DOC_PAGES}
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        COMMENT "Writing the API reference into ${PROJECT_BINARY_DIR}/docs/html")
endif()

# Debian packages with CPack ('cpack -G DEB' in the build folder, or the package target):
# libzolsax2parser2 holds both shared libraries, libzolsax2parser-dev what building against
# them needs, zolsax2 the tool with its manual page and completion. Configure with
# -DCMAKE_INSTALL_PREFIX=/usr, so that the libraries go to the multiarch folder;
# scripts/package.sh does, and checks the packages.

# No run path into a folder the dynamic linker searches anyway (Debian forbids it there);
# the build tree, and installs under any other prefix, keep theirs.
set(zolsax2_system_libdirs ${CMAKE_PLATFORM_IMPLICIT_LINK_DIRECTORIES} ${CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES})
if(TARGET zolsax2 AND CMAKE_INSTALL_FULL_LIBDIR IN_LIST zolsax2_system_libdirs)
    set_target_properties(zolsax2 PROPERTIES INSTALL_RPATH "")
endif()

if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    message(STATUS "Debian packages of this build install under ${CMAKE_INSTALL_PREFIX}; "
                   "configure with -DCMAKE_INSTALL_PREFIX=/usr for packages that follow Debian's layout")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zolsax2parser)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Each package's summary is the first line of its own description below.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_PACKAGE_CONTACT "ZOLSAX2Parser developers <zolsax2parser@example.org>")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev tool)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Dependencies from the binaries; our own libraries are found in the build tree and
# depended on by exact version below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

set(zolsax2_runtime_package libzolsax2parser${PROJECT_VERSION_MAJOR})
set(zolsax2_exact_runtime "${zolsax2_runtime_package} (= ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${zolsax2_runtime_package})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "XML parsing into callbacks and XML Schema validation (libraries)
ZOLSAX2Parser reads XML through the SAX2 reader of Xerces-C++ and hands every
start tag, end tag, run of character data and processing instruction to plain
function pointers, as UTF-8. It validates documents against XML Schemas and
reports every problem through a six-message catalogue.
.
This package holds the shared libraries libZOLSAX2Parser and libZOLStd.")
# dpkg's ldconfig trigger updates the linker cache. CPack would add maintainer scripts that
# call ldconfig as well, and a postrm keeps a removed package listed until it is purged;
# naming scripts that do not exist among the control files leaves them out.
file(WRITE ${PROJECT_BINARY_DIR}/debian/runtime/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/debian/runtime/triggers
    ${PROJECT_BINARY_DIR}/debian/runtime/none/postinst
    ${PROJECT_BINARY_DIR}/debian/runtime/none/postrm)

set(CPACK_DEBIAN_DEV_PACKAGE_NAME lib${PROJECT_NAME}-dev)
string(TOLOWER "${CPACK_DEBIAN_DEV_PACKAGE_NAME}" CPACK_DEBIAN_DEV_PACKAGE_NAME)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${zolsax2_exact_runtime}, libxerces-c-dev")
set(CPACK_DEBIAN_DEV_DESCRIPTION "XML parsing into callbacks and XML Schema validation (development)
ZOLSAX2Parser reads XML through the SAX2 reader of Xerces-C++, hands every
event to plain function pointers, as UTF-8, and validates against XML Schemas.
.
This package holds the headers, the CMake package (find_package(ZOLSAX2Parser))
and the pkg-config file of ZOLSAX2Parser and ZOLStd.")

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME zolsax2)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION text)
set(CPACK_DEBIAN_TOOL_PACKAGE_DEPENDS "${zolsax2_exact_runtime}")
set(CPACK_DEBIAN_TOOL_DESCRIPTION "check, validate and print the events of XML documents
zolsax2 prints the SAX events of XML documents, checks whether they are
well-formed, validates them against XML Schemas and counts their elements,
reporting problems as FILE:LINE:COLUMN lines that editors and CI read.")

# Each package's copyright and changelog, where Debian expects them.
configure_file(cmake/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog.Debian @ONLY)
execute_process(COMMAND gzip -9n -f ${PROJECT_BINARY_DIR}/debian/changelog.Debian)
foreach(component runtime dev tool)
    string(TOUPPER ${component} upper)
    install(FILES cmake/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME}
        COMPONENT ${component})
endforeach()

# What each package must hold, file by file, for scripts/package.sh to compare.
set(zolsax2_libdir ${CMAKE_INSTALL_FULL_LIBDIR})
set(zolsax2_contents_runtime "")
set(zolsax2_contents_dev "")
foreach(library ZOLStd ZOLSAX2Parser)
    string(APPEND zolsax2_contents_runtime "${zolsax2_libdir}/lib${library}.so.${PROJECT_VERSION_MAJOR}\n")
    string(APPEND zolsax2_contents_runtime "${zolsax2_libdir}/lib${library}.so.${PROJECT_VERSION}\n")
    string(APPEND zolsax2_contents_dev "${zolsax2_libdir}/lib${library}.so\n")
endforeach()
foreach(header ${ZOLSTD_PUBLIC_HEADERS} ${ZOLSAX2PARSER_PUBLIC_HEADERS})
    get_filename_component(name ${header} NAME)
    string(APPEND zolsax2_contents_dev "${CMAKE_INSTALL_FULL_INCLUDEDIR}/ZOLSAX2Parser/${name}\n")
endforeach()
string(TOLOWER "${CMAKE_BUILD_TYPE}" zolsax2_config)
foreach(file Config ConfigVersion Targets Targets-${zolsax2_config})
    string(APPEND zolsax2_contents_dev "${zolsax2_libdir}/cmake/ZOLSAX2Parser/ZOLSAX2Parser${file}.cmake\n")
endforeach()
string(APPEND zolsax2_contents_dev "${zolsax2_libdir}/pkgconfig/ZOLSAX2Parser.pc\n")
set(zolsax2_contents_tool "${CMAKE_INSTALL_FULL_BINDIR}/zolsax2
${CMAKE_INSTALL_FULL_MANDIR}/man1/zolsax2.1.gz
${CMAKE_INSTALL_FULL_DATADIR}/bash-completion/completions/zolsax2\n")
foreach(component runtime dev tool)
    string(TOUPPER ${component} upper)
    set(package ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
    string(APPEND zolsax2_contents_${component} "${CMAKE_INSTALL_FULL_DATADIR}/doc/${package}/changelog.Debian.gz
${CMAKE_INSTALL_FULL_DATADIR}/doc/${package}/copyright\n")
    file(WRITE ${PROJECT_BINARY_DIR}/debian/${package}.contents "${zolsax2_contents_${component}}")
endforeach()

include(CPack)

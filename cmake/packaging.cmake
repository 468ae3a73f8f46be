# Installation and packages.
#
# Linux: bin/tintlist and its manual page (component runtime, which the
# Debian package holds); the colour_database library, its header and a CMake
# package exporting tintlist::colour_database (component development).
# Windows: tintlist.exe and the README, packed into a zip.
include(CMakePackageConfigHelpers)

if(WIN32)
    install(TARGETS tintlist RUNTIME DESTINATION . COMPONENT runtime)
    install(FILES README.md DESTINATION . COMPONENT runtime)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_SYSTEM_NAME win32)
else()
    install(TARGETS tintlist RUNTIME DESTINATION bin COMPONENT runtime)
    install(FILES doc/tintlist.1 DESTINATION share/man/man1 COMPONENT runtime)

    install(TARGETS colour_database EXPORT tintlistTargets
        ARCHIVE DESTINATION lib COMPONENT development)
    install(FILES src/colour_database.hpp DESTINATION include/tintlist COMPONENT development)
    install(EXPORT tintlistTargets NAMESPACE tintlist:: DESTINATION lib/cmake/tintlist
        COMPONENT development)
    configure_file(cmake/tintlistConfig.cmake.in tintlistConfig.cmake COPYONLY)
    write_basic_package_version_file(tintlistConfigVersion.cmake
        COMPATIBILITY SameMajorVersion)
    install(FILES ${PROJECT_BINARY_DIR}/tintlistConfig.cmake
        ${PROJECT_BINARY_DIR}/tintlistConfigVersion.cmake
        DESTINATION lib/cmake/tintlist COMPONENT development)

    set(CPACK_GENERATOR DEB)
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_ALL runtime)
    set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_PACKAGE_NAME tintlist)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

set(CPACK_PACKAGE_NAME tintlist)
set(CPACK_PACKAGE_VENDOR "The tintlist developers")
set(CPACK_PACKAGE_CONTACT "The tintlist developers <tintlist@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "list a colour-name database in one normalised layout")
set(CPACK_PACKAGE_DESCRIPTION
    "tintlist reads a colour-name database (lines of red, green and blue values and a name) and writes every well-formed entry in one layout, reporting each bad line with its line number.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME tintlist-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME})
if(WIN32)
    set(CPACK_PACKAGE_FILE_NAME tintlist-${PROJECT_VERSION}-win32)
endif()
include(CPack)

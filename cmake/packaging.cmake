# SPDX-License-Identifier: MIT
# Installation and packages, in the folders of GNUInstallDirs.
#
# The library, component development (Debian package libtintlist-dev), also
# from a parent project that asks for it: libtintlist.a, its header, a CMake
# package exporting tintlist::tintlist and a pkg-config file. At the top
# level, the command, component runtime (package tintlist): bin/tintlist,
# its manual page and shell completions. Only the Debian packages carry the
# copyright and changelog files Debian asks for. On Windows: tintlist.exe,
# the licence, the README and the manual page as HTML, with CR LF line
# ends, in a zip.
include(GNUInstallDirs)

if(NOT WIN32)
    # The library goes to lib/<multiarch> when installed to /usr on Debian,
    # to lib elsewhere, or where a packager's CMAKE_INSTALL_LIBDIR says. A
    # folder given absolute (Fedora's /usr/lib64) is taken relative to the
    # prefix where it lies under it, so that the CMake package still moves
    # with the prefix.
    set(TINTLIST_INSTALL_LIBDIR ${CMAKE_INSTALL_LIBDIR})
    if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
        file(RELATIVE_PATH relative "${CMAKE_INSTALL_PREFIX}" "${CMAKE_INSTALL_LIBDIR}")
        if(NOT relative MATCHES "^\\.\\.")
            set(TINTLIST_INSTALL_LIBDIR ${relative})
        endif()
    endif()
    set(package_dir ${TINTLIST_INSTALL_LIBDIR}/cmake/tintlist)
    install(TARGETS tintlist_library EXPORT tintlistTargets
        ARCHIVE DESTINATION ${TINTLIST_INSTALL_LIBDIR} COMPONENT development)
    install(FILES include/tintlist/colour_database.hpp include/tintlist/colour_table.hpp
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tintlist COMPONENT development)
    install(EXPORT tintlistTargets NAMESPACE tintlist:: DESTINATION ${package_dir}
        COMPONENT development)
    include(CMakePackageConfigHelpers)
    write_basic_package_version_file(tintlistConfigVersion.cmake
        COMPATIBILITY SameMajorVersion)
    install(FILES cmake/tintlistConfig.cmake ${PROJECT_BINARY_DIR}/tintlistConfigVersion.cmake
        DESTINATION ${package_dir} COMPONENT development)

    # A stripped install (our packages, cmake --install --strip) strips the
    # library of its debugging information, as Debian's dh_strip does:
    # CMake itself strips only programs and shared libraries.
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            get_filename_component(library \"${TINTLIST_INSTALL_LIBDIR}/libtintlist.a\" ABSOLUTE
                BASE_DIR \"\${CMAKE_INSTALL_PREFIX}\")
            execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug --enable-deterministic-archives
                \"\$ENV{DESTDIR}\${library}\" RESULT_VARIABLE failed)
            if(failed)
                message(FATAL_ERROR \"Stripping libtintlist.a failed\")
            endif()
        endif()" COMPONENT development)

    # The pkg-config file names the folders installed to, which are known
    # only when installing (cmake --install --prefix, CPack's /usr). It is
    # written then, into a folder named by the destination, so that
    # installs of one build to several places can run at once.
    set(pc_folder "${PROJECT_BINARY_DIR}/pkgconfig/\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}")
    install(CODE "
        set(PROJECT_VERSION ${PROJECT_VERSION})
        get_filename_component(libdir \"${TINTLIST_INSTALL_LIBDIR}\" ABSOLUTE
            BASE_DIR \"\${CMAKE_INSTALL_PREFIX}\")
        get_filename_component(includedir \"${CMAKE_INSTALL_INCLUDEDIR}\" ABSOLUTE
            BASE_DIR \"\${CMAKE_INSTALL_PREFIX}\")
        configure_file(\"${PROJECT_SOURCE_DIR}/cmake/tintlist.pc.in\" \"${pc_folder}/tintlist.pc\"
            @ONLY)
        file(INSTALL \"${pc_folder}/tintlist.pc\" DESTINATION \"\${libdir}/pkgconfig\")"
        COMPONENT development)
endif()

# A parent project's installs and packaging stay its own.
if(NOT top_level)
    return()
endif()

if(WIN32)
    # Text files with CR LF line ends, as Windows users expect; the manual
    # page rendered as HTML, since Windows has no man. Only the zip needs
    # mandoc or groff for it; the program builds without.
    configure_file(LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
    configure_file(README.md README.md @ONLY NEWLINE_STYLE CRLF)
    install(TARGETS tintlist RUNTIME DESTINATION . COMPONENT runtime)
    install(FILES ${PROJECT_BINARY_DIR}/LICENSE.txt ${PROJECT_BINARY_DIR}/README.md
        DESTINATION . COMPONENT runtime)
    find_program(TINTLIST_MANDOC mandoc)
    find_program(TINTLIST_GROFF groff)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS doc/tintlist.1)
    if(TINTLIST_MANDOC)
        execute_process(COMMAND ${TINTLIST_MANDOC} -Thtml doc/tintlist.1
            WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_FILE ${PROJECT_BINARY_DIR}/tintlist.html.lf)
    elseif(TINTLIST_GROFF)
        execute_process(COMMAND ${TINTLIST_GROFF} -man -Thtml doc/tintlist.1
            WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_FILE ${PROJECT_BINARY_DIR}/tintlist.html.lf)
    endif()
    if(TINTLIST_MANDOC OR TINTLIST_GROFF)
        configure_file(${PROJECT_BINARY_DIR}/tintlist.html.lf tintlist.html @ONLY NEWLINE_STYLE CRLF)
        install(FILES ${PROJECT_BINARY_DIR}/tintlist.html DESTINATION . COMPONENT runtime)
    else()
        set(no_manual "The zip's manual page needs mandoc or groff: install one, configure again")
        message(STATUS "${no_manual}")
        install(CODE "message(FATAL_ERROR \"${no_manual}\")" COMPONENT runtime)
    endif()
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME tintlist-${PROJECT_VERSION}-win32)
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "list a colour-name database in one normalised layout")
else()
    # The manual page and the changelog compressed as Debian wants them:
    # the most compression, and no name or time stored.
    foreach(file doc/tintlist.1 doc/changelog)
        get_filename_component(name ${file} NAME)
        add_custom_command(OUTPUT ${name}.gz
            COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/${file} > ${name}.gz
            DEPENDS ${PROJECT_SOURCE_DIR}/${file})
        list(APPEND compressed ${PROJECT_BINARY_DIR}/${name}.gz)
    endforeach()
    add_custom_target(tintlist_compressed_docs ALL DEPENDS ${compressed})

    install(TARGETS tintlist RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
    install(FILES ${PROJECT_BINARY_DIR}/tintlist.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT runtime)
    # Shell completions, where each shell looks for them. zsh looks in
    # site-functions under /usr/local, and Debian's in vendor-completions
    # for /usr.
    set(zsh_dir site-functions)
    if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
        set(zsh_dir vendor-completions)
    endif()
    set(completions ${PROJECT_SOURCE_DIR}/doc/completions)
    install(FILES ${completions}/tintlist.bash RENAME tintlist
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions COMPONENT runtime)
    install(FILES ${completions}/_tintlist DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/zsh/${zsh_dir}
        COMPONENT runtime)
    install(FILES ${completions}/tintlist.fish
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/fish/vendor_completions.d COMPONENT runtime)

    # Debian's copyright and changelog go into our Debian packages alone:
    # CPack installs each package's component by name, which a full install
    # (cmake --install, make install, a distribution's own build) does not.
    set(components runtime development)
    set(packages tintlist libtintlist-dev)
    foreach(component package IN ZIP_LISTS components packages)
        install(FILES cmake/copyright ${PROJECT_BINARY_DIR}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component}
            EXCLUDE_FROM_ALL)
    endforeach()
    # lintian takes a program none of whose C library calls can be fortified
    # for one built without _FORTIFY_SOURCE. The command's calls that could
    # be are checked when compiling, or, in the library, read into the
    # reader's buffer, whose size the compiler cannot see there.
    install(FILES cmake/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
        RENAME tintlist COMPONENT runtime EXCLUDE_FROM_ALL)

    # The packages are laid out for /usr: cmake/cpack_options.cmake refuses a
    # build folder configured for another prefix.
    set(CPACK_GENERATOR DEB)
    set(CPACK_TINTLIST_PREFIX ${CMAKE_INSTALL_PREFIX})
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_ALL runtime development)
    set(CPACK_COMPONENTS_GROUPING IGNORE)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

    set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME tintlist)
    set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
    # The first line of each description is its synopsis; no summary of the
    # whole project is put before it.
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
    set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
        "list a colour-name database in one normalised layout
tintlist reads a colour-name database, whose lines give red, green and
blue values and a colour name, and writes every well-formed entry in one
layout. Each bad line is reported with the database path and its line
number, and the listing goes on.")

    set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libtintlist-dev)
    # The package was tintlist-dev before 1.1.0, with the same header.
    set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_BREAKS "tintlist-dev (<< 1.1.0~)")
    set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_REPLACES "tintlist-dev (<< 1.1.0~)")
    set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
    set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
        "read colour-name databases as the tintlist command does
The tintlist library reads a colour-name database line by line, as the
tintlist command does, and decides what each line is: a colour entry, an
entry with a value out of range, a comment, or a syntax error. This
package holds its header, the static library, a CMake package and a
pkg-config file.")
endif()

set(CPACK_STRIP_FILES ON)
# The folders a package makes have the same modes whatever the umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack_options.cmake)
set(CPACK_PACKAGE_NAME tintlist)
set(CPACK_PACKAGE_VENDOR "The tintlist developers")
set(CPACK_PACKAGE_CONTACT "The tintlist developers <tintlist@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
include(CPack)

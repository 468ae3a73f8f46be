# SPDX-License-Identifier: MIT
# Read by cpack for each package it makes.
#
# The source tarball is make dist's: CPack's would hold the build folders.
if(CPACK_INSTALLED_DIRECTORIES)
    message(FATAL_ERROR "The source tarball is made by make dist, not by CPack")
endif()

# The Debian packages are laid out for /usr whatever prefix the build folder
# was configured for: a build for another prefix gets a twin in its folder
# deb-usr, configured alike but for /usr, which is built here and packed in
# its stead.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_TINTLIST_PREFIX STREQUAL "/usr")
    set(twin "${CPACK_TINTLIST_BINARY_DIR}/deb-usr")
    message(STATUS "Packing the build configured for /usr in ${twin}")
    execute_process(COMMAND "${CPACK_TINTLIST_CMAKE}" -S "${CPACK_TINTLIST_SOURCE_DIR}" -B "${twin}"
            -DCMAKE_INSTALL_PREFIX=/usr -DTINTLIST_TESTS=OFF ${CPACK_TINTLIST_SETTINGS}
        OUTPUT_QUIET RESULT_VARIABLE failed)
    if(NOT failed)
        execute_process(COMMAND "${CPACK_TINTLIST_CMAKE}" --build "${twin}" --parallel
            OUTPUT_QUIET RESULT_VARIABLE failed)
    endif()
    if(failed)
        message(FATAL_ERROR "The build for /usr in ${twin} failed")
    endif()
    set(CPACK_INSTALL_CMAKE_PROJECTS "${twin};tintlist;ALL;/")
endif()

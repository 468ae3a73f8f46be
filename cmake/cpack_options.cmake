# SPDX-License-Identifier: MIT
# Read by cpack for each package it makes.
#
# The source tarball is make dist's: CPack's would hold the build folders.
if(CPACK_INSTALLED_DIRECTORIES)
    message(FATAL_ERROR "The source tarball is made by make dist, not by CPack")
endif()
# The Debian packages are laid out for /usr.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_TINTLIST_PREFIX STREQUAL "/usr")
    message(FATAL_ERROR "Debian packages need a build configured with -DCMAKE_INSTALL_PREFIX=/usr")
endif()

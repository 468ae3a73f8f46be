# SPDX-License-Identifier: MIT
# The tintlist package: the library as tintlist::tintlist, and under its
# earlier name tintlist::colour_database for programs that still use that.
include("${CMAKE_CURRENT_LIST_DIR}/tintlistTargets.cmake")
if(NOT TARGET tintlist::colour_database)
    add_library(tintlist::colour_database ALIAS tintlist::tintlist)
endif()

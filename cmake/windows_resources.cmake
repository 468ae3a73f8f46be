# SPDX-License-Identifier: MIT
# The Windows program's resources: the application icon, committed as
# cmake/tintlist.ico (drawn from cmake/tintlist.svg by cmake/make_icon.sh),
# and the version record, whose numbers come from the project version.
enable_language(RC)

set(TINTLIST_ICON ${PROJECT_SOURCE_DIR}/cmake/tintlist.ico)
configure_file(${PROJECT_SOURCE_DIR}/cmake/tintlist.rc.in tintlist.rc @ONLY)
target_sources(tintlist PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/tintlist.rc)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/tintlist.rc
    PROPERTIES OBJECT_DEPENDS ${TINTLIST_ICON})

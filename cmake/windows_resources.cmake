# The Windows program's resources: the icon, drawn at build time by a small
# generator built for the build machine, and the version record, whose
# numbers come from the project version.
enable_language(RC)

find_program(TINTLIST_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
set(make_icon ${CMAKE_CURRENT_BINARY_DIR}/make_icon)
set(TINTLIST_ICON ${CMAKE_CURRENT_BINARY_DIR}/tintlist.ico)

add_custom_command(OUTPUT ${make_icon}
    COMMAND ${TINTLIST_HOST_CXX} -std=c++20 -O2 -Wall -Wextra -Wpedantic
            ${PROJECT_SOURCE_DIR}/tools/make_icon.cpp -o ${make_icon}
    DEPENDS ${PROJECT_SOURCE_DIR}/tools/make_icon.cpp
    COMMENT "Building the icon generator for the build machine")
add_custom_command(OUTPUT ${TINTLIST_ICON}
    COMMAND ${make_icon} ${TINTLIST_ICON}
    DEPENDS ${make_icon}
    COMMENT "Drawing tintlist.ico")

configure_file(${PROJECT_SOURCE_DIR}/cmake/tintlist.rc.in tintlist.rc @ONLY)
target_sources(tintlist PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/tintlist.rc)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/tintlist.rc
    PROPERTIES OBJECT_DEPENDS ${TINTLIST_ICON})

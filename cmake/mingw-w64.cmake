# SPDX-License-Identifier: MIT
# Cross-compiles the Windows console program with mingw-w64. The including
# toolchain file sets TINTLIST_MINGW_TRIPLET and the processor.
set(CMAKE_SYSTEM_NAME Windows)

# Debian's compiler of the win32 thread model keeps the program free of
# libwinpthread-1.dll; where there is none (MSYS2, other distributions),
# the triplet's plain compiler.
find_program(TINTLIST_MINGW_CXX NAMES ${TINTLIST_MINGW_TRIPLET}-g++-win32
    ${TINTLIST_MINGW_TRIPLET}-g++)
if(NOT TINTLIST_MINGW_CXX)
    message(FATAL_ERROR "No ${TINTLIST_MINGW_TRIPLET}-g++-win32 or ${TINTLIST_MINGW_TRIPLET}-g++: "
        "install mingw-w64 (on Debian, g++-mingw-w64)")
endif()
set(CMAKE_CXX_COMPILER ${TINTLIST_MINGW_CXX})
set(CMAKE_RC_COMPILER ${TINTLIST_MINGW_TRIPLET}-windres)

if(EXISTS /usr/${TINTLIST_MINGW_TRIPLET})
    set(CMAKE_FIND_ROOT_PATH /usr/${TINTLIST_MINGW_TRIPLET})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

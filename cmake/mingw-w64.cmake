# SPDX-License-Identifier: MIT
# Cross-compiles the Windows console program with Debian's mingw-w64. The
# including toolchain file sets TINTLIST_MINGW_TRIPLET and the processor.
set(CMAKE_SYSTEM_NAME Windows)

# The win32 thread model keeps the program free of libwinpthread-1.dll.
set(CMAKE_C_COMPILER ${TINTLIST_MINGW_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TINTLIST_MINGW_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER ${TINTLIST_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TINTLIST_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

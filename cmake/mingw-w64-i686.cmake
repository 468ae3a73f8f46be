# SPDX-License-Identifier: MIT
# The 32-bit Windows console program: the one that ships.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TINTLIST_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# SPDX-License-Identifier: MIT
# The 64-bit Windows console program: the same sources, built only to run the
# tests under wine64 on machines that cannot execute 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TINTLIST_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# SPDX-License-Identifier: MIT
# GoogleTest for the tests. An installed one always wins; else Debian's
# source copy (package googletest); else, where the tests are required
# (TINTLIST_TESTS=ON, as `make check` asks), a pinned release, downloaded
# into the build folder and checked by its SHA-256. Where there is none,
# TINTLIST_GTEST_MISSING says why.
find_package(GTest QUIET)
if(GTest_FOUND)
    # Before CMake 3.20 FindGTest gives the targets other names. (Debian
    # 11's own GoogleTest package cannot be taken in its stead: it names a
    # libgmock.a that the package does not hold.)
    if(NOT TARGET GTest::gtest)
        add_library(GTest::gtest ALIAS GTest::GTest)
        add_library(GTest::gtest_main ALIAS GTest::Main)
    endif()
    return()
endif()

set(source /usr/src/googletest)
if(NOT EXISTS ${source}/CMakeLists.txt)
    if(NOT TINTLIST_TESTS STREQUAL "ON")
        set(TINTLIST_GTEST_MISSING "no GoogleTest (install libgtest-dev, or run make check)")
        return()
    endif()
    set(version 1.12.1)
    set(sha256 81964fe578e9bd7c94dfdb09c8e4d6e6759e19967e397dbea48d1c10e45d0df2)
    set(archive ${CMAKE_BINARY_DIR}/googletest-${version}.tar.gz)
    if(NOT EXISTS ${archive})
        # Not EXPECTED_HASH: a failed download would then read as a wrong hash.
        file(DOWNLOAD
            https://github.com/google/googletest/archive/refs/tags/release-${version}.tar.gz
            ${archive} STATUS status TIMEOUT 120)
        list(GET status 0 code)
        if(NOT code EQUAL 0)
            file(REMOVE ${archive})
            list(GET status 1 reason)
            message(NOTICE "GoogleTest ${version} could not be downloaded: ${reason}")
            message(FATAL_ERROR "The tests need GoogleTest: install libgtest-dev")
        endif()
    endif()
    file(SHA256 ${archive} actual)
    if(NOT actual STREQUAL sha256)
        file(REMOVE ${archive})
        message(NOTICE "The GoogleTest download has the SHA-256 ${actual}, not ${sha256}")
        message(FATAL_ERROR "The tests need GoogleTest: install libgtest-dev")
    endif()
    file(ARCHIVE_EXTRACT INPUT ${archive} DESTINATION ${CMAKE_BINARY_DIR}/_deps)
    set(source ${CMAKE_BINARY_DIR}/_deps/googletest-release-${version})
endif()

# Only the framework itself, built with the tests and installed nowhere.
set(BUILD_GMOCK OFF)
set(INSTALL_GTEST OFF)
# (Its targets name their headers as a system's, so its warnings stay its own.)
add_subdirectory(${source} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Built with its own flags, not held to this project's warnings.
set_target_properties(gtest gtest_main PROPERTIES COMPILE_OPTIONS "")

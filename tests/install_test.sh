#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the build into a staging folder, checks that it holds exactly the
# files an install should, and builds and runs a program of another project
# against the installed library: with CMake's find_package, after `make
# install` with the build's prefix and a DESTDIR, which `make uninstall`
# then undoes; or with a plain compiler line from pkg-config, after
# `cmake --install --prefix /opt/tintlist` with a DESTDIR. The subproject
# row installs nothing: the program's project takes in the source tree with
# add_subdirectory, and must keep its own settings and tests.
# usage: install_test.sh cmake|pkg-config|subproject BUILD_DIR SOURCE_DIR PREFIX LIBDIR
#                        CXX_COMPILER [CXX_FLAGS]
# LIBDIR is the library's folder, relative to PREFIX.
# The consumer is built with the same compiler and flags as the library
# (a sanitized library needs a sanitized program).
set -eu
consumer=$1 build=$2 source=$3 prefix=$4 libdir=$5 compiler=$6 flags=${7-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/stage

# Runs make in the source folder on this build, showing its output if it fails.
make_target() { # target
    env -u MAKEFLAGS -u MAKELEVEL make -C "$source" "$1" BUILD="$build" PREFIX="$prefix" \
        DESTDIR="$stage" >"$work/make.log" 2>&1 || { cat "$work/make.log"; exit 1; }
}

expect_snow() { # program
    listed=$("$1")
    [ "$listed" = "255 250 250 snow" ] || { echo "FAIL: $1 printed \"$listed\""; exit 1; }
}

if [ "$consumer" = subproject ]; then
    cmake -S "$source/tests/consumer" -B "$work/consumer" -DTINTLIST_SOURCE="$source" \
        -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
    cmake --build "$work/consumer" >/dev/null
    expect_snow "$work/consumer/consumer"
    expect_snow "$work/consumer/consumer_of_colour_database"
    grep -qx 'CMAKE_BUILD_TYPE:STRING=' "$work/consumer/CMakeCache.txt" ||
        { echo "FAIL: the parent's build type was set"; exit 1; }
    (cd "$work/consumer" && ctest -N | grep -qx 'Total Tests: 0') ||
        { echo "FAIL: the parent runs tintlist's tests"; exit 1; }
    [ ! -e "$work/consumer/CPackConfig.cmake" ] || { echo "FAIL: tintlist took over CPack"; exit 1; }
    echo "install: tintlist as a subproject passed"
    exit 0
elif [ "$consumer" = cmake ]; then
    make_target install
else
    prefix=/opt/tintlist
    DESTDIR=$stage cmake --install "$build" --prefix "$prefix" >/dev/null
fi

# Every file in the stage, and nothing else: the command, its manual page,
# the library, its header, its CMake package (whose file of imported
# targets is named by build type) and its pkg-config file.
files=$(cd "$stage" && find . ! -type d | sed 's|^\./||' |
    sed 's/tintlistTargets-[a-z]*\.cmake$/tintlistTargets-BUILD.cmake/' | sort)
expected=$(for file in bin/tintlist share/man/man1/tintlist.1.gz \
    include/tintlist/colour_database.hpp "$libdir/libtintlist.a" "$libdir/pkgconfig/tintlist.pc" \
    "$libdir/cmake/tintlist/tintlistConfig.cmake" "$libdir/cmake/tintlist/tintlistConfigVersion.cmake" \
    "$libdir/cmake/tintlist/tintlistTargets.cmake" "$libdir/cmake/tintlist/tintlistTargets-BUILD.cmake"; do
    echo "${prefix#/}/$file"
done | sort)
[ "$files" = "$expected" ] || { echo "FAIL: the install holds:" $files; exit 1; }

if [ "$consumer" = cmake ]; then
    # CMake looks for packages in lib64 only on systems that use it (Fedora,
    # not Debian): there the test names the package's folder.
    case $libdir in
        lib | lib/*) package_dir= ;;
        *) package_dir=$stage$prefix/$libdir/cmake/tintlist ;;
    esac
    cmake -S "$source/tests/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$stage$prefix" \
        ${package_dir:+-Dtintlist_DIR="$package_dir"} \
        -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
    cmake --build "$work/consumer" >/dev/null
    expect_snow "$work/consumer/consumer"
    expect_snow "$work/consumer/consumer_of_colour_database"

    # Uninstalled, the stage holds no file, and none of tintlist's folders.
    make_target uninstall
    left=$(cd "$stage" && find . ! -type d -o -type d -name tintlist)
    [ -z "$left" ] || { echo "FAIL: make uninstall left:" $left; exit 1; }
else
    # shellcheck disable=SC2046 # the flags are words
    PKG_CONFIG_PATH="$stage$prefix/$libdir/pkgconfig" PKG_CONFIG_SYSROOT_DIR="$stage" sh -c \
        "'$compiler' -std=c++17 $flags '$source/tests/consumer/main.cpp' -o '$work/pkg_consumer' \
         \$(pkg-config --cflags --libs tintlist)"
    expect_snow "$work/pkg_consumer"
fi
echo "install: files and $consumer consumer passed"

#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the build into a staging folder, checks the layout, and builds and
# runs a program of another project against the installed library: with
# CMake's find_package, after an install with --prefix; or with a plain
# compiler line from pkg-config, after an install staged with DESTDIR.
# usage: install_test.sh cmake|pkg-config BUILD_DIR SOURCE_DIR CXX_COMPILER [CXX_FLAGS]
# The consumer is built with the same compiler and flags as the library
# (a sanitized library needs a sanitized program).
set -eu
consumer=$1 build=$2 source=$3 compiler=$4 flags=${5-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ "$consumer" = cmake ]; then
    stage=$work/stage
    cmake --install "$build" --prefix "$stage" >/dev/null
else
    stage=$work/stage/opt/tintlist
    DESTDIR=$work/stage cmake --install "$build" --prefix /opt/tintlist >/dev/null
fi
# The library's folder is lib, or lib/<multiarch> on Debian.
libdir=$(cd "$stage" && dirname "$(find lib -name libtintlist.a)")
for file in bin/tintlist share/man/man1/tintlist.1.gz $libdir/libtintlist.a \
    include/tintlist/colour_database.hpp $libdir/cmake/tintlist/tintlistConfig.cmake \
    $libdir/cmake/tintlist/tintlistConfigVersion.cmake $libdir/pkgconfig/tintlist.pc; do
    [ -f "$stage/$file" ] || { echo "FAIL: $file is not installed"; exit 1; }
done

expect_snow() { # program
    listed=$("$1")
    [ "$listed" = "255 250 250 snow" ] || { echo "FAIL: $1 printed \"$listed\""; exit 1; }
}

if [ "$consumer" = cmake ]; then
    cmake -S "$source/tests/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$stage" \
        -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
    cmake --build "$work/consumer" >/dev/null
    expect_snow "$work/consumer/consumer"
    expect_snow "$work/consumer/consumer_of_colour_database"
else
    # shellcheck disable=SC2046 # the flags are words
    PKG_CONFIG_PATH="$stage/$libdir/pkgconfig" PKG_CONFIG_SYSROOT_DIR="$work/stage" sh -c \
        "'$compiler' -std=c++17 $flags '$source/tests/consumer/main.cpp' -o '$work/pkg_consumer' \
         \$(pkg-config --cflags --libs tintlist)"
    expect_snow "$work/pkg_consumer"
fi
echo "install: layout and $consumer consumer passed"

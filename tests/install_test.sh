#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the build into a staging folder, checks the layout, and builds and
# runs a program of another project against the installed library twice:
# with CMake's find_package, and with a plain compiler line from pkg-config.
# usage: install_test.sh BUILD_DIR SOURCE_DIR CXX_COMPILER [CXX_FLAGS]
# The consumer is built with the same compiler and flags as the library
# (a sanitized library needs a sanitized program).
set -eu
build=$1 source=$2 compiler=$3 flags=${4-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/stage" >/dev/null
# The library's folder is lib, or lib/<multiarch> on Debian.
libdir=$(cd "$work/stage" && dirname "$(find lib -name libcolour_database.a)")
for file in bin/tintlist share/man/man1/tintlist.1.gz $libdir/libcolour_database.a \
    include/tintlist/colour_database.hpp $libdir/cmake/tintlist/tintlistConfig.cmake \
    $libdir/cmake/tintlist/tintlistConfigVersion.cmake $libdir/pkgconfig/tintlist.pc; do
    [ -f "$work/stage/$file" ] || { echo "FAIL: $file is not installed"; exit 1; }
done

expect_snow() { # program
    listed=$("$1")
    [ "$listed" = "255 250 250 snow" ] || { echo "FAIL: $1 printed \"$listed\""; exit 1; }
}

cmake -S "$source/tests/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$work/stage" \
    -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$work/consumer" >/dev/null
expect_snow "$work/consumer/consumer"

if command -v pkg-config >/dev/null; then
    # shellcheck disable=SC2046 # the flags are words
    PKG_CONFIG_PATH="$work/stage/$libdir/pkgconfig" sh -c \
        "'$compiler' -std=c++17 $flags '$source/tests/consumer/main.cpp' -o '$work/pkg_consumer' \
         \$(pkg-config --cflags --libs tintlist)"
    expect_snow "$work/pkg_consumer"
    echo "install: layout, CMake consumer and pkg-config consumer passed"
elif [ "${CI-}" = true ]; then
    echo "FAIL: pkg-config is not installed"
    exit 1
else
    echo "install: layout and CMake consumer passed; no pkg-config, so its consumer was skipped"
fi

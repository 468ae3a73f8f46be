#!/bin/sh
# Installs the build into a staging folder, checks the layout, and builds and
# runs a program of another project against the installed library.
# usage: install_test.sh BUILD_DIR SOURCE_DIR CXX_COMPILER [CXX_FLAGS]
# The consumer is built with the same compiler and flags as the library
# (a sanitized library needs a sanitized program).
set -eu
build=$1 source=$2 compiler=$3 flags=${4-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/stage" >/dev/null
for file in bin/tintlist share/man/man1/tintlist.1 lib/libcolour_database.a \
    include/tintlist/colour_database.hpp lib/cmake/tintlist/tintlistConfig.cmake \
    lib/cmake/tintlist/tintlistConfigVersion.cmake; do
    [ -f "$work/stage/$file" ] || { echo "FAIL: $file is not installed"; exit 1; }
done

cmake -S "$source/tests/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$work/stage" \
    -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$work/consumer" >/dev/null
listed=$("$work/consumer/consumer")
[ "$listed" = "255 250 250 snow" ] || { echo "FAIL: the consumer printed \"$listed\""; exit 1; }

echo "install: layout and consumer build passed"

#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the command in a tree of its own with these CMake settings, then
# runs the test: so a test of another platform's program builds it for
# itself, and no build of the command builds it for the test. Warnings are
# errors as TINTLIST_WERROR says.
# usage: built_with.sh SOURCE BUILD [SETTING...] -- COMMAND [ARGUMENT...]
source=$1 build=$2
shift 2
settings=
while [ "$1" != -- ]; do
    settings="$settings '$1'"
    shift
done
shift
eval "cmake -S '$source' -B '$build' -DCMAKE_BUILD_TYPE=Release -DTINTLIST_TESTS=OFF \
    -DTINTLIST_WERROR=${TINTLIST_WERROR-OFF} $settings" \
    >"$build.log" 2>&1 && cmake --build "$build" >>"$build.log" 2>&1 ||
    { cat "$build.log"; echo "FAIL: building in $build"; exit 1; }
exec "$@"

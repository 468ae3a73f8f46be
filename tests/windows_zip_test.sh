#!/bin/sh
# Packs the Windows build with CPack and checks what the zip holds.
# usage: windows_zip_test.sh WINDOWS_BUILD_DIR VERSION
set -eu
build=$1 version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work" >/dev/null
zip="$work/tintlist-$version-win32.zip"
listing=$(cd "$work" && cmake -E tar tf "$zip" | sort | tr '\n' ' ')
expected="tintlist-$version-win32/README.md tintlist-$version-win32/tintlist.exe "
[ "$listing" = "$expected" ] || { echo "FAIL: the zip holds: $listing"; exit 1; }
echo "windows zip: $(basename "$zip") passed"

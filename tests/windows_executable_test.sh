#!/bin/sh
# SPDX-License-Identifier: MIT
# Checks the Windows program's image: a 32-bit console program that needs no
# DLL beyond the system's own, with its nine icon images and version record.
# usage: windows_executable_test.sh TINTLIST.EXE VERSION
set -eu
exe=$1 version=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

headers=$(i686-w64-mingw32-objdump -p "$exe")
echo "$headers" | grep -q 'file format pei-i386' || fail "not an i386 PE image"
echo "$headers" | grep -q '^Magic[[:space:]]*010b[[:space:]]*(PE32)' || fail "not PE32"
echo "$headers" | grep -q '^Subsystem[[:space:]]*00000003[[:space:]]*(Windows CUI)' ||
    fail "not a console program"
dlls=$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort | tr '\n' ' ')
[ "$dlls" = "KERNEL32.dll msvcrt.dll " ] || fail "DLL imports are: $dlls"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
wrestool -x --type=group_icon "$exe" >"$work/icon.ico"
icotool -l "$work/icon.ico" | sed 's/^--icon --index=[0-9]* //' | sort >"$work/images"
expected_images=$(for depth in 4 8 32; do
    for size in 48 32 16; do
        palette=$((depth == 4 ? 16 : depth == 8 ? 256 : 0))
        echo "--width=$size --height=$size --bit-depth=$depth --palette-size=$palette"
    done
done | sort)
[ "$(cat "$work/images")" = "$expected_images" ] || fail "icon images are: $(cat "$work/images")"

# The version record's strings are UTF-16; without their zero bytes each key
# runs straight into its value.
strings=$(wrestool -x --raw --type=version "$exe" | tr -d '\000')
for pair in \
    "FileDescription:Uncompile an rgb color-name database" \
    "ProductName:tintlist" \
    "CompanyName:The tintlist developers" \
    "FileVersion:$version" \
    "ProductVersion:$version" \
    "InternalName:tintlist" \
    "OriginalFilename:tintlist.exe" \
    "LegalCopyright:Copyright (C) 2026 The tintlist developers"; do
    key=${pair%%:*} value=${pair#*:}
    printf '%s' "$strings" | grep -a -q -F "$key$value" || fail "$key is not \"$value\""
done

[ "$failures" -eq 0 ] && echo "Windows executable: all checks passed"
exit "$failures"

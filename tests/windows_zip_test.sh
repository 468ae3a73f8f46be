#!/bin/sh
# SPDX-License-Identifier: MIT
# Packs the Windows build with CPack and checks what the zip holds: the
# program, the licence, the README and the manual page as HTML, the text
# files with CR LF line ends.
# usage: windows_zip_test.sh WINDOWS_BUILD_DIR VERSION
set -eu
build=$1 version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work" >/dev/null
zip="$work/tintlist-$version-win32.zip"
folder=tintlist-$version-win32
listing=$(cd "$work" && cmake -E tar tf "$zip" | sort | tr '\n' ' ')
expected="$folder/LICENSE.txt $folder/README.md $folder/tintlist.exe $folder/tintlist.html "
[ "$listing" = "$expected" ] || { echo "FAIL: the zip holds: $listing"; exit 1; }

(cd "$work" && cmake -E tar xf "$zip")
for text in LICENSE.txt README.md tintlist.html; do
    file=$work/$folder/$text
    lines=$(wc -l <"$file")
    crlf=$(grep -c "$(printf '\r')\$" "$file" || true)
    [ "$lines" -gt 0 ] && [ "$crlf" -eq "$lines" ] ||
        { echo "FAIL: $text has $crlf CR LF line ends of $lines"; exit 1; }
done
grep -q 'Uncompile\|colour-name database' "$work/$folder/tintlist.html" ||
    { echo "FAIL: tintlist.html does not hold the manual page"; exit 1; }
grep -q 'Permission is hereby granted' "$work/$folder/LICENSE.txt" ||
    { echo "FAIL: LICENSE.txt does not hold the licence"; exit 1; }
# The program in the zip is stripped, and keeps its image, icons and version.
exe=$work/$folder/tintlist.exe
i686-w64-mingw32-objdump -t "$exe" | grep -q "no symbols" ||
    { echo "FAIL: tintlist.exe is not stripped"; exit 1; }
sh "$(dirname "$0")/windows_executable_test.sh" "$exe" "$version" >/dev/null ||
    { sh "$(dirname "$0")/windows_executable_test.sh" "$exe" "$version"; exit 1; }
echo "windows zip: $(basename "$zip") passed"

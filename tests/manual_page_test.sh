#!/bin/sh
# SPDX-License-Identifier: MIT
# The manual page renders without a warning, in groff or in mandoc, and is
# of the project's version and of the date of the latest changelog entry,
# which is of that version too; the README names the packages by it, and the
# library's header gives it.
# usage: manual_page_test.sh groff|mandoc SOURCE_DIR VERSION HEADER
set -eu
renderer=$1 source=$2 version=$3 header=$4
page=$source/doc/tintlist.1 changelog=$source/doc/changelog
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if [ "$renderer" = groff ]; then
    out=$(groff -man -Tutf8 -ww "$page" 2>&1 >/dev/null)
else
    out=$(mandoc -Tlint "$page" 2>&1)
fi
[ -z "$out" ] || fail "$renderer: $out"

date=$(date -u -d "$(sed -n 's/^ -- .*>  //p' "$changelog" | head -n 1)" '+%B %-d, %Y')
heading=".TH TINTLIST 1 \"$date\" \"tintlist $version\" \"User Commands\""
grep -q -x -F "$heading" "$page" || fail "the manual page's heading is not: $heading"
head -n 1 "$changelog" | grep -q "^tintlist ($version) " || fail "the changelog's latest entry is not $version"
for file in "tintlist_${version}_" "libtintlist-dev_${version}_" "tintlist-$version-win32.zip"; do
    grep -q -F "$file" "$source/README.md" || fail "the README does not name $file"
done
defines=$(sed -n 's/^#define TINTLIST_VERSION_[A-Z]* \([0-9]*\)$/\1/p' "$header" | paste -sd.)
[ "$defines" = "$version" ] || fail "the header gives the version $defines"
[ "$failures" -eq 0 ] && echo "manual page: $renderer, version $version and date $date passed"
exit "$failures"

#!/bin/sh
# Makes the Debian package with CPack and checks its control fields and files.
# usage: deb_test.sh BUILD_DIR VERSION
set -eu
build=$1 version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >/dev/null
deb=$(ls "$work"/*.deb)

info=$(dpkg-deb -I "$deb")
field() { echo "$info" | sed -n "s/^ $1: //p"; }
[ "$(field Package)" = tintlist ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)'"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
field Depends | grep -q 'libc6' || fail "Depends is '$(field Depends)', without libc6"

files=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v '/$' | sort | tr '\n' ' ')
[ "$files" = "./usr/bin/tintlist ./usr/share/man/man1/tintlist.1 " ] || fail "files are: $files"

[ "$failures" -eq 0 ] && echo "deb: $(basename "$deb") passed"
exit "$failures"

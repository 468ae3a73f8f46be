#!/bin/sh
# SPDX-License-Identifier: MIT
# Makes the Debian packages with CPack, at a umask that would leave folders
# group-writable, checks their control fields, their files, the pkg-config
# file they install and the command's hardening, and runs lintian on them:
# any tag at all fails. The packages are laid out for /usr whatever prefix
# the build folder was configured for.
# usage: deb_test.sh BUILD_DIR VERSION
set -eu
build=$1 version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

(umask 002 && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >/dev/null)
arch=$(dpkg --print-architecture)
runtime=$work/tintlist_${version}_$arch.deb development=$work/libtintlist-dev_${version}_$arch.deb

check() { # deb package section files...
    deb=$1 package=$2 section=$3
    shift 3
    [ -f "$deb" ] || { fail "no $(basename "$deb")"; return; }
    field() { dpkg-deb -f "$deb" "$1"; }
    [ "$(field Package)" = "$package" ] || fail "$package: Package is '$(field Package)'"
    [ "$(field Version)" = "$version" ] || fail "$package: Version is '$(field Version)'"
    [ "$(field Section)" = "$section" ] || fail "$package: Section is '$(field Section)'"
    [ -n "$(field Maintainer)" ] || fail "$package: no Maintainer"
    # The CMake package's file of imported targets is named by build type.
    files=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v '/$' | sed 's|^\./||' |
        sed 's/tintlistTargets-[a-z]*\.cmake$/tintlistTargets-BUILD.cmake/' | sort)
    expected=$(for f in "$@" "usr/share/doc/$package/changelog.gz" "usr/share/doc/$package/copyright"; do
        echo "$f"
    done | sort)
    [ "$files" = "$expected" ] || fail "$package: files are: $(echo $files)"
}
check "$runtime" tintlist utils usr/bin/tintlist usr/share/man/man1/tintlist.1.gz \
    usr/share/bash-completion/completions/tintlist usr/share/zsh/vendor-completions/_tintlist \
    usr/share/fish/vendor_completions.d/tintlist.fish usr/share/lintian/overrides/tintlist
dpkg-deb -f "$runtime" Depends | grep -q 'libc6' ||
    fail "tintlist: Depends is '$(dpkg-deb -f "$runtime" Depends)'"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
lib=usr/lib/$multiarch
check "$development" libtintlist-dev libdevel usr/include/tintlist/colour_database.hpp \
    usr/include/tintlist/colour_table.hpp $lib/libtintlist.a $lib/pkgconfig/tintlist.pc \
    $lib/cmake/tintlist/tintlistConfig.cmake \
    $lib/cmake/tintlist/tintlistConfigVersion.cmake $lib/cmake/tintlist/tintlistTargets.cmake \
    $lib/cmake/tintlist/tintlistTargets-BUILD.cmake
dpkg-deb --fsys-tarfile "$runtime" | tar -xO ./usr/bin/tintlist >"$work/tintlist"
readelf -S "$work/tintlist" | grep -q '\.symtab' && fail "tintlist: the command is not stripped"
# Hardened: a stack protector, and symbols bound at load. (No C library
# call of the command can be fortified: see the lintian override.)
readelf --dyn-syms -W "$work/tintlist" | grep -q ' __stack_chk_fail' ||
    fail "tintlist: no stack protector"
readelf -d "$work/tintlist" | grep -q 'FLAGS.*NOW' || fail "tintlist: symbols are not bound at load"

# Installed in /usr, the library is in the system's folders: pkg-config
# names no folder, only the library.
mkdir "$work/root"
dpkg-deb -x "$development" "$work/root"
flags=$(PKG_CONFIG_PATH="$work/root/$lib/pkgconfig" pkg-config --cflags --libs tintlist)
[ "$(echo $flags)" = "-ltintlist" ] || fail "pkg-config prints '$flags'"

# lintian says it would rather not run as root; that is no finding.
report=$(lintian --pedantic --display-info "$runtime" "$development" 2>&1 |
    grep -v 'root privileges' || true)
if [ -n "$report" ]; then
    echo "$report"
    fail "lintian found tags"
fi

[ "$failures" -eq 0 ] && echo "deb: $(basename "$runtime") and $(basename "$development") passed"
exit "$failures"

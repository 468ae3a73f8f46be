#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the Windows program, and where a compiler for it is found the same
# sources for x86_64 Windows; checks the 32-bit program's image and its zip;
# then runs the end-to-end suite against the Windows program under wine.
#
# The shipped program is 32-bit, and the suite runs it when this machine
# can: some
# kernels cannot execute 32-bit code at all, so wine cannot start it there.
# Whether it can is found by trying. If it cannot, the suite runs against the
# same sources built for x86_64 Windows, under wine64. TINTLIST_WINE32=yes or
# =no forces the answer instead.
#
# usage: windows_test.sh END_TO_END_TEST SOURCE_DIR BUILD_DIR VERSION REPORT
#
# The builds go into BUILD_DIR/windows and BUILD_DIR/windows64, and the wine
# prefix into BUILD_DIR/wine. REPORT receives the one line that says which
# program ran and why. Exits 77 (a skip) when neither program can run,
# unless CI=true, where that is a failure.
set -u
suite=$1 source=$2 build=$3 version=$4 report=$5
tests=$(dirname "$0")
exe32=$build/windows/tintlist.exe exe64=$build/windows64/tintlist.exe
sh "$tests/built_with.sh" "$source" "$build/windows" \
    -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-w64-i686.cmake" -- true || exit 1
if command -v x86_64-w64-mingw32-g++-win32 >/dev/null || command -v x86_64-w64-mingw32-g++ >/dev/null; then
    sh "$tests/built_with.sh" "$source" "$build/windows64" \
        -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-w64-x86_64.cmake" -- true || exit 1
fi
sh "$tests/windows_executable_test.sh" "$exe32" "$version" || exit 1
sh "$tests/windows_zip_test.sh" "$build/windows" "$version" || exit 1
export WINEPREFIX=$build/wine

export WINEDEBUG=-all
wine32=$(command -v wine || true)
wine64=/usr/lib/wine/wine64
[ -x "$wine64" ] || wine64=
for WINESERVER in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver32 "$(command -v wineserver)"; do
    [ -x "$WINESERVER" ] && break
done
export WINESERVER

work=$(mktemp -d)
# The server, and every wine process with it, ends with the suite, whatever
# way it ends, so that nothing holds on to ctest's pipes.
cleanup() {
    "$WINESERVER" -k >/dev/null 2>&1
    "$WINESERVER" -w >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

# Debian's wine has no preloader to hold the addresses that Windows needs
# before Linux lays out the process at random, so now and then a program
# cannot start ("failed to map the shared user data") and leaves nothing on
# its streams. Where this machine allows it, wine runs with that layout
# fixed instead: under $fixed, and in the suite through the --runner words
# kept in "$@".
if setarch -R true 2>/dev/null; then
    fixed="setarch -R"
    set -- --runner setarch --runner -R
else
    fixed=
    set --
fi

say() {
    echo "make check: $*" | tee "$report"
}

# One server for the whole suite, detached from our streams. It also leaves
# by itself a minute after the last wine process, should the trap not run.
mkdir -p "$WINEPREFIX"
"$WINESERVER" -p60 </dev/null >/dev/null 2>&1
# The prefix is made before the first listing, or wine's set-up messages
# would land in that listing's standard error.
boot=${wine64:-$wine32}
if ! timeout 300 $fixed "$boot" wineboot --init </dev/null >"$work/boot.log" 2>&1; then
    cat "$work/boot.log"
    say "FAILED to make a wine prefix in $WINEPREFIX"
    exit 1
fi

# The probe: the 32-bit program, asked for a database that is not there,
# must say so and end with status 1.
runs_32bit() {
    [ -n "$wine32" ] || return 1
    (cd "$work" && timeout 60 $fixed "$wine32" "$exe32" probe </dev/null >out 2>err)
    [ $? -eq 1 ] && grep -q 'unable to open rgb database "probe"' "$work/err"
}

case ${TINTLIST_WINE32-} in
yes) why="TINTLIST_WINE32=yes" ok=yes ;;
no) why="TINTLIST_WINE32=no" ok=no ;;
*)
    if runs_32bit; then
        why="this machine runs it" ok=yes
    else
        why="this machine cannot run 32-bit code under wine" ok=no
    fi
    ;;
esac

# Not exec: the trap must still end the server.
if [ $ok = yes ]; then
    say "Windows end-to-end suite: the 32-bit tintlist.exe under wine ($why)"
    "$suite" "$exe32" "$@" --runner "$wine32" --windows
    exit
fi
if [ -n "$wine64" ] && [ -f "$exe64" ]; then
    say "Windows end-to-end suite: the x86_64 build of tintlist.exe under wine64 ($why)"
    "$suite" "$exe64" "$@" --runner "$wine64" --windows
    exit
fi
if [ "${CI-}" = true ]; then
    say "FAILED: no Windows end-to-end suite could run ($why; no wine64 or x86_64 build)"
    exit 1
fi
say "skipped the Windows end-to-end suite ($why; no wine64 or x86_64 build)"
exit 77

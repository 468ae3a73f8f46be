#!/bin/sh
# SPDX-License-Identifier: MIT
# Source tarballs and releases that anyone can rebuild bit for bit.
#
# usage: release.sh dist FOLDER      FOLDER/tintlist-VERSION.tar.xz
#        release.sh distcheck        the tarball, unpacked without .git, passes
#                                    make check and a staged make install
#        release.sh release FOLDER   FOLDER: the tarball (from a clone), both
#                                    Debian packages, the Windows zip and
#                                    SHA256SUMS over them
#
# The tarball is git archive's of the last commit, under tintlist-VERSION/,
# with the modes 644 and 755 and the commit's time. The packages carry the
# release's time: SOURCE_DATE_EPOCH where it is set; else the last
# commit's; in an unpacked tarball, which is its own source and makes the
# packages alone, the time its files carry. Everything else that could
# differ between two runs is fixed here: the umask, the time zone, the
# locale and the flags of the environment.
set -eu
cd "$(dirname "$0")/.."
umask 022
export TZ=UTC LC_ALL=C
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS MAKEFLAGS MAKELEVEL
version=$(sed -n 's/^    VERSION \([0-9][0-9.]*\)$/\1/p' CMakeLists.txt)
name=tintlist-$version
if [ -z "${SOURCE_DATE_EPOCH-}" ]; then
    if [ -e .git ]; then
        SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
    else
        SOURCE_DATE_EPOCH=$(date -r CMakeLists.txt +%s)
    fi
fi
export SOURCE_DATE_EPOCH

dist() { # folder
    [ -e .git ] || { echo "release.sh: no git here to make the tarball from" >&2; exit 1; }
    mkdir -p "$1"
    if ! git diff --quiet HEAD; then
        echo "release.sh: warning: the tarball holds the last commit, not the changes since" >&2
    fi
    git -c tar.umask=022 archive --format=tar --prefix="$name/" HEAD | xz -9 -T1 >"$1/$name.tar.xz"
    echo "$1/$name.tar.xz"
}

distcheck() {
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    dist "$work" >/dev/null
    tar -xJf "$work/$name.tar.xz" -C "$work"
    [ ! -e "$work/$name/.git" ] || { echo "distcheck: the tarball holds .git"; exit 1; }
    make -C "$work/$name" check
    make -C "$work/$name" install DESTDIR="$work/stage" PREFIX=/usr/local >/dev/null
    [ -x "$work/stage/usr/local/bin/tintlist" ] || { echo "distcheck: nothing installed"; exit 1; }
    echo "distcheck: $name.tar.xz builds, passes its tests and installs"
}

# Packs the build in folder $1 with cpack into folder $2.
pack() {
    cpack --config "$1/CPackConfig.cmake" -B "$2" >/dev/null
}

release() { # folder
    work=build-release
    rm -rf "$1" "$work"
    mkdir -p "$1"
    out=$(cd "$1" && pwd)
    [ ! -e .git ] || dist "$out" >/dev/null
    cmake -S . -B "$work/deb" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
        -DTINTLIST_TESTS=OFF >/dev/null
    cmake --build "$work/deb" >/dev/null
    pack "$work/deb" "$work/packages"
    cmake -S . -B "$work/windows" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake >/dev/null
    cmake --build "$work/windows" >/dev/null
    pack "$work/windows" "$work/packages"
    cp "$work"/packages/*.deb "$out"

    # CPack's zip lists the files in the order the file system gives them;
    # the release lists them in name order, with the release's time and no
    # owner, so it is packed again.
    zip=$name-win32.zip
    mkdir "$work/zip"
    (cd "$work/zip" && cmake -E tar xf "../packages/$zip")
    (cd "$work/zip" && find . -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} + &&
        find "$name-win32" -type f | sort | zip -X -D -q -@ "$out/$zip")

    (cd "$out" && sha256sum -- $(ls *.tar.xz 2>/dev/null) *.deb *.zip >SHA256SUMS)
    echo "release: $(cd "$out" && echo *) in $out"
}

case ${1-} in
dist) dist "${2:-.}" ;;
distcheck) distcheck ;;
release) release "${2:-release}" ;;
*) echo "usage: release.sh dist [FOLDER] | distcheck | release [FOLDER]" >&2; exit 2 ;;
esac

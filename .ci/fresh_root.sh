#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A newcomer's first two commands on a fresh minimal Debian, made with
# debootstrap from Debian's archive: with only build-essential, cmake and
# git installed, `make run` lists the sample database; with libgtest-dev
# added, `make check` passes. Both run in a clean environment, without
# CI=true, on a clone of the commit checked out here. Run as root; the
# root is made anew each time and removed afterwards. Where the archive no
# longer serves the suite, it says so in one line and skips it.
# usage: fresh_root.sh SUITE (bookworm, bullseye, ...)
set -euo pipefail
suite=$1
repo=$(cd "$(dirname "$0")/.." && pwd)
root=$(mktemp -d /var/tmp/tintlist-fresh-root.XXXXXX)
chmod 755 "$root" # as a root folder is, so that apt's own user can use it
cleanup() {
    umount "$root/proc" 2>/dev/null || true
    rm -rf --one-file-system "$root" "$root.log"
}
trap cleanup EXIT

echo "fresh root: debootstrap --variant=minbase $suite"
if ! debootstrap --variant=minbase "$suite" "$root" >"$root.log" 2>&1; then
    if grep -q 'Failed getting release file' "$root.log"; then
        echo "fresh root: skipped $suite: the archive no longer serves it"
        exit 0
    fi
    cat "$root.log"
    exit 1
fi
mount -t proc proc "$root/proc"
git -C "$repo" bundle create -q "$root/tmp/tintlist.bundle" HEAD

# Runs a shell command in the root, as a newcomer's shell would; with
# --offline, with no network at all.
in_root() {
    local offline=
    [ "$1" = --offline ] && { offline="unshare --net"; shift; }
    env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive $offline chroot "$root" sh -ec "$1"
}
# Runs apt-get in the root, showing its messages only if it fails.
apt_get() {
    echo "fresh root: apt-get $*"
    in_root "apt-get -y -qq --no-install-recommends $*" >"$root.log" 2>&1 ||
        { cat "$root.log"; exit 1; }
}

cp "$repo/.ci/apt_update.sh" "$root/tmp/"
echo "fresh root: apt-get update"
in_root 'sh /tmp/apt_update.sh'
apt_get install build-essential cmake git
in_root 'echo "fresh root: $(cmake --version | head -n 1), $(g++ --version | head -n 1)"'
in_root 'git -c advice.detachedHead=false clone -q /tmp/tintlist.bundle ~/tintlist'
echo "fresh root: make run"
in_root 'cd ~/tintlist && make run'
# Offline, with no GoogleTest to be had, make check stops and says what to
# install.
echo "fresh root: make check, offline, without GoogleTest"
in_root --offline 'cd ~/tintlist && ! make check >/tmp/log 2>&1 && grep "install libgtest-dev" /tmp/log' ||
    { echo "fresh root: make check did not ask for libgtest-dev"; exit 1; }
apt_get install libgtest-dev
echo "fresh root: make check"
in_root 'cd ~/tintlist && make check'

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Two release builds of the commit checked out here, in two clones that
# differ in every way a rebuilder's machine may: the path, the umask, the
# time zone, the user (root, then nobody), the time of day (one runs after
# the other), and the order in which the file system lists a folder (the
# second clone is seen through disorderfs, which shuffles it, where FUSE
# works). Their SHA256SUMS must be the same byte for byte. Run as root.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /var/tmp/tintlist-reproducible.XXXXXX)
chmod 755 "$work"
cleanup() {
    fusermount -u "$work/view" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

git clone -q "$repo" "$work/first"
mkdir -p "$work/raw/a/longer/path" "$work/view"
git clone -q "$repo" "$work/raw/a/longer/path/second"
chown -R nobody: "$work/raw"
if disorderfs --shuffle-dirents=yes --multi-user=yes "$work/raw" "$work/view" >/dev/null 2>&1; then
    second=$work/view/a/longer/path/second
else
    echo "reproducible: no FUSE here; the second clone's folders are listed as stored"
    second=$work/raw/a/longer/path/second
fi

echo "reproducible: release as root, umask 022, TZ=UTC, in $work/first"
(cd "$work/first" && umask 022 && TZ=UTC make release >/dev/null)
echo "reproducible: release as nobody, umask 002, TZ=Pacific/Kiritimati, in $second"
runuser -u nobody -- env HOME="$work" sh -c \
    "cd '$second' && umask 002 && TZ=Pacific/Kiritimati make release >/dev/null"

cat "$work/first/release/SHA256SUMS"
if ! cmp "$work/first/release/SHA256SUMS" "$second/release/SHA256SUMS"; then
    diff "$work/first/release/SHA256SUMS" "$second/release/SHA256SUMS" || true
    echo "reproducible: the two releases differ"
    exit 1
fi
echo "reproducible: both releases are the same byte for byte"

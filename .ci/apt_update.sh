#!/bin/sh
# SPDX-License-Identifier: MIT
# apt-get update that rides out an archive mirror in sync: it tries up to
# three times, 30 seconds apart, and if an index still fails to arrive, it
# goes on with a one-line warning. The apt-get install that follows decides
# whether the indices that did arrive are enough.
# usage: apt_update.sh (as root)
log=$(mktemp)
for try in 1 2 3; do
    if apt-get update -qq >"$log" 2>&1; then
        rm -f "$log"
        exit 0
    fi
    [ "$try" = 3 ] || sleep 30
done
echo "warning: apt-get update failed 3 times; going on without the indices it could not get ($(grep -m1 '^E:' "$log"))" >&2
rm -f "$log"

#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs a test that needs programs beyond a compiler, CMake and make. Where
# one is missing, the test is skipped (status 77, which CTest is told), and
# the reason goes into REPORT for make check to name; under CI (CI=true) it
# fails instead. A|B names two programs of which either will do.
# usage: needs.sh REPORT WHAT PROGRAM... -- COMMAND [ARGUMENT...]
report=$1 what=$2
shift 2
missing=
while [ "$1" != -- ]; do
    found=
    for program in $(echo "$1" | tr '|' ' '); do
        command -v "$program" >/dev/null 2>&1 && found=yes
    done
    [ -n "$found" ] || missing="${missing:+$missing, }$(echo "$1" | sed 's/|/ or /g')"
    shift
done
shift
if [ -n "$missing" ]; then
    echo "make check: skipped $what (needs $missing)" | tee -a "$report"
    [ "${CI-}" = true ] && exit 1
    exit 77
fi
exec "$@"

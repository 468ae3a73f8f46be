#!/usr/bin/env bash
# Builds the Release binaries and measures tintlist beside the plain baseline
# loop and cat: wall time on a large generated database (median of paired
# runs, output to /dev/null), peak memory, and instructions at start-up size.
# Then checks the targets and exits 1 if one is missed.
#
# usage: bench/run.sh [--tiny]   (--tiny: a small database, one run, no targets)
set -euo pipefail
trap 'echo "bench/run.sh: failed at line $LINENO" >&2' ERR

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BENCH_BUILD:-$root/build-bench}
mkdir -p "$build" && build=$(cd "$build" && pwd) # the runs below change folder
lines=4000000 runs=9 check=yes
if [ "${1-}" = --tiny ]; then lines=5000 runs=1 check=no; fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTINTLIST_BENCH=ON \
    -DTINTLIST_TESTS=OFF ${BENCH_CMAKE_FLAGS-} >/dev/null
cmake --build "$build" --parallel >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/generate" 800 >"$work/small.txt"
"$build/bench/generate" "$lines" >"$work/big.txt"
cd "$work"

# Runs one of the three commands on a database base name, behind an optional
# wrapper command (a timer, valgrind).
commands="tintlist baseline cat"
run() { # command database [wrapper...]
    local command=$1 database=$2
    shift 2
    case $command in
    tintlist) "$@" "$build/tintlist" "$database" ;;
    baseline) "$@" "$build/bench/baseline" "$database" ;;
    cat) "$@" cat "$database.txt" ;;
    esac
}

# The listings must agree before their times mean anything.
run tintlist big >tintlist.out 2>tintlist.err
run baseline big >baseline.out 2>/dev/null
cmp -s tintlist.out baseline.out || { echo "tintlist and baseline list differently" >&2; exit 1; }

seconds() { # command database: wall seconds of one run
    local start=$EPOCHREALTIME
    run "$1" "$2" >/dev/null 2>&1
    echo "$EPOCHREALTIME - $start" | bc -l
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

for ((i = 0; i < runs; i++)); do
    for c in $commands; do seconds "$c" big >>"$c.times"; done
done

peak_kib() { run "$1" "$2" /usr/bin/time -f %M 2>&1 >/dev/null | tail -1; }
instructions() {
    run "$1" small valgrind --tool=callgrind --callgrind-out-file=/dev/null 2>&1 >/dev/null |
        sed -n 's/.*Collected : *//p'
}

bytes=$(stat -c %s big.txt)
mb=$(echo "$bytes / 1000000" | bc -l)
printf 'database: %d lines, %.1f MB; startup database: 800 lines, %d bytes; %d paired runs\n\n' \
    "$lines" "$mb" "$(stat -c %s small.txt)" "$runs"
printf '%-9s %10s %9s %14s %14s %14s %16s\n' command "median s" "MB/s" "x tintlist" \
    "peak KiB 800" "peak KiB big" "instr. at 800"

tintlist_median=$(median <tintlist.times)
for c in $commands; do
    m=$(median <"$c.times")
    small=$(peak_kib "$c" small) big=$(peak_kib "$c" big)
    ins=-
    [ "$c" = cat ] || ins=$(instructions "$c")
    printf '%-9s %10.4f %9.0f %14.2f %14s %14s %16s\n' "$c" "$m" "$(echo "$mb / $m" | bc -l)" \
        "$(echo "$m / $tintlist_median" | bc -l)" "$small" "$big" "$ins"
    eval "${c}_median=$m ${c}_small=$small ${c}_big=$big ${c}_ins='$ins'"
done

echo
"$build/bench/classify_benchmark" --benchmark_min_time=$([ $check = yes ] && echo 0.5 || echo 0.01) \
    2>/dev/null | grep -E '^(classify_line|sscanf_entry)|^Benchmark'

[ $check = yes ] || exit 0
echo
failed=0
target() { # description, condition
    if [ "$(echo "$2" | bc -l)" = 1 ]; then echo "met:    $1"; else echo "MISSED: $1"; failed=1; fi
}
target "baseline / tintlist >= 10 (is $(printf %.2f "$(echo "$baseline_median / $tintlist_median" | bc -l)"))" \
    "$baseline_median / $tintlist_median >= 10"
target "tintlist peak memory at most 4096 KiB (is $tintlist_big KiB)" \
    "$tintlist_big <= 4096 && $tintlist_small <= 4096"
target "tintlist peak memory alike at 800 lines and $lines (within 512 KiB)" \
    "$tintlist_big - $tintlist_small <= 512 && $tintlist_small - $tintlist_big <= 512"
target "tintlist start-up at most half the baseline's instructions ($tintlist_ins vs $baseline_ins)" \
    "$tintlist_ins * 2 <= $baseline_ins"
exit $failed

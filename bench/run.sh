#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Release binaries and measures tintlist beside the plain baseline
# loop, cat, and a client of the library's reader that only counts the lines
# of each outcome, on two generated databases of about 110 MB: one loose (as
# people write them) and one in the listing's own layout. Then the start-up
# on 800 lines beside /bin/true, peak memory, and the benchmarks of the
# classification and of the colour table. Checks the targets and exits 1 if
# one is missed.
#
# With REFERENCE set to a git revision, the command built from that revision
# is measured in the same runs, for the ratios of the two; its listings must
# be the same byte for byte.
#
# usage: [REFERENCE=rev] bench/run.sh [--tiny]
#        (--tiny: small databases, one run, no targets)
set -euo pipefail
trap 'echo "bench/run.sh: failed at line $LINENO" >&2' ERR

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BENCH_BUILD:-$root/build-bench}
mkdir -p "$build" && build=$(cd "$build" && pwd) # the runs below change folder
lines=4000000 runs=11 startup_runs=1500 check=yes
if [ "${1-}" = --tiny ]; then lines=5000 runs=1 startup_runs=10 check=no; fi

configure_and_build() { # source folder, build folder
    cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DTINTLIST_BENCH=ON -DTINTLIST_TESTS=OFF \
        ${BENCH_CMAKE_FLAGS-} >/dev/null
    cmake --build "$2" >/dev/null
}
configure_and_build "$root" "$build"
reference=${REFERENCE-}
if [ -n "$reference" ]; then
    rm -rf "$build/reference-source"
    mkdir -p "$build/reference-source"
    git -C "$root" archive "$reference" | tar -x -C "$build/reference-source"
    configure_and_build "$build/reference-source" "$build/reference"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/generate" "$lines" >"$work/loose.txt"
"$build/bench/generate" --listed "$lines" >"$work/listed.txt"
"$build/bench/generate" 800 >"$work/small.txt"
{ printf '1 2 3 '; head -c $((10 << 20)) /dev/zero | tr '\0' x; printf '\n'; } >"$work/long.txt"
cd "$work"

tintlist=$build/tintlist baseline=$build/bench/baseline counter=$build/bench/count_outcomes

# The listings must agree before their times mean anything.
for db in loose listed; do
    "$tintlist" $db >tintlist.out 2>/dev/null
    "$baseline" $db >baseline.out 2>/dev/null
    cmp -s tintlist.out baseline.out || { echo "tintlist and baseline list $db differently" >&2; exit 1; }
    if [ -n "$reference" ]; then
        "$build/reference/tintlist" $db >reference.out 2>/dev/null
        cmp -s tintlist.out reference.out ||
            { echo "tintlist and $reference list $db differently" >&2; exit 1; }
    fi
done
rm -f ./*.out

# Wall seconds of one run of a shell command line.
seconds() {
    local start=$EPOCHREALTIME
    eval "$1" >/dev/null 2>&1
    echo "$EPOCHREALTIME - $start" | bc -l
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# The commands run in turn, round after round, so that a slow spell of the
# machine falls on all of them alike.
commands=(tintlist baseline counter cat tintlist_pipe cat_pipe)
[ -n "$reference" ] && commands=(tintlist reference "${commands[@]:1}")
command_line() { # name database
    case $1 in
    tintlist) echo "'$tintlist' $2 >/dev/null" ;;
    reference) echo "'$build/reference/tintlist' $2 >/dev/null" ;;
    baseline) echo "'$baseline' $2 >/dev/null" ;;
    counter) echo "'$counter' $2 >/dev/null" ;;
    cat) echo "cat $2.txt >/dev/null" ;;
    tintlist_pipe) echo "'$tintlist' $2 | cat >/dev/null" ;;
    cat_pipe) echo "cat $2.txt | cat >/dev/null" ;;
    esac
}
for db in loose listed; do
    for ((i = 0; i < runs; i++)); do
        for c in "${commands[@]}"; do seconds "$(command_line $c $db)" >>"$db.$c.times"; done
        # tintlist and the reference go first in turn.
        [ -n "$reference" ] && commands=("${commands[1]}" "${commands[0]}" "${commands[@]:2}")
    done
done

# The ratio of the times of two commands on a database: the median of the
# ratios of their runs in each round, steadier than the ratio of their
# medians where the machine's speed drifts from round to round.
ratio() { # command, command, database
    paste "$3.$1.times" "$3.$2.times" | awk '{ print $1 / $2 }' | median | xargs printf %.2f
}
printf '%d paired runs; databases of %d lines\n\n' "$runs" "$lines"
printf '%-7s %7s %9s %8s %12s %11s %10s %10s' database MB "tintlist" "MB/s" "x baseline" "x cat" \
    "x cat pipe" "x counter"
[ -n "$reference" ] && printf ' %12s' "x reference"
echo
failed=0
declare -A result
for db in loose listed; do
    m_tintlist=$(median <"$db.tintlist.times")
    mb=$(echo "$(stat -c %s $db.txt) / 1000000" | bc -l)
    result[$db.baseline]=$(ratio baseline tintlist $db)
    result[$db.counter]=$(ratio tintlist counter $db)
    printf '%-7s %7.1f %8.3fs %8.0f %12s %11s %10s %10s' $db "$mb" "$m_tintlist" \
        "$(echo "$mb / $m_tintlist" | bc -l)" "${result[$db.baseline]}" \
        "$(ratio tintlist cat $db)" "$(ratio tintlist_pipe cat_pipe $db)" "${result[$db.counter]}"
    if [ -n "$reference" ]; then
        result[$db.reference]=$(ratio reference tintlist $db)
        printf ' %12s' "${result[$db.reference]}"
    fi
    echo
done
echo "(x baseline, x reference: their time over tintlist's; x cat, x counter: tintlist's time"
echo " over theirs; the counter reads with the library's reader and only counts each outcome)"

# Start-up on 800 lines: instructions and page faults of one run, and wall
# time beside /bin/true: the ratio of their median times over many runs,
# taken in turn. The instructions of an empty database and of /bin/true
# show how much of the count is the loader's and the C library's.
callgrind() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
        sed -n 's/.*Collected : *//p'
}
faults() { /usr/bin/time -f %R "$@" 2>&1 >/dev/null | tail -1; }
: >empty.txt
true_instructions=$(callgrind /bin/true)
true_faults=$(faults /bin/true)
echo
startup() { # name, command
    local instructions empty wall
    instructions=$(callgrind "$2" small)
    empty=$(callgrind "$2" empty)
    wall=$("$build/bench/interleave" $startup_runs "$2" small -- /bin/true | cut -d' ' -f3)
    printf '%s start-up on 800 lines: %d instructions, %d page faults (/bin/true: %d), wall %sx /bin/true\n' \
        "$1" "$instructions" "$(faults "$2" small)" "$true_faults" "$(printf %.3f "$wall")"
    printf '  instructions on an empty database: %d (/bin/true: %d); per line of the 800: %d\n' \
        "$empty" "$true_instructions" $(((instructions - empty) / 800))
    result[$1.instructions]=$instructions result[$1.wall]=$wall
}
startup tintlist "$tintlist"
[ -n "$reference" ] && startup reference "$build/reference/tintlist"

# Peak resident size varies by a few hundred KiB from run to run (where the
# system places things): the least of five runs is compared.
peak() {
    for i in 1 2 3 4 5; do /usr/bin/time -f %M "$tintlist" "$1" 2>&1 >/dev/null | tail -1; done |
        sort -n | head -1
}
peak_small=$(peak small) peak_big=$(peak loose) peak_long=$(peak long)
printf 'peak memory: %d KiB on 800 lines, %d KiB on %s lines, %d KiB on one 10 MB line\n' \
    "$peak_small" "$peak_big" "$lines" "$peak_long"


# The classification benchmarks. This machine's speed drifts by a half from
# one second to the next, so each runs five times, in turn with the
# reference's, and its least time a line is kept.
repeats=5 min_time=0.2
[ $check = yes ] || repeats=1 min_time=0.01
builds=("$build" ${reference:+"$build/reference"})
least() { sort -g "$1" | head -1; }
echo
# Each benchmark's time for one line or one call, in ns (Google Benchmark
# writes it with a prefix: 35.6ns, 14.1us).
in_ns() {
    sed -n 's/.*per_line=\([0-9.]*\)\([mun]*\)s.*/\1 \2/p' |
        awk '{ print $1 * ($2 == "u" ? 1e3 : $2 == "m" ? 1e6 : 1) }'
}
for name in classify_line classify_cut_line sscanf_entry find nearest; do
    for ((i = 0; i < repeats; i++)); do
        for b in "${builds[@]}"; do
            "$b/bench/classify_benchmark" --benchmark_min_time=$min_time \
                --benchmark_filter="^$name\$" 2>/dev/null | in_ns >>"$name.${b##*/}.ns"
        done
    done
    [ -s "$name.${build##*/}.ns" ] || continue
    result[$name]=$(least "$name.${build##*/}.ns")
    unit="a line"
    [ $name = find ] || [ $name = nearest ] && unit="a call on a table of 1000"
    printf '%-18s %9.2f ns %s' "$name" "${result[$name]}" "$unit"
    [ -s "$name.reference.ns" ] && printf ' (%s: %.2f)' "$reference" "$(least "$name.reference.ns")"
    echo
done

[ $check = yes ] || exit 0
echo
target() { # description, condition
    if [ "$(echo "$2" | bc -l)" = 1 ]; then echo "met:    $1"; else echo "MISSED: $1"; failed=1; fi
}
for db in loose listed; do
    target "$db: at least 15x the baseline (is ${result[$db.baseline]})" "${result[$db.baseline]} >= 15"
    target "$db: the counter at least as fast as tintlist (is ${result[$db.counter]}x)" \
        "${result[$db.counter]} >= 1"
    if [ -n "$reference" ]; then
        target "$db: at least 0.97x $reference (is ${result[$db.reference]})" \
            "${result[$db.reference]} >= 0.97"
    fi
done
target "start-up at most 320000 instructions (is ${result[tintlist.instructions]})" \
    "${result[tintlist.instructions]} <= 320000"
target "start-up wall time at most 1.10x /bin/true (is $(printf %.3f "${result[tintlist.wall]}"))" \
    "${result[tintlist.wall]} <= 1.10"
target "peak memory at most 4096 KiB (is $peak_small, $peak_big, $peak_long)" \
    "$peak_small <= 4096 && $peak_big <= 4096 && $peak_long <= 4096"
# Fixed memory: a large database fills the two buffers of 128 KiB that a
# small one touches only the start of, and takes no more than that, give or
# take the 128 KiB that peaks vary by.
target "peak memory on $lines lines and on a 10 MB line at most 384 KiB above 800 lines" \
    "$peak_big - $peak_small <= 384 && $peak_long - $peak_small <= 384"
if [ -n "${result[find]-}" ]; then
    target "find at most 200 ns a call (is ${result[find]})" "${result[find]} <= 200"
    target "nearest at most 50000 ns a call (is ${result[nearest]})" "${result[nearest]} <= 50000"
fi
exit $failed

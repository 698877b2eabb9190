#!/usr/bin/env bash
# Start-up of 1staddrclip against a bare Qt Widgets program that only shows a message box: the
# time from the start of the program until its box is mapped, on a private Xvfb display, over
# repeated runs taken in turns. The box is not answered; each program is ended once it shows.
#
#   bench/clip_startup.sh [BIN_DIR]
#
# BIN_DIR is a build's program folder (default: build/bench/bin, built without sanitizers:
#   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNW_TESTS=OFF
#   cmake --build build/bench).
# The bare program (clip_startup_bare.cpp) is compiled here with the build's own C++ compiler
# at -O2, the timer (clip_startup_timer.c) with cc. NW_BENCH_RUNS sets the runs per program
# (default 20).
# Aim: the median of 1staddrclip within 1.2 times the bare program's. Exit status 1 when missed.
set -u
src=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$src/build/bench/bin}
runs=${NW_BENCH_RUNS:-20}
[ -x "$bin/1staddrclip" ] || { echo "no 1staddrclip in $bin" >&2; exit 2; }

source "$src/tests/fixtures/xsession.sh"

cxx=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$bin/../CMakeCache.txt" 2>/dev/null)
[ -n "$cxx" ] || cxx=c++
# shellcheck disable=SC2046
"$cxx" -std=c++20 -O2 -fPIC -o "$NW_TMP/bare" "$src/bench/clip_startup_bare.cpp" \
    $(pkg-config --cflags --libs Qt6Widgets) || nw_fail "could not build the bare program"
cc -O2 -o "$NW_TMP/timer" "$src/bench/clip_startup_timer.c" -lxcb || nw_fail "could not build the timer"

# The tool in a program folder of its own.
app="$NW_TMP/app"
mkdir "$app"
cp "$bin/1staddrclip" "$bin/nw-clipholder" "$app/"

nw_start_x
measure() {  # measure PROGRAM FILE: appends one time in ms to FILE
    "$NW_TMP/timer" 1staddrclip 20000 "$1" >>"$2" 2>/dev/null || nw_fail "$1 showed no box"
}
# One unmeasured run of each, so that both start from a warm file cache.
measure "$app/1staddrclip" /dev/null
measure "$NW_TMP/bare" /dev/null
for _ in $(seq 1 "$runs"); do
    measure "$app/1staddrclip" "$NW_TMP/tool.ms"
    measure "$NW_TMP/bare" "$NW_TMP/bare.ms"
done

stats() {  # median mean min max of a file of numbers
    sort -n "$1" | awk '{v[NR]=$1; s+=$1} END {
        m = (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2
        printf "%8.1f %8.1f %8.1f %8.1f", m, s/NR, v[1], v[NR] }'
}
printf '%-12s %8s %8s %8s %8s   (ms from start until the box is mapped, %d runs each)\n' \
    program median mean min max "$runs"
printf '%-12s %s\n' 1staddrclip "$(stats "$NW_TMP/tool.ms")"
printf '%-12s %s\n' bare "$(stats "$NW_TMP/bare.ms")"
tool_median=$(stats "$NW_TMP/tool.ms" | awk '{print $1}')
bare_median=$(stats "$NW_TMP/bare.ms" | awk '{print $1}')
ratio=$(awk -v t="$tool_median" -v b="$bare_median" 'BEGIN {printf "%.2f", t / b}')
echo "ratio of medians: $ratio (aim: at most 1.20)"
awk -v r="$ratio" 'BEGIN {exit !(r <= 1.2)}' || { echo "aim missed"; exit 1; }

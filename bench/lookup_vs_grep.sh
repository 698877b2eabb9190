#!/usr/bin/env bash
# The address extraction against grep on the same bytes. For each page of lookup_bench: the
# extraction's time per call and the peak memory of its process (one process per case, simple
# and detailed mode), and grep's run time (hyperfine, a whole process) and peak memory.
#   bench/lookup_vs_grep.sh [BUILD_DIR]
# BUILD_DIR: a Release build configured with -DNW_BENCH=ON (default build/bench).
set -eu
build=${1:-build/bench}
bench="$build/bin/lookup_bench"
[ -x "$bench" ] || { echo "no $bench: configure with -DNW_BENCH=ON and build lookup_bench" >&2; exit 1; }
command -v hyperfine >/dev/null || { echo "hyperfine is needed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pattern='[0-9]{1,3}(\.[0-9]{1,3}){3}'

# Time (ms), throughput (MB/s) and peak RSS (MiB, and per page size) of one benchmark case.
ours() {
    "$bench" --benchmark_filter="^$1\$" --benchmark_format=json --benchmark_min_time=1 >"$work/ours.json" 2>/dev/null
    /usr/bin/python3 - "$work/ours.json" <<'EOF'
import json, sys
b = json.load(open(sys.argv[1]))["benchmarks"][0]
if b.get("error_occurred"):
    print("error: " + b.get("error_message", "")); sys.exit()
scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
print("%10.3f ms %8.0f MB/s  peak %6.1f MiB (%.2f x page)" % (
    b["real_time"] * scale, b["bytes_per_second"] / 1e6, b["peak_rss_MiB"], b["peak_per_page"]))
EOF
}

# Mean run time (ms) of grep -oE on a file in a locale, and its peak RSS (MiB).
grep_time() {
    hyperfine -N --warmup 1 --min-runs 5 --export-json "$work/grep.json" \
        "env LC_ALL=$1 grep -oE $pattern $2" >/dev/null 2>&1
    local peak
    peak=$( { /usr/bin/time -f %M env LC_ALL="$1" grep -oE "$pattern" "$2" >/dev/null; } 2>&1)
    /usr/bin/python3 - "$work/grep.json" "$peak" <<'EOF'
import json, sys
r = json.load(open(sys.argv[1]))["results"][0]
print("%10.3f ms (+-%.3f)  peak %6.1f MiB" % (r["mean"] * 1e3, r["stddev"] * 1e3, int(sys.argv[2]) / 1024))
EOF
}

for case in router_100k big_64m big_64m_ja; do
    page="$work/$case.html"
    "$bench" --write-page "$case" "$page"
    echo "== $case: $(stat -c %s "$page") bytes, $(tr -cd . <"$page" | wc -c) dots"
    echo "  extraction, simple mode:   $(ours "simpleMode/$case")"
    [ "$case" = big_64m_ja ] || echo "  extraction, detailed mode: $(ours "detailedMode/$case")"
    echo "  grep -oE, LC_ALL=C:        $(grep_time C "$page")"
    echo "  grep -oE, LC_ALL=C.UTF-8:  $(grep_time C.UTF-8 "$page")"
    rm -f "$page"
done
echo "(extraction: one call in a running process; grep: a whole process, start included)"

#!/usr/bin/env bash
# Runs a libFuzzer target for a bounded number of inputs, starting from the committed seeds;
# what it finds on the way goes to a temporary folder, never into the seeds.
#   run_fuzz.sh TARGET SEEDS RUNS [DICT]
set -u
target=$1 seeds=$2 runs=$3 dict=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
args=(-runs="$runs" -seed=1 -max_len=512 -timeout=10 -artifact_prefix="$work/")
[ -n "$dict" ] && args+=(-dict="$dict")
"$target" "${args[@]}" "$work/corpus" "$seeds" >"$work/log" 2>&1
status=$?
tail -n 40 "$work/log"
if [ "$status" != 0 ]; then
    for found in "$work"/crash-* "$work"/timeout-* "$work"/leak-* "$work"/oom-*; do
        [ -e "$found" ] && { echo "input $found:"; od -c "$found" | head -n 20; }
    done
    exit "$status"
fi
grep -q "Done $runs runs" "$work/log" || { echo "the fuzzer did not finish its runs"; exit 1; }

#!/usr/bin/env bash
# Runs the benchmarks of two builds alternately and prints, per benchmark, the median and the
# range of ns per sample per channel for each build, and the speedup of the medians.
#
#   scripts/bench-side-by-side.sh <reference bench> <new bench> [rounds] [filter] [cpu]
#
# Both executables are orvik_bench binaries (the reference one built at the commit to compare
# against, with bench/ChainCasesBench.cpp copied in). Runs are pinned to one CPU when a cpu is
# given (taskset). On a busy machine, more rounds give steadier medians.
set -euo pipefail

reference="${1:?reference bench}"
new="${2:?new bench}"
rounds="${3:-5}"
filter="${4:-BM_Chain}"
cpu="${5:-}"
pin=()
[ -n "$cpu" ] && pin=(taskset -c "$cpu")
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

for r in $(seq 1 "$rounds"); do
    for which in reference new; do
        bin="$reference"
        [ "$which" = new ] && bin="$new"
        "${pin[@]}" "$bin" --benchmark_filter="$filter" --benchmark_format=json 2>/dev/null \
            | python3 -c '
import json, sys
for b in json.load(sys.stdin)["benchmarks"]:
    for key in ("per_sample_per_channel", "time_per_channel_sample", "per_sample_channel"):
        if key in b:
            print(b["name"], b[key] * 1e9)
            break
' >> "$out/$which"
    done
done

python3 - "$out/reference" "$out/new" <<'EOF'
import sys, statistics
def load(path):
    d = {}
    for line in open(path):
        name, v = line.split()
        d.setdefault(name, []).append(float(v))
    return d
ref, new = load(sys.argv[1]), load(sys.argv[2])
print(f"{'benchmark (ns/sample/channel)':44} {'reference median [min-max]':>28} {'new median [min-max]':>26} {'speedup':>8}")
for name in ref:
    if name not in new:
        continue
    r, n = ref[name], new[name]
    mr, mn = statistics.median(r), statistics.median(n)
    print(f"{name:44} {mr:10.1f} [{min(r):6.1f}-{max(r):6.1f}]   {mn:10.1f} [{min(n):6.1f}-{max(n):6.1f}]  {mr / mn:7.2f}x")
EOF

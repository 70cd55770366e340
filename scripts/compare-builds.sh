#!/usr/bin/env bash
# Compares the output of two builds of the chain sample by sample: runs the same random
# sessions (bench/record/ChainRecorder.cpp: random parameter schedules, programs, state loads,
# re-preparations; drums, tones, silence gaps, negative zeros, denormal tails; mono and stereo,
# Analog on and off) through both and checks that every output sample and meter value is
# bit-identical. Not a test: a check to run before landing a change to the signal path.
#
#   scripts/compare-builds.sh <reference worktree> [sessions] [seconds per session] [first seed]
#
# The reference worktree (e.g. `git worktree add /tmp/ref <commit>`) gets this tree's recorder
# copied in and is built in its own build/ directory (configured if need be); this tree is built
# in build/ as well.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
reference="$(cd "${1:?reference worktree}" && pwd)"
sessions="${2:-20}"
seconds="${3:-120}"
first_seed="${4:-1}"
jobs="${ORVIK_COMPARE_JOBS:-2}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-/work}"

build_recorder() {
    local tree="$1"
    if [ "$tree" != "$here" ]; then
        mkdir -p "$tree/bench/record"
        cp "$here/bench/record/ChainRecorder.cpp" "$tree/bench/record/"
        grep -q orvik_record "$tree/bench/CMakeLists.txt" || cat >> "$tree/bench/CMakeLists.txt" <<'EOF'

add_executable(orvik_record record/ChainRecorder.cpp)
target_link_libraries(orvik_record PRIVATE orvik_core)
EOF
    fi
    if [ -f "$tree/build/CMakeCache.txt" ]; then
        cmake "$tree/build" >/dev/null
    else
        cmake -S "$tree" -B "$tree/build" -DCMAKE_BUILD_TYPE=Release -DORVIK_BUILD_PLUGIN=OFF \
            -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache >/dev/null
    fi
    cmake --build "$tree/build" -j"$(nproc)" --target orvik_record >/dev/null
}

build_recorder "$here"
build_recorder "$reference"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

run_one() {
    local seed="$1"
    local samples resting
    read -r samples resting < <("$here/build/bench/orvik_record" "$seed" "$seconds" "$work/new-$seed.raw")
    "$reference/build/bench/orvik_record" "$seed" "$seconds" "$work/ref-$seed.raw" >/dev/null
    if cmp -s "$work/new-$seed.raw" "$work/ref-$seed.raw"; then
        echo "seed $seed: $samples samples identical ($resting blocks at rest in silence)"
    else
        echo "seed $seed: DIFFERENT ($(cmp "$work/new-$seed.raw" "$work/ref-$seed.raw" | head -1))"
    fi
    rm -f "$work/new-$seed.raw" "$work/ref-$seed.raw"
}
export -f run_one
export here reference seconds work

seq "$first_seed" $((first_seed + sessions - 1)) | xargs -P "$jobs" -I{} bash -c 'run_one {}' | tee "$work/results"

total="$(awk '/identical/ { s += $3 } END { print s + 0 }' "$work/results")"
resting="$(awk '/identical/ { s += substr($6, 2) } END { print s + 0 }' "$work/results")"
different="$(grep -c DIFFERENT "$work/results" || true)"
echo "compared $total samples in $sessions sessions of ${seconds} s ($resting blocks written at rest); sessions with a difference: $different"
[ "$different" -eq 0 ]

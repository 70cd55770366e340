#!/usr/bin/env bash
# Configures and builds one configuration.
#   scripts/build.sh <build-dir> [extra cmake arguments...]
# ORVIK_TARGETS (space-separated) limits the build to those targets.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="${1:-$root/build}"
shift || true

jobs="$(nproc 2>/dev/null || echo 2)"

# Compile results are shared between configurations and checkouts when ccache is there; paths
# are hashed relative to the checkout, so another clone of the repository hits the same cache
# (also for the sanitizer builds, whose debug information then names the first checkout).
launcher=()
if command -v ccache >/dev/null 2>&1; then
    export CCACHE_BASEDIR="$root"
    export CCACHE_NOHASHDIR=1
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "$@"
if [ -n "${ORVIK_TARGETS:-}" ]; then
    # shellcheck disable=SC2086
    cmake --build "$build_dir" --parallel "$jobs" --target $ORVIK_TARGETS
else
    cmake --build "$build_dir" --parallel "$jobs"
fi

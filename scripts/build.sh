#!/usr/bin/env bash
# Configures and builds one configuration.
#   scripts/build.sh <build-dir> [extra cmake arguments...]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="${1:-$root/build}"
shift || true

jobs="$(nproc 2>/dev/null || echo 2)"

cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build "$build_dir" --parallel "$jobs"

#!/usr/bin/env bash
# Renders the editor in its typical states (stereo and mono, active and bypassed, the meter at
# -6 dB, the About card, host highlights) into PNG files in build/snapshots/, at 1x and 2x.
#   scripts/snapshots.sh [build-dir]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="${1:-$root/build}"

ORVIK_TARGETS="orvik_editor_snapshots" "$root/scripts/build.sh" "$build_dir"
"$build_dir/tests/orvik_editor_snapshots" "$build_dir/snapshots"

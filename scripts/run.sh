#!/usr/bin/env bash
# Sets up the machine, builds the plug-in and starts its Standalone window.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"

"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"

exec "$root/build/OrvikQ4_artefacts/Release/Standalone/Orvik Q4-300" "$@"

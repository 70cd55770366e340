#!/usr/bin/env bash
# Starts the Standalone app on a virtual display and checks it is still running (no crash,
# no early exit) after a few seconds.
#   standalone-smoke.sh <path to the Standalone executable>
set -u
app="$1"

xvfb-run -a -s "-screen 0 1280x800x24" timeout 6 "$app" > /dev/null 2>&1
status=$?

if [ "$status" -eq 124 ]; then
    echo "Standalone app ran until stopped"
    exit 0
fi

echo "Standalone app exited early with status $status"
exit 1

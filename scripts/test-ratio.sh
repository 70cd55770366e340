#!/usr/bin/env bash
# Prints the lines of the tests against the lines of the product code they test.
#   scripts/test-ratio.sh [source-tree]
# Product: dsp/, processor/, ui/ (C++ sources and headers). Tests: everything under tests/ that
# is code (C++, CMake, shell), without the fuzzer's seed files; also the effect and processor
# unit tests alone (the tests/*.cpp and *.h files that are not editor tests).
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

count() { if [ $# -gt 0 ]; then cat "$@" | wc -l; else echo 0; fi; }
mapfile -t product < <(find dsp processor ui -type f \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null | sort)
mapfile -t tests < <(find tests -path tests/fuzz/seeds -prune -o -path tests/mutations -prune -o -type f \
                          \( -name '*.cpp' -o -name '*.h' -o -name '*.sh' -o -name '*.txt' \) -print | sort)
mapfile -t editor < <(find ui -type f \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null | sort)
mapfile -t unit < <(find tests -maxdepth 1 -type f \( -name '*.cpp' -o -name '*.h' \) | sort | \
                    grep -v -E 'Widget|ControlRegistry|AboutToolbar|Panel|Editor|Resources|MessageLoop|Snapshot' || true)

p=$(count "${product[@]}"); t=$(count "${tests[@]}"); u=$(count "${unit[@]}"); e=$(count "${editor[@]}")
printf 'product code  %6d lines (dsp/, processor/: %d; ui/: %d)\n' "$p" $((p - e)) "$e"
printf 'tests         %6d lines (effect and processor unit tests: %d)\n' "$t" "$u"
awk -v t="$t" -v p="$p" -v u="$u" -v e="$e" 'BEGIN {
    printf "ratio         %6.2f (target 0.33 or less)\n", t / p
    printf "unit tests against dsp/ and processor/: %.2f\n", u / (p - e) }'

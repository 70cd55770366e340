#!/usr/bin/env bash
# Sets up the machine, builds everything and runs the whole test suite:
#   1. the Release build: unit tests, host integration tests (the built VST3 and VST 2.4
#      modules loaded through the framework's hosting) and the concurrency stress test;
#   2. a ThreadSanitizer build running the concurrency stress test;
#   3. a clang AddressSanitizer/UndefinedBehaviorSanitizer build running the saved-state
#      fuzzer for a bounded time.
# Exits non-zero when any test fails.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"
fuzz_seconds="${ORVIK_FUZZ_SECONDS:-60}"

"$root/scripts/setup.sh"

echo "==> Release build and tests"
"$root/scripts/build.sh" "$root/build"
ctest --test-dir "$root/build" --output-on-failure --parallel "$jobs"

echo "==> ThreadSanitizer build: concurrency stress test"
"$root/scripts/build.sh" "$root/build-tsan" -DORVIK_SANITIZER=thread \
    -DORVIK_BUILD_PLUGIN=OFF -DORVIK_BUILD_BENCHMARKS=OFF
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir "$root/build-tsan" --output-on-failure -L stress

echo "==> Fuzzing the saved-state reader for ${fuzz_seconds} s"
"$root/scripts/build.sh" "$root/build-fuzz" -DORVIK_SANITIZER=fuzz \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DORVIK_BUILD_PLUGIN=OFF -DORVIK_BUILD_BENCHMARKS=OFF -DORVIK_BUILD_TESTS=ON
mkdir -p "$root/build-fuzz/corpus"
"$root/build-fuzz/tests/orvik_state_fuzzer" -max_total_time="$fuzz_seconds" -max_len=65536 \
    "$root/build-fuzz/corpus" "$root/tests/fuzz/seeds"

echo "==> All tests passed"

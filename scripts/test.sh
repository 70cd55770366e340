#!/usr/bin/env bash
# Sets up the machine, builds everything and runs the whole test suite:
#   1. the Release build: unit tests, host integration tests (the built VST3 and VST 2.4
#      modules loaded through the framework's hosting) and the concurrency stress test;
#   2. a ThreadSanitizer build running the concurrency stress test;
#   3. a clang AddressSanitizer/UndefinedBehaviorSanitizer build running the unit tests and the
#      saved-state fuzzer for a bounded time;
#   4. an optimised build with the framework's and the plug-in's assertions on, running the unit,
#      host and stress tests (any assertion that fires fails its test).
# Exits non-zero when any test fails.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"
fuzz_seconds="${ORVIK_FUZZ_SECONDS:-60}"

"$root/scripts/setup.sh"

# Sanitizer runtimes need the classic address-space layout; some kernels randomise it too
# much for them, so sanitized programs run with randomisation switched off where possible.
no_aslr=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
    no_aslr=(setarch "$(uname -m)" -R)
fi

echo "==> Release build and tests"
"$root/scripts/build.sh" "$root/build"
ctest --test-dir "$root/build" --output-on-failure --parallel "$jobs"

echo "==> ThreadSanitizer build: concurrency stress test"
ORVIK_TARGETS="orvik_stress_tests" "$root/scripts/build.sh" "$root/build-tsan" -DORVIK_SANITIZER=thread \
    -DORVIK_BUILD_PLUGIN=OFF -DORVIK_BUILD_BENCHMARKS=OFF
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    "${no_aslr[@]}" ctest --test-dir "$root/build-tsan" --output-on-failure -L stress

echo "==> AddressSanitizer/UndefinedBehaviorSanitizer build: unit tests and fuzzing"
ORVIK_TARGETS="orvik_tests orvik_state_fuzzer" "$root/scripts/build.sh" "$root/build-fuzz" -DORVIK_SANITIZER=fuzz \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DORVIK_BUILD_PLUGIN=OFF -DORVIK_BUILD_BENCHMARKS=OFF
"${no_aslr[@]}" ctest --test-dir "$root/build-fuzz" --output-on-failure --parallel "$jobs" -L unit

echo "==> Fuzzing the saved-state reader for ${fuzz_seconds} s"
mkdir -p "$root/build-fuzz/corpus"
"${no_aslr[@]}" "$root/build-fuzz/tests/orvik_state_fuzzer" -max_total_time="$fuzz_seconds" \
    -max_len=65536 -timeout=30 -artifact_prefix="$root/build-fuzz/" \
    "$root/build-fuzz/corpus" "$root/tests/fuzz/seeds"

echo "==> Assertions on: unit, host and stress tests"
"$root/scripts/build.sh" "$root/build-assert" -DORVIK_ASSERTIONS=ON -DORVIK_BUILD_BENCHMARKS=OFF
ctest --test-dir "$root/build-assert" --output-on-failure --parallel "$jobs" -L "unit|host|stress"

echo "==> All tests passed"

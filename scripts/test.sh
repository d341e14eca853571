#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: in a plain build with the
# vector kernels, and under AddressSanitizer + UndefinedBehaviorSanitizer with the plain ones,
# so both kernel sets are tested on every run; then the threaded tests under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
ensure_packages $BUILD_PACKAGES $TEST_PACKAGES

jobs=$(nproc)
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"

echo "== Release build" >&2
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DPOLYEVOLVE_TESTS=ON -DPOLYEVOLVE_BENCH=ON \
    -DPOLYEVOLVE_SANITIZE=OFF >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure --no-tests=error -j"$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build, plain kernels" >&2
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOLYEVOLVE_SANITIZE=ON -DPOLYEVOLVE_NO_SIMD=ON \
    -DPOLYEVOLVE_TESTS=ON -DPOLYEVOLVE_BENCH=OFF >/dev/null
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure --no-tests=error -j"$jobs"

# The threaded evaluator under ThreadSanitizer: only the tests that run threads.
echo "== ThreadSanitizer build, threaded tests" >&2
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOLYEVOLVE_TSAN=ON \
    -DPOLYEVOLVE_TESTS=ON -DPOLYEVOLVE_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$jobs" --target polyevolve_tests
TSAN_OPTIONS="halt_on_error=1" ctest --test-dir build-tsan --output-on-failure --no-tests=error \
    -j"$jobs" -R 'Parallel\.|Search\.TheSameSeed|GoldenRun.*/Fast[24]Threads'

#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
#   scripts/test.sh          one Release build with the vector kernels: the command to run
#                            before every commit (a few minutes; the build is reused)
#   scripts/test.sh --full   also the benchmarks' build, SVGs checked in headless Chromium,
#                            every test again under AddressSanitizer + UndefinedBehaviorSanitizer
#                            with the plain kernels, and the threaded tests under ThreadSanitizer
#                            (what CI runs)
set -euo pipefail
cd "$(dirname "$0")/.."
full=0
case "${1:-}" in
    --full) full=1 ;;
    "") ;;
    *) echo "usage: scripts/test.sh [--full]" >&2; exit 2 ;;
esac
. scripts/deps.sh
ensure_packages $BUILD_PACKAGES $TEST_PACKAGES
[ "$full" -eq 1 ] && ensure_packages $FULL_PACKAGES

jobs=$(nproc)
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"

bench=OFF
[ "$full" -eq 1 ] && bench=ON
echo "== Release build" >&2
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DPOLYEVOLVE_TESTS=ON -DPOLYEVOLVE_BENCH=$bench \
    -DPOLYEVOLVE_SANITIZE=OFF >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure --no-tests=error -j"$jobs"
[ "$full" -eq 1 ] || exit 0

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
    -j"$jobs" -R 'Parallel\.|Threads\.|Search\.(TheSameSeed|TheWorkPool|VerticesAtTheEnds|ADrawingPutIn)|GoldenRun.*/Fast[24]Threads'

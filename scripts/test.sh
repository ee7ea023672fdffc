#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite headless (the quick benchmarks among it); then the
# same suite in a Debug build with AddressSanitizer and UndefinedBehaviorSanitizer in ./build-asan,
# where any sanitizer report fails its test; then every fuzzer of fuzz/ for 30 s.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
# The tests mostly wait on the line and on timers, and they pass eight at a time on two cores.
jobs=$(nproc)
[ "$jobs" -lt 8 ] && jobs=8
(cd build && ctest --output-on-failure -j"$jobs")

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKL_SANITIZE=ON
cmake --build build-asan -j"$(nproc)"
(cd build-asan && ctest --output-on-failure -j"$jobs")

scripts/fuzz.sh 30

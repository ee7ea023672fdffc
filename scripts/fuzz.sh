#!/usr/bin/env bash
# Builds the libFuzzer harnesses of fuzz/ with clang into ./build-fuzz and runs each one for the
# given number of seconds (default 30, as CI does; give more for a longer hunt) from its seed corpus
# in fuzz/corpus/<name>. Inputs that found new paths are kept in build-fuzz/corpus/<name>, findings
# (crash-*, leak-*, timeout-*, oom-*) land in build-fuzz/findings/<name>. Fails on any finding.
#
# Usage: scripts/fuzz.sh [seconds] [name...]    e.g. scripts/fuzz.sh 600 productlist workbook
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
[ $# -gt 0 ] && shift
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for source in fuzz/fuzz_*.cpp; do
        name=$(basename "$source" .cpp)
        names+=("${name#fuzz_}")
    done
fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKL_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$(nproc)"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for name in "${names[@]}"; do
    corpus=build-fuzz/corpus/$name
    findings=build-fuzz/findings/$name
    mkdir -p "$corpus" "$findings"
    echo "== fuzz_$name for $seconds s"
    if ! build-fuzz/fuzz/fuzz_"$name" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "fuzz/corpus/$name" \
        >"$findings/log.txt" 2>&1; then
        failed+=("$name")
        tail -n 60 "$findings/log.txt"
    else
        grep -E "^stat::number_of_executed_units|^Done" "$findings/log.txt" || true
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing found faults in: ${failed[*]} (inputs in build-fuzz/findings/)"
    exit 1
fi

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

# The harnesses of files a user can pick: the window reads or refuses any of them within 256 MB of
# growth. libFuzzer limits the whole process, not its growth, so the limit is the harness's own
# footprint plus those 256 MB. Measured with AddressSanitizer's quarantine kept at 16 MB, a file
# harness starts at 33-45 MB, ends a clean 30 s run at 48-105 MB and a 200 s one at up to 160 MB
# (its corpus and the allocator's caches): 128 MB is taken for that footprint; a hunt of many
# minutes may need more. One allocation beyond 256 MB is a finding by itself.
FILE_HARNESSES=" workbook sheetrows productlist profile factoryinfo intelhex "
FILE_FOOTPRINT_MB=128
FILE_GROWTH_MB=256

# Options of single harnesses. The workbook seeds whose sheets nest millions of elements deep pack
# to about 13 KB, beyond libFuzzer's default input length of 4096 bytes: the length is fixed here
# rather than left to libFuzzer's guess from whatever the corpus holds.
declare -A HARNESS_OPTIONS=(
    [workbook]="-max_len=16384"
)

failed=()
for name in "${names[@]}"; do
    corpus=build-fuzz/corpus/$name
    findings=build-fuzz/findings/$name
    mkdir -p "$corpus" "$findings"
    asan=$ASAN_OPTIONS
    limits=(-rss_limit_mb=2048)
    if [[ $FILE_HARNESSES == *" $name "* ]]; then
        asan=$ASAN_OPTIONS:quarantine_size_mb=16
        limits=(-rss_limit_mb=$((FILE_FOOTPRINT_MB + FILE_GROWTH_MB)) -malloc_limit_mb=$FILE_GROWTH_MB)
    fi
    read -ra options <<<"${HARNESS_OPTIONS[$name]:-}"
    echo "== fuzz_$name for $seconds s"
    if ! ASAN_OPTIONS=$asan build-fuzz/fuzz/fuzz_"$name" -max_total_time="$seconds" -timeout=20 "${limits[@]}" "${options[@]}" \
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

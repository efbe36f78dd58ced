#!/usr/bin/env bash
# Fuzzes the help reader: builds its libFuzzer target with clang, AddressSanitizer
# and UndefinedBehaviorSanitizer in build-fuzz/ and runs it for a while.
#   tools/fuzz.sh [seconds]   (default 60)
#   BUILD_DIR=dir             build in dir instead of build-fuzz/
# Starts from tests/fuzz/seeds (among them help files whose directory chunks
# link in a loop, made with tests/help/HostileHelp.h), the shipped Help.chm,
# the test help files and the damaged files of tests/help/regressions, these
# also with the standard header GUID so that the fuzzer gets past the header
# check. What it learns
# stays in <build dir>/fuzz-corpus; a finding is written to
# <build dir>/fuzz-findings/ and fails the run.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
tools/setup.sh
seconds="${1:-60}"
build_dir="${BUILD_DIR:-build-fuzz}"

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DLYROVAN_FUZZ=ON \
    -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build_dir" --target fuzz_help

seeds="$build_dir/fuzz-seeds"
rm -rf "$seeds"
mkdir -p "$seeds" "$build_dir/fuzz-corpus" "$build_dir/fuzz-findings"
cp tests/fuzz/seeds/* docs/Help.chm tests/help/data/*.chm tests/help/regressions/*.chm "$seeds/"
for file in tests/help/regressions/*.chm; do
    patched="$seeds/patched_$(basename "$file")"
    cp "$file" "$patched"
    printf '\021' | dd of="$patched" bs=1 seek=40 count=1 conv=notrunc 2>/dev/null
done

# -timeout: the reader gives up after 0.7 s and pages are bounded before Qt
# reads them, so 10 s (with the sanitizers' slowdown) means it hung.
"$build_dir/tests/fuzz/fuzz_help" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build_dir/fuzz-findings/" \
    "$build_dir/fuzz-corpus" "$seeds"

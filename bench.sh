#!/usr/bin/env bash
# Installs what is missing, builds Lyrovan in release mode and runs the benchmarks.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
tools/setup.sh
build_dir="${BUILD_DIR:-build-release}"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build_dir"
export QT_QPA_PLATFORM=offscreen
for bench in "$build_dir"/bench/bench_*; do
    [ -f "$bench" ] && [ -x "$bench" ] || continue
    echo "== $(basename "$bench")"
    "$bench"
done
# A chord change where the positions are chosen at run time.
echo "== bench_chordchange --tuning DADGAD"
"$build_dir/bench/bench_chordchange" --tuning DADGAD

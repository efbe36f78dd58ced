#!/usr/bin/env bash
# Installs what is missing, builds Lyrovan and runs the whole test suite.
#   LYROVAN_SANITIZE=1  build with AddressSanitizer and UndefinedBehaviorSanitizer
#   BUILD_DIR=dir       build in dir instead of build/ (build-asan/ when sanitizing)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
tools/setup.sh
sanitize="${LYROVAN_SANITIZE:-0}"
if [ "$sanitize" = 1 ]; then
    build_dir="${BUILD_DIR:-build-asan}"
    options=(-DLYROVAN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
else
    build_dir="${BUILD_DIR:-build}"
    options=()
fi
cmake -S . -B "$build_dir" -G Ninja "${options[@]}"
cmake --build "$build_dir"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build_dir" --output-on-failure

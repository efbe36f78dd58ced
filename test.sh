#!/usr/bin/env bash
# Installs what is missing, builds Lyrovan and runs the whole test suite.
#   LYROVAN_SANITIZE=1       build with AddressSanitizer and UndefinedBehaviorSanitizer
#   LYROVAN_SANITIZE=thread  build with ThreadSanitizer (clang)
#   BUILD_DIR=dir            build in dir instead of build/ (build-asan/ or
#                            build-tsan/ when sanitizing)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
tools/setup.sh
sanitize="${LYROVAN_SANITIZE:-0}"
if [ "$sanitize" = 1 ]; then
    build_dir="${BUILD_DIR:-build-asan}"
    options=(-DLYROVAN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
elif [ "$sanitize" = thread ]; then
    build_dir="${BUILD_DIR:-build-tsan}"
    options=(-DLYROVAN_TSAN=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++)
else
    build_dir="${BUILD_DIR:-build}"
    options=()
fi
cmake -S . -B "$build_dir" -G Ninja "${options[@]}"
cmake --build "$build_dir"
export QT_QPA_PLATFORM=offscreen
skip=()
if [ "$sanitize" = thread ]; then
    # ThreadSanitizer's run-time (clang 14) stops on an internal check when
    # Qt's QProcess starts a child; the tests that start other programs run
    # in the plain and the AddressSanitizer builds.
    skip=(-LE starts-programs)
fi
ctest --test-dir "$build_dir" --output-on-failure "${skip[@]}"

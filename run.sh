#!/usr/bin/env bash
# Installs what is missing, builds Lyrovan and starts it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
tools/setup.sh
build_dir="${BUILD_DIR:-build}"
cmake -S . -B "$build_dir" -G Ninja
cmake --build "$build_dir"
exec "$build_dir/bin/lyrovan" "$@"

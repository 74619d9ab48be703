#!/usr/bin/env bash
# Configures and builds into build/ (or $ZENTAR_BUILD_DIR). Extra arguments go to cmake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZENTAR_BUILD_DIR:-$root/build}
jobs=${ZENTAR_JOBS:-$(nproc)}
cmake -S "$root" -B "$build" -G Ninja "$@"
cmake --build "$build" -j "$jobs"

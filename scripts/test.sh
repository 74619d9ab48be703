#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZENTAR_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" -DZENTAR_WERROR=ON
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j "${ZENTAR_JOBS:-$(nproc)}" "$@"

#!/usr/bin/env bash
# Installs what is missing, builds, and starts the converter window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
exec "${ZENTAR_BUILD_DIR:-$root/build}/bin/zentar-converter" "$@"

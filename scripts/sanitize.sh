#!/usr/bin/env bash
# Builds and runs the test suites under a sanitizer, in a build directory of its own:
#   scripts/sanitize.sh address   every suite under AddressSanitizer + UBSan (build-asan/)
#   scripts/sanitize.sh thread    the threaded suites (platform, filters, engine) under
#                                 ThreadSanitizer (build-tsan/; no window, no benchmarks)
# Extra arguments go to ctest. Exits non-zero when a build step or a test fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:?usage: sanitize.sh address|thread [ctest args]}
shift
jobs=${ZENTAR_JOBS:-$(nproc)}
source "$root/scripts/sanitizers/env.sh"

case "$kind" in
address)
  build=${ZENTAR_ASAN_BUILD_DIR:-$root/build-asan}
  cmake -S "$root" -B "$build" -G Ninja -DZENTAR_WERROR=ON -DZENTAR_SANITIZE=address \
    -DZENTAR_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$build" -j "$jobs"
  select=()
  ;;
thread)
  build=${ZENTAR_TSAN_BUILD_DIR:-$root/build-tsan}
  cmake -S "$root" -B "$build" -G Ninja -DZENTAR_WERROR=ON -DZENTAR_SANITIZE=thread \
    -DZENTAR_BUILD_BENCH=OFF -DZENTAR_BUILD_GUI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
  # Only the suites of the threaded layers; the others stay unbuilt and are left out below.
  targets=(platform_base_tests platform_streaming_tests platform_media_tests
           platform_acm_tests filters_tests engine_tests)
  present=()
  for t in "${targets[@]}"; do
    ninja -C "$build" -t query "$t" >/dev/null 2>&1 && present+=("$t")
  done
  cmake --build "$build" -j "$jobs" --target "${present[@]}"
  select=(-E '_NOT_BUILT$')
  ;;
*)
  echo "sanitize.sh: unknown sanitizer '$kind' (address or thread)" >&2
  exit 2
  ;;
esac

export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j "$jobs" "${select[@]}" "$@"

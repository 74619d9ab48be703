#!/usr/bin/env bash
# Builds the libFuzzer targets with clang + AddressSanitizer/UBSan in build-fuzz/ and runs
# each for a bounded time on its seed corpus in fuzz/corpus/<name>/ (new inputs found go
# to a scratch copy, so the repository's corpus only changes by hand).
#   scripts/fuzz.sh [seconds per target, default 60] [target...]
# A crash leaves its input as build-fuzz/findings/<target>/crash-* and fails the script.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(ini_fuzz prx_fuzz input_fuzz)
build=${ZENTAR_FUZZ_BUILD_DIR:-$root/build-fuzz}
jobs=${ZENTAR_JOBS:-$(nproc)}
source "$root/scripts/sanitizers/env.sh"
# libFuzzer reports leaks itself per input; an exit-time leak in outside code is not ours.
export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link -DZENTAR_SANITIZE=address \
  -DZENTAR_BUILD_FUZZ=ON -DZENTAR_BUILD_TESTS=OFF -DZENTAR_BUILD_GUI=OFF \
  -DZENTAR_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

status=0
for t in "${targets[@]}"; do
  seeds="$root/fuzz/corpus/${t%_fuzz}"
  work="$build/corpus/$t"
  findings="$build/findings/$t"
  mkdir -p "$work" "$findings"
  cp -n "$seeds"/* "$work"/ 2>/dev/null || true
  echo "== $t: ${seconds}s from $(ls "$seeds" | wc -l) seeds"
  if ! (cd "$findings" && "$build/bin/$t" -max_total_time="$seconds" -timeout=20 \
          -rss_limit_mb=3072 -max_len=65536 -print_final_stats=1 \
          -artifact_prefix="$findings/" "$work" "$seeds" 2>&1 | tail -n 25); then
    status=1
  fi
  if compgen -G "$findings/crash-*" >/dev/null || compgen -G "$findings/timeout-*" >/dev/null ||
     compgen -G "$findings/oom-*" >/dev/null; then
    echo "== $t: findings in $findings" >&2
    status=1
  fi
done
exit $status

#!/usr/bin/env bash
# The batch on every core: eight copies of the generated 720x576 one-minute input (MPEG-2
# with MP2 sound) converted to "Microsoft Video 1"/"PCM" AVI by zentar-convert --batch with
# --jobs 1 and with --jobs 2, and the same eight conversions by the ffmpeg tool under GNU
# parallel with 2 jobs, one after the other in one run. Reports wall and CPU (user+sys) time
# of each, the throughput of --jobs 2 over --jobs 1 (target at least 1.8 on two processors)
# and the wall time of --jobs 2 over GNU parallel (target at most 1.0).
#
# Usage: bench/convert/batch.sh [BUILD_DIR] [MARKDOWN_FILE]
# Environment: BENCH_BATCH_SECONDS (default 60), BENCH_BATCH_INPUTS (default 8).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
BENCH_BUILD=$(cd "${1:-${ZENTAR_BUILD_DIR:-$root/build}}" && pwd)
markdown=${2:-}
seconds=${BENCH_BATCH_SECONDS:-60}
count=${BENCH_BATCH_INPUTS:-8}
source "$root/bench/convert/common.sh"
command -v parallel >/dev/null || { echo "GNU parallel is missing (scripts/install-deps.sh)" >&2; exit 2; }
convert="$BENCH_BUILD/bin/zentar-convert"
[[ -x "$convert" ]] || cmake --build "$BENCH_BUILD" --target zentar-convert
BENCH_CACHE="$BENCH_BUILD/bench-media"
BENCH_WORK=$(mktemp -d "$BENCH_BUILD/bench-work.XXXXXX")
trap 'rm -rf "$BENCH_WORK"' EXIT

source=$(bench_input "$seconds" 720x576 "$BENCH_CACHE")
mkdir -p "$BENCH_WORK/in"
for ((i = 1; i <= count; ++i)); do
    cp "$source" "$BENCH_WORK/in/input$i.mpg"
done
out="$BENCH_WORK/out"
loadBefore=$(cut -d' ' -f1-3 /proc/loadavg)

ours1=("$convert" "VideoCodec=Microsoft Video 1" AudioCodec=PCM --jobs 1 --batch "$BENCH_WORK/in" --output-dir "$out")
ours2=("$convert" "VideoCodec=Microsoft Video 1" AudioCodec=PCM --jobs 2 --batch "$BENCH_WORK/in" --output-dir "$out")
# shellcheck disable=SC2016
theirs=(parallel -j 2 ffmpeg -v error -nostdin -y -i {} -c:v msvideo1 -c:a pcm_s16le "$out/{/.}.avi" ::: "$BENCH_WORK"/in/*.mpg)

read -r w1 c1 m1 < <(bench_time_once "${ours1[@]}")
echo "--jobs 1: $w1 s wall, $c1 s CPU, $m1 kB peak"
rm -rf "$out"
read -r w2 c2 m2 < <(bench_time_once "${ours2[@]}")
echo "--jobs 2: $w2 s wall, $c2 s CPU, $m2 kB peak"
rm -rf "$out"
mkdir -p "$out"
read -r wp cp mp < <(bench_time_once "${theirs[@]}")
echo "GNU parallel: $wp s wall, $cp s CPU, $mp kB peak"
rm -rf "$out"
loadAfter=$(cut -d' ' -f1-3 /proc/loadavg)

section=$(awk -v n="$count" -v s="$seconds" -v w1="$w1" -v c1="$c1" -v w2="$w2" -v c2="$c2" \
    -v wp="$wp" -v cp="$cp" -v m1="$m1" -v m2="$m2" -v mp="$mp" -v lb="$loadBefore" -v la="$loadAfter" -v cpus="$(nproc)" 'BEGIN {
    printf "## Batch on every core\n\n"
    printf "%d copies of the %d-second 720x576 input to \"Microsoft Video 1\"/\"PCM\" AVI, each run once,\n", n, s
    printf "in one run on %d processors (load average %s before, %s after; the machine is shared,\n", cpus, lb, la
    printf "so the CPU times show how much of the processors the runs got).\n\n"
    printf "| run | wall | CPU (user+sys) | CPU / wall | peak memory of one process |\n|---|---|---|---|---|\n"
    printf "| zentar-convert --batch --jobs 1 | %.2f s | %.2f s | %.2f | %.1f MB |\n", w1, c1, c1 / w1, m1 / 1024
    printf "| zentar-convert --batch --jobs 2 | %.2f s | %.2f s | %.2f | %.1f MB |\n", w2, c2, c2 / w2, m2 / 1024
    printf "| GNU parallel -j 2, ffmpeg | %.2f s | %.2f s | %.2f | %.1f MB |\n\n", wp, cp, cp / wp, mp / 1024
    t = w1 / w2; r = w2 / wp
    printf "- throughput, --jobs 2 / --jobs 1: **%.2f** (target >= 1.8: %s)\n", t, (t >= 1.8 ? "met" : "MISSED")
    printf "- wall, --jobs 2 / GNU parallel with ffmpeg: **%.2f** (target <= 1.0: %s)\n", r, (r <= 1.0 ? "met" : "MISSED")
}')
BENCH_WORK=$BENCH_WORK BENCH_CACHE=$BENCH_CACHE BENCH_BUILD=$BENCH_BUILD
section+=$'\n'"- ours: \`$(bench_display "${ours2[@]}")\` (and with \`--jobs 1\`)"
section+=$'\n'"- GNU parallel: \`$(bench_display "${theirs[@]}")\`"
echo "$section"
[[ -z $markdown ]] || echo "$section" >"$markdown"

#!/usr/bin/env bash
# The batch on every core: eight copies of the generated 720x576 one-minute input (MPEG-2
# with MP2 sound) converted to "Microsoft Video 1"/"PCM" AVI by zentar-convert --batch with
# --jobs 1 and with --jobs 2, and the same eight conversions by the ffmpeg tool under GNU
# parallel with 2 jobs and with 1, one after the other, in rounds. Reports wall and CPU
# (user+sys) time of each command's best round, the throughput of --jobs 2 over --jobs 1
# (target at least 1.8 on two processors), the wall time of --jobs 2 over GNU parallel with
# 2 jobs (target at most 1.0), and the same throughput ratio for ffmpeg under GNU parallel:
# what two processors of this machine give a peer that shares nothing between its jobs.
#
# Usage: bench/convert/batch.sh [BUILD_DIR] [MARKDOWN_FILE]
# Environment: BENCH_BATCH_SECONDS (default 60), BENCH_BATCH_INPUTS (default 8),
# BENCH_BATCH_ROUNDS (default 2).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
BENCH_BUILD=$(cd "${1:-${ZENTAR_BUILD_DIR:-$root/build}}" && pwd)
markdown=${2:-}
seconds=${BENCH_BATCH_SECONDS:-60}
count=${BENCH_BATCH_INPUTS:-8}
rounds=${BENCH_BATCH_ROUNDS:-2}
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
theirs1=(parallel -j 1 "${theirs[@]:3}")

# Each round runs the four one after the other; the machine is shared, and its speed drifts
# over minutes, so each command's best round is compared (every round is listed too).
best() { # best "w c m" of the lines on standard input: the smallest wall time
    sort -n -k1,1 | head -n 1
}
rounds1=() rounds2=() roundsP=() roundsQ=()
for ((round = 1; round <= rounds; ++round)); do
    rounds1+=("$(bench_time_once "${ours1[@]}")")
    echo "round $round --jobs 1: ${rounds1[-1]}"
    rm -rf "$out"
    rounds2+=("$(bench_time_once "${ours2[@]}")")
    echo "round $round --jobs 2: ${rounds2[-1]}"
    rm -rf "$out"
    mkdir -p "$out"
    roundsP+=("$(bench_time_once "${theirs[@]}")")
    echo "round $round GNU parallel: ${roundsP[-1]}"
    rm -rf "$out"
    mkdir -p "$out"
    roundsQ+=("$(bench_time_once "${theirs1[@]}")")
    echo "round $round GNU parallel -j 1: ${roundsQ[-1]}"
    rm -rf "$out"
done
read -r w1 c1 m1 < <(printf '%s\n' "${rounds1[@]}" | best)
read -r w2 c2 m2 < <(printf '%s\n' "${rounds2[@]}" | best)
read -r wp cp mp < <(printf '%s\n' "${roundsP[@]}" | best)
read -r wq cq mq < <(printf '%s\n' "${roundsQ[@]}" | best)
walls() { local line text=""; for line in "$@"; do text+="${line%% *} s, "; done; echo "${text%, }"; }
loadAfter=$(cut -d' ' -f1-3 /proc/loadavg)

section=$(awk -v n="$count" -v s="$seconds" -v w1="$w1" -v c1="$c1" -v w2="$w2" -v c2="$c2" \
    -v wp="$wp" -v cp="$cp" -v wq="$wq" -v cq="$cq" -v mq="$mq" -v aq="$(walls "${roundsQ[@]}")" -v m1="$m1" -v m2="$m2" -v mp="$mp" -v lb="$loadBefore" -v la="$loadAfter" -v cpus="$(nproc)" \
    -v rounds="$rounds" -v a1="$(walls "${rounds1[@]}")" -v a2="$(walls "${rounds2[@]}")" -v ap="$(walls "${roundsP[@]}")" 'BEGIN {
    printf "## Batch on every core\n\n"
    printf "%d copies of the %d-second 720x576 input to \"Microsoft Video 1\"/\"PCM\" AVI, in %d rounds\n", n, s, rounds
    printf "of the four runs, in one run on %d processors (load average %s before, %s after; the\n", cpus, lb, la
    printf "machine is shared, so the CPU times show how much of the processors the runs got). Each\n"
    printf "row is the run'"'"'s best round; the last column lists every round'"'"'s wall time.\n\n"
    printf "| run | wall | CPU (user+sys) | CPU / wall | peak memory of one process | every round |\n|---|---|---|---|---|---|\n"
    printf "| zentar-convert --batch --jobs 1 | %.2f s | %.2f s | %.2f | %.1f MB | %s |\n", w1, c1, c1 / w1, m1 / 1024, a1
    printf "| zentar-convert --batch --jobs 2 | %.2f s | %.2f s | %.2f | %.1f MB | %s |\n", w2, c2, c2 / w2, m2 / 1024, a2
    printf "| GNU parallel -j 2, ffmpeg | %.2f s | %.2f s | %.2f | %.1f MB | %s |\n", wp, cp, cp / wp, mp / 1024, ap
    printf "| GNU parallel -j 1, ffmpeg | %.2f s | %.2f s | %.2f | %.1f MB | %s |\n\n", wq, cq, cq / wq, mq / 1024, aq
    t = w1 / w2; r = w2 / wp
    printf "- throughput, --jobs 2 / --jobs 1: **%.2f** (target >= 1.8: %s)\n", t, (t >= 1.8 ? "met" : "MISSED")
    printf "- wall, --jobs 2 / GNU parallel with ffmpeg: **%.2f** (target <= 1.0: %s)\n", r, (r <= 1.0 ? "met" : "MISSED")
    printf "- the same throughput for ffmpeg, GNU parallel -j 2 / -j 1: %.2f (what this machine gives a peer)\n", wq / wp
}')
BENCH_WORK=$BENCH_WORK BENCH_CACHE=$BENCH_CACHE BENCH_BUILD=$BENCH_BUILD
section+=$'\n'"- ours: \`$(bench_display "${ours2[@]}")\` (and with \`--jobs 1\`)"
section+=$'\n'"- GNU parallel: \`$(bench_display "${theirs[@]}")\` (and with \`-j 1\`)"
echo "$section"
[[ -z $markdown ]] || echo "$section" >"$markdown"

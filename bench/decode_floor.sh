#!/usr/bin/env bash
# Whole-process comparison of the decoding floor: a generated 720x576 25 fps MPEG-2 file of
# about a minute, decoded to BGR24 by our decoder source and by the ffmpeg tool, one after
# the other in the same run: through a filter graph (file source and a renderer that drops
# the frames) and from the decoder source alone. Prints the wall times and the ratios
# (ours / ffmpeg's).
# Usage: bench/decode_floor.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${ZENTAR_BUILD_DIR:-$root/build}}
tool="$build/bin/zentar-decode-floor"
[[ -x "$tool" ]] || cmake --build "$build" --target zentar-decode-floor
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
input="$work/floor.mpg"
ffmpeg -v error -nostdin -f lavfi -i "testsrc2=size=720x576:rate=25:duration=60" \
    -c:v mpeg2video -b:v 6M -g 12 -bf 2 -f vob -y "$input"

seconds() { date +%s.%N; }
t0=$(seconds)
ffmpeg -v error -nostdin -threads 0 -i "$input" -f rawvideo -pix_fmt bgr24 -y /dev/null
t1=$(seconds)
"$tool" "$input" >/dev/null
t2=$(seconds)
"$tool" --direct "$input" >/dev/null
t3=$(seconds)
awk -v a="$t0" -v b="$t1" -v c="$t2" -v d="$t3" 'BEGIN {
    ff = b - a; graph = c - b; direct = d - c;
    printf "ffmpeg: %.2f s  through the graph: %.2f s (ratio %.3f)  decoder alone: %.2f s (ratio %.3f)\n",
           ff, graph, graph / ff, direct, direct / ff }'

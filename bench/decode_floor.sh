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

# Wall and CPU seconds of one command (the machine may be shared: CPU time is steadier).
measure() {
    local TIMEFORMAT='%R %U %S'
    { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{ printf "%s %.2f\n", $1, $2 + $3 }'
}
read -r ffWall ffCpu < <(measure ffmpeg -v error -nostdin -threads 0 -i "$input" \
    -f rawvideo -pix_fmt bgr24 -y /dev/null)
read -r graphWall graphCpu < <(measure "$tool" "$input")
read -r directWall directCpu < <(measure "$tool" --direct "$input")
awk -v fw="$ffWall" -v fc="$ffCpu" -v gw="$graphWall" -v gc="$graphCpu" \
    -v dw="$directWall" -v dc="$directCpu" 'BEGIN {
    printf "ffmpeg:            %6.2f s wall %6.2f s CPU\n", fw, fc
    printf "through the graph: %6.2f s wall %6.2f s CPU  ratio %.3f wall, %.3f CPU\n", gw, gc, gw / fw, gc / fc
    printf "decoder alone:     %6.2f s wall %6.2f s CPU  ratio %.3f wall, %.3f CPU\n", dw, dc, dw / fw, dc / fc }'

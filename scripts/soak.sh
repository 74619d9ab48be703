#!/usr/bin/env bash
# Soak test: one long conversion in clip splitting mode 1 (a new numbered clip at every scene
# change), watching the converter's resident memory and open file descriptors from start to
# end. The input is generated: an 8-second piece of eight solid-colour scenes (a cut every
# second) with sound, repeated to the length asked for; 30 minutes give about 500 clips
# (flat colour changes are not all scene changes to the detector).
# Fails when the memory of the last tenth of the run exceeds that of the second tenth by
# more than 10% + 8 MB, or when more descriptors are open at the end than early on.
#   scripts/soak.sh [minutes, default 30] [BUILD_DIR]
# Takes about a fifth of the input's length on two idle cores (decode, detect, encode).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-30}
build=${2:-${ZENTAR_BUILD_DIR:-$root/build}}
tool="$build/bin/zentar-convert"
[[ -x "$tool" ]] || cmake --build "$build" --target zentar-convert
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

colours=(0xC81E1E 0x1EB428 0x283CD2 0xE6DC28 0x14C8D2 0xBE28BE 0xF08C14 0x787878)
inputs=()
for c in "${colours[@]}"; do inputs+=(-f lavfi -i "color=c=$c:s=320x240:r=25:d=1"); done
ffmpeg -v error -nostdin "${inputs[@]}" -f lavfi -i "sine=frequency=440:sample_rate=22050:d=8" \
  -filter_complex "[0][1][2][3][4][5][6][7]concat=n=8:v=1:a=0[v]" -map "[v]" -map 8:a \
  -c:v mpeg4 -q:v 5 -g 25 -c:a pcm_s16le -y "$work/piece.avi"
ffmpeg -v error -nostdin -stream_loop $((minutes * 15 / 2 - 1)) -i "$work/piece.avi" -c copy \
  -y "$work/long.avi"
mkdir "$work/clips"

start=$SECONDS
"$tool" "SrcFileName=$work/long.avi" "DstFileName=$work/clips/clip.avi" SceneDetection=1 \
  VideoCodec="Microsoft Video 1" >"$work/log" 2>&1 &
pid=$!
samples="$work/samples"
while kill -0 "$pid" 2>/dev/null; do
  rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
  fds=$(ls "/proc/$pid/fd" 2>/dev/null | wc -l || true)
  [[ -n "$rss" ]] && echo "$((SECONDS - start)) $rss $fds" >>"$samples"
  sleep 2
done
status=0
wait "$pid" || status=$?
elapsed=$((SECONDS - start))
clips=$(ls "$work/clips" | wc -l)
echo "input: $minutes min of 320x240 at 25 fps; run: $elapsed s, exit status $status, $clips clips"
[[ $status -eq 0 ]] || { cat "$work/log"; exit 1; }

awk -v n="$(wc -l <"$samples")" '
  { t[NR] = $1; r[NR] = $2; f[NR] = $3 }
  END {
    a = int(n / 10) + 1; b = int(n / 5); c = n - int(n / 10)
    for (i = a; i <= b; i++) { if (r[i] > early) early = r[i]; if (f[i] > earlyFd) earlyFd = f[i] }
    for (i = c; i <= n - 1; i++) { if (r[i] > late) late = r[i]; if (f[i] > lateFd) lateFd = f[i] }
    printf "samples %d; peak RSS early %d KB, late %d KB; descriptors early %d, late %d\n",
      n, early, late, earlyFd, lateFd
    if (late > early * 1.10 + 8192 || lateFd > earlyFd) { print "NOT FLAT"; exit 1 }
    print "flat"
  }' "$samples"

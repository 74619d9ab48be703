#!/usr/bin/env bash
# Whole conversions by zentar-convert against the ffmpeg tool doing the same job on the same
# generated file (720x576 25 fps MPEG-2 with stereo MP2 sound, one minute), measured side by
# side in one run: wall time, CPU time (user+sys) and peak resident memory from
# /usr/bin/time, each command run REPEAT times alternating with its counterpart and the best
# of each figure kept, since the machine is shared (the "Microsoft Video 1" encoding, by far
# the slowest, BENCH_REPEAT_SLOW times). Then the decoding floor through our reading graph,
# and the peak memory of a ten-second against a ten-minute conversion.
#
# Usage: bench/convert/compare.sh [BUILD_DIR] [RESULTS_FILE] [MARKDOWN_FILE]
#   BUILD_DIR      default $ZENTAR_BUILD_DIR or build/; the tools are built when missing
#   RESULTS_FILE   also write one tab-separated record per figure (bench/convert/markdown.sh
#                  formats them)
#   MARKDOWN_FILE  also write the markdown section for the performance report
# Environment: BENCH_REPEAT (default 3), BENCH_REPEAT_SLOW (default 2), BENCH_SECONDS
# (default 60), BENCH_MEMORY_SIZE (default 320x240: the frame size of the ten-second and
# ten-minute inputs), BENCH_MEMORY_LONG (default 600 seconds), BENCH_MEMORY_CODEC (default
# <Uncompressed>: the video compressor of the memory runs; the sound is PCM), BENCH_PARTS
# (default "convert mp4 memory": which of the parts to run; "mp4" is the H.264 + AAC MP4
# conversion against ffmpeg's libx264 and aac at the same quality, preset and fragmenting).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
BENCH_BUILD=$(cd "${1:-${ZENTAR_BUILD_DIR:-$root/build}}" && pwd)
results=${2:-}
markdown=${3:-}
repeat=${BENCH_REPEAT:-3}
repeatSlow=${BENCH_REPEAT_SLOW:-2}
seconds=${BENCH_SECONDS:-60}
memorySize=${BENCH_MEMORY_SIZE:-320x240}
memoryLong=${BENCH_MEMORY_LONG:-600}
memoryCodec=${BENCH_MEMORY_CODEC:-<Uncompressed>}
parts=${BENCH_PARTS:-convert mp4 memory}
source "$root/bench/convert/common.sh"

convert="$BENCH_BUILD/bin/zentar-convert"
floor="$BENCH_BUILD/bin/zentar-decode-floor"
[[ -x "$convert" && -x "$floor" ]] ||
    cmake --build "$BENCH_BUILD" --target zentar-convert zentar-decode-floor
BENCH_CACHE="$BENCH_BUILD/bench-media"
BENCH_WORK=$(mktemp -d "$BENCH_BUILD/bench-work.XXXXXX")
trap 'rm -rf "$BENCH_WORK"' EXIT
[[ -n $results ]] || results="$BENCH_WORK/results.tsv"
: >"$results"
printf 'machine\t%s\t%s\t%s\t%s\t%s\n' "$(date -u '+%Y-%m-%d %H:%M UTC')" \
    "$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)" "$(nproc)" \
    "$(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)" \
    "$(cut -d' ' -f1-3 /proc/loadavg)" >>"$results"
echo "$(nproc) processors, load average $(cut -d' ' -f1-3 /proc/loadavg)"

printf 'settings\tBENCH_REPEAT=%s BENCH_REPEAT_SLOW=%s BENCH_SECONDS=%s BENCH_MEMORY_SIZE=%s BENCH_MEMORY_LONG=%s BENCH_MEMORY_CODEC=%s\n' \
    "$repeat" "$repeatSlow" "$seconds" "$memorySize" "$memoryLong" "$memoryCodec" >>"$results"
ff=(ffmpeg -v error -nostdin -y)

# The best (smallest) of several "wall cpu kb" lines, figure by figure.
best_of() {
    awk 'NR == 1 || $1 < w { w = $1 } NR == 1 || $2 < c { c = $2 } NR == 1 || $3 < m { m = $3 }
         END { printf "%.2f %.2f %d\n", w, c, m }'
}

# compare LABEL TARGET OUTPUT TIMES -- REFERENCE COMMAND... -- OUR COMMAND...
# Runs both TIMES times, reference first, deleting OUTPUT (if not "-") after each run so
# that neither writes over a file the other left. Prints the figures and the ratios, and
# appends the record to the results file.
compare() {
    local label=$1 target=$2 output=$3 times=$4
    shift 5
    local ref=() ours=()
    while [[ $1 != -- ]]; do
        ref+=("$1")
        shift
    done
    shift
    ours=("$@")
    local refRuns="" ourRuns="" i
    for ((i = 0; i < times; ++i)); do
        refRuns+="$(bench_time_once "${ref[@]}")"$'\n'
        [[ $output == - ]] || rm -f "$output"
        ourRuns+="$(bench_time_once "${ours[@]}")"$'\n'
        [[ $output == - ]] || rm -f "$output"
    done
    local rw rc rm ow oc om
    read -r rw rc rm < <(printf '%s' "$refRuns" | best_of)
    read -r ow oc om < <(printf '%s' "$ourRuns" | best_of)
    awk -v l="$label" -v t="$target" -v rw="$rw" -v rc="$rc" -v rm="$rm" \
        -v ow="$ow" -v oc="$oc" -v om="$om" 'BEGIN {
        verdict = t == "-" ? "" : (ow / rw <= t ? "  (target " t ": met)" : "  (target " t ": MISSED)")
        printf "%s\n  ffmpeg %7.2f s wall %7.2f s CPU %7.1f MB | ours %7.2f s wall %7.2f s CPU %7.1f MB\n",
            l, rw, rc, rm / 1024, ow, oc, om / 1024
        printf "  ratio (ours / ffmpeg): %.2f wall, %.2f CPU%s\n", ow / rw, oc / rc, verdict }'
    echo "  ours:   $(bench_display "${ours[@]}")"
    echo "  ffmpeg: $(bench_display "${ref[@]}")"
    printf 'compare\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$label" "$target" "$times" \
        "$ow" "$oc" "$om" "$rw" "$rc" "$rm" "$(bench_display "${ours[@]}")" \
        "$(bench_display "${ref[@]}")" >>"$results"
}

out="$BENCH_WORK/out.avi"

run_conversions() {
    input=$(bench_input "$seconds" 720x576 "$BENCH_CACHE")
    printf 'input\t%s\t720x576\n' "$seconds" >>"$results"
    echo "input: $(bench_display "$input"); each figure the best of the runs shown"
    compare '"<Uncompressed>"/"PCM" AVI' 1.3 "$out" "$repeat" -- \
        "${ff[@]}" -i "$input" -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le "$out" -- \
        "$convert" "SrcFileName=$input" "DstFileName=$out" "VideoCodec=<Uncompressed>" AudioCodec=PCM
    compare '"Microsoft Video 1"/"PCM" AVI' 1.1 "$out" "$repeatSlow" -- \
        "${ff[@]}" -i "$input" -c:v msvideo1 -c:a pcm_s16le "$out" -- \
        "$convert" "SrcFileName=$input" "DstFileName=$out" "VideoCodec=Microsoft Video 1" AudioCodec=PCM
    cuts="$BENCH_WORK/cuts.flp"
    decodeFloor=("${ff[@]}" -i "$input" -f rawvideo -pix_fmt bgr24 /dev/null)
    compare 'Project file (SceneDetection=2) vs decoding floor' 1.2 "$cuts" "$repeat" -- \
        "${decodeFloor[@]}" -- \
        "$convert" "SrcFileName=$input" SceneDetection=2 "ClipsFileName=$cuts"
    compare 'Project file, adaptive detection with flash guard and fades, vs decoding floor' 1.1 \
        "$cuts" "$repeat" -- "${decodeFloor[@]}" -- \
        "$convert" "SrcFileName=$input" SceneDetection=2 "ClipsFileName=$cuts" \
        DetectionMethod=1 FlashGuard=3 DetectFades=1
    compare 'Decoding floor through our reading graph' - - "$repeat" -- \
        "${decodeFloor[@]}" -- "$floor" "$input"
    compare 'Decoding floor, our decoder source alone' - - "$repeat" -- \
        "${decodeFloor[@]}" -- "$floor" --direct "$input"
}

# MP4 with H.264 and AAC, as `DstFileName=x.mp4` writes it: x264 at its default preset with
# CRF 10 (the settings' default quality, 100), no B-frames, a key frame every 250 frames,
# AAC at its default rate, fragments at key frames and every second; ffmpeg is told the same.
run_mp4() {
    input=$(bench_input "$seconds" 720x576 "$BENCH_CACHE")
    grep -q '^input' "$results" || printf 'input\t%s\t720x576\n' "$seconds" >>"$results"
    local mp4="$BENCH_WORK/out.mp4"
    compare '"H.264 (x264)"/"AAC" MP4' 1.05 "$mp4" "$repeat" -- \
        "${ff[@]}" -i "$input" -c:v libx264 -preset medium -crf 10 -bf 0 -g 250 -pix_fmt yuv420p \
        -c:a aac -movflags frag_keyframe+empty_moov+default_base_moof -frag_duration 1000000 "$mp4" -- \
        "$convert" "SrcFileName=$input" "DstFileName=$mp4"
}

# Memory must not grow with the input: the same conversion of ten seconds and of ten
# minutes, once each (peak memory hardly varies between runs).
run_memory() {
    short=$(bench_input 10 "$memorySize" "$BENCH_CACHE")
    long=$(bench_input "$memoryLong" "$memorySize" "$BENCH_CACHE")
    shortCmd=("$convert" "SrcFileName=$short" "DstFileName=$out" "VideoCodec=$memoryCodec" AudioCodec=PCM)
    longCmd=("$convert" "SrcFileName=$long" "DstFileName=$out" "VideoCodec=$memoryCodec" AudioCodec=PCM)
    shortRun=$(bench_time_once "${shortCmd[@]}")
    rm -f "$out"
    longRun=$(bench_time_once "${longCmd[@]}")
    rm -f "$out"
    read -r sw sc skb <<<"$shortRun"
    read -r lw lc lkb <<<"$longRun"
    scmd=$(bench_display "${shortCmd[@]}")
    lcmd=$(bench_display "${longCmd[@]}")
    awk -v s="$skb" -v l="$lkb" -v n="$memorySize" -v codec="$memoryCodec" -v sw="$sw" -v lw="$lw" -v ls="$memoryLong" 'BEGIN {
        printf "Peak memory, %s \"%s\"/\"PCM\" conversion\n", n, codec
        printf "  10 s input %7.1f MB (%.2f s wall) | %d s input %7.1f MB (%.2f s wall)\n", s / 1024, sw, ls, l / 1024, lw
        printf "  ratio (long / short): %.3f  (target 1.10: %s)\n", l / s, l / s <= 1.1 ? "met" : "MISSED" }'
    printf 'memory\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$memorySize" "$memoryLong" "$memoryCodec" \
        "$sw" "$sc" "$skb" "$lw" "$lc" "$lkb" "$scmd" >>"$results"
    printf 'memorycmd\t%s\n' "$lcmd" >>"$results"
    echo "  short: $scmd"
    echo "  long:  $lcmd"
}

if [[ " $parts " == *" convert "* ]]; then
    run_conversions
fi
if [[ " $parts " == *" mp4 "* ]]; then
    run_mp4
fi
if [[ " $parts " == *" memory "* ]]; then
    run_memory
fi
printf 'load\t%s\n' "$(cut -d' ' -f1-3 /proc/loadavg)" >>"$results"
echo "load average at the end $(cut -d' ' -f1-3 /proc/loadavg)"
if [[ -n $markdown ]]; then
    "$root/bench/convert/markdown.sh" "$results" >"$markdown"
    echo "wrote $markdown"
fi

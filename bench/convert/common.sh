# shellcheck shell=bash
# Shared by the conversion benchmarks (sourced, not run): the cached generated inputs and
# the timing of one command with /usr/bin/time.

# The generated input of SECONDS seconds at SIZE (WxH): 25 fps MPEG-2 video (12-frame GOP,
# two B-frames, as on a DVD) with a 440 Hz stereo tone in MP2 at 48 kHz, in an MPEG-2
# program stream. Made once with the ffmpeg tool and cached under the build folder; the
# file name carries every parameter, so a changed generator never reuses a stale file.
# Prints the path.
bench_input() {
    local seconds=$1 size=$2 cache=$3
    local path="$cache/testsrc2-${size}-${seconds}s-q4-g12-bf2-mp2.mpg"
    if [[ ! -s "$path" ]]; then
        mkdir -p "$cache"
        echo "generating $path" >&2
        ffmpeg -v error -nostdin -y \
            -f lavfi -i "testsrc2=size=${size}:rate=25:duration=${seconds}" \
            -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=${seconds}" \
            -c:v mpeg2video -q:v 4 -g 12 -bf 2 -c:a mp2 -ac 2 -b:a 192k \
            -f vob "$path.part"
        mv "$path.part" "$path"
    fi
    echo "$path"
}

# Runs a command once under /usr/bin/time and prints "wall cpu peakKB" (seconds, user+sys
# seconds, kilobytes). The command's own output is discarded; a failing command ends the
# benchmark with its status and standard error, since its figures would mean nothing.
bench_time_once() {
    local timing errors
    timing=$(mktemp)
    errors=$(mktemp)
    if ! /usr/bin/time -f '%e %U %S %M' -o "$timing" "$@" >/dev/null 2>"$errors"; then
        echo "benchmark command failed: $*" >&2
        tail -n 5 "$errors" >&2
        tail -n 1 "$timing" >&2
        rm -f "$timing" "$errors"
        return 1
    fi
    awk 'END { printf "%.2f %.2f %d\n", $1, $2 + $3, $4 }' "$timing"
    rm -f "$timing" "$errors"
}

# The command as one line for the report: arguments quoted where the shell needs it, the
# scratch folder, the input cache and the build folder replaced by short names.
bench_display() {
    local text="" arg
    for arg in "$@"; do
        if [[ $arg =~ ^[A-Za-z0-9_./=:,+@%-]+$ ]]; then
            text+=" $arg"
        elif [[ $arg != *\'* ]]; then
            text+=" '$arg'"
        else
            text+=" $(printf '%q' "$arg")"
        fi
    done
    text=${text# }
    text=${text//"$BENCH_WORK"/\$WORK}
    text=${text//"$BENCH_CACHE"/\$MEDIA}
    text=${text//"$BENCH_BUILD"/\$BUILD}
    printf '%s' "$text"
}

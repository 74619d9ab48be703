#!/usr/bin/env bash
# Proves the Slurm array job on this machine: installs Debian's slurmctld, slurmd,
# slurm-client and munge when missing, starts a one-node cluster on localhost (a generated
# munge key, a minimal slurm.conf, everything in a temporary folder, loopback only),
# submits scripts/cluster/zentar-array.sbatch as a 2-task array over generated inputs,
# waits for it, merges the task reports, checks every output with ffprobe, and stops the
# daemons it started again. Needs root (or sudo) for the install and the daemons.
# Usage: scripts/cluster/slurm-selftest.sh [BUILD_DIR]   (default $ZENTAR_BUILD_DIR or build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-${ZENTAR_BUILD_DIR:-$root/build}}" && pwd)
export ZENTAR_CONVERT=$build/bin/zentar-convert
[[ -x $ZENTAR_CONVERT ]] || { echo "build zentar-convert first ($ZENTAR_CONVERT)" >&2; exit 2; }
started=$(date +%s)
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)

missing=()
for p in slurmctld slurmd slurm-client munge; do
    [[ $(dpkg-query -W -f='${Status}' "$p" 2>/dev/null) == "install ok installed" ]] || missing+=("$p")
done
if [[ ${#missing[@]} -gt 0 ]]; then
    echo "installing ${missing[*]}"
    "${sudo[@]}" apt-get update -q >/dev/null
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

work=$(mktemp -d /tmp/zentar-slurm.XXXXXX)
chmod 755 "$work"
pids=()
stop_all() {
    local pid i
    for pid in "${pids[@]}"; do
        "${sudo[@]}" kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        for i in $(seq 50); do
            "${sudo[@]}" kill -0 "$pid" 2>/dev/null || break
            sleep 0.2
        done
        "${sudo[@]}" kill -9 "$pid" 2>/dev/null || true
    done
    "${sudo[@]}" rm -rf "$work"
}
trap stop_all EXIT
trap 'exit 130' INT TERM

# Munge with a key of its own on a socket of its own.
mkdir -p "$work/munge" "$work/munge-key"
head -c 1024 /dev/urandom >"$work/munge-key/munge.key"
chmod 700 "$work/munge-key"
chmod 400 "$work/munge-key/munge.key"
"${sudo[@]}" munged --force --foreground --key-file="$work/munge-key/munge.key" \
    --socket="$work/munge/munge.socket" --pid-file="$work/munge/munged.pid" \
    --log-file="$work/munge/munged.log" --seed-file="$work/munge/munged.seed" \
    >>"$work/daemons.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [[ -S $work/munge/munge.socket ]] && break; sleep 0.1; done

cpus=$(nproc)
mkdir -p "$work/state" "$work/spool"
export SLURM_CONF=$work/slurm.conf
cat >"$SLURM_CONF" <<CONF
ClusterName=zentar-selftest
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=16817
SlurmdPort=16818
AuthType=auth/munge
AuthInfo=socket=$work/munge/munge.socket
CredType=cred/munge
SlurmUser=root
SlurmdUser=root
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
MpiDefault=none
MailProg=/bin/true
ReturnToService=2
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
JobCompType=jobcomp/none
AccountingStorageType=accounting_storage/none
JobAcctGatherType=jobacct_gather/none
NodeName=localhost NodeAddr=127.0.0.1 CPUs=$cpus State=UNKNOWN
PartitionName=selftest Nodes=localhost Default=YES MaxTime=INFINITE State=UP
CONF
"${sudo[@]}" env SLURM_CONF="$SLURM_CONF" slurmctld -D -i >>"$work/daemons.log" 2>&1 &
pids+=($!)
"${sudo[@]}" env SLURM_CONF="$SLURM_CONF" slurmd -D -N localhost >>"$work/daemons.log" 2>&1 &
pids+=($!)
ready=0
for _ in $(seq 150); do
    if sinfo -h -o '%t' 2>/dev/null | grep -Eq '^(idle|mix)'; then
        ready=1
        break
    fi
    sleep 0.2
done
if [[ $ready -eq 0 ]]; then
    echo "the one-node cluster did not come up; its logs:" >&2
    tail -n 40 "$work/daemons.log" >&2 || true
    exit 1
fi
sinfo

# Generated inputs: five short clips in a folder tree (two kinds of input).
in=$work/in
out=$work/out
mkdir -p "$in/tape2"
for i in 1 2 3; do
    ffmpeg -v error -nostdin -f lavfi -i "testsrc2=size=320x240:rate=25:duration=2" \
        -f lavfi -i "sine=frequency=$((300 + 100 * i)):duration=2" \
        -c:v mpeg2video -c:a mp2 -f vob "$in/clip$i.mpg"
done
for i in 4 5; do
    ffmpeg -v error -nostdin -f lavfi -i "testsrc2=size=320x240:rate=25:duration=2" \
        -f lavfi -i "sine=frequency=$((300 + 100 * i)):duration=2" \
        -c:v mpeg4 -c:a pcm_s16le "$in/tape2/clip$i.avi"
done
chmod -R a+rwX "$work"

cd "$work"
echo "submitting the array job"
"${sudo[@]}" env SLURM_CONF="$SLURM_CONF" ZENTAR_CONVERT="$ZENTAR_CONVERT" \
    sbatch --wait --array=0-1 --cpus-per-task=1 "$root/scripts/cluster/zentar-array.sbatch" \
    "$in" "$out" --jobs 1
"$root/scripts/cluster/zentar-array.sbatch" --merge "$in" "$out"
for log in "$work"/zentar-batch-*.out; do
    echo "--- ${log##*/}"
    cat "$log"
done

failures=0
while IFS= read -r input; do
    relative=${input#"$in"/}
    output=$out/${relative%.*}.avi
    frames=$(ffprobe -v error -count_frames -select_streams v:0 \
        -show_entries stream=nb_read_frames -of csv=p=0 "$output" 2>/dev/null || true)
    if [[ $frames == 50 ]]; then
        echo "ok      $output ($frames frames)"
    else
        echo "FAILED  $output (frames: ${frames:-unreadable})"
        failures=$((failures + 1))
    fi
done < <("$ZENTAR_CONVERT" --batch "$in" --output-dir "$out" --list-inputs)
echo "slurm self-test: $failures failures, $(($(date +%s) - started)) s"
[[ $failures -eq 0 ]]

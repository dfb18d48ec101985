#!/usr/bin/env bash
# `corvanectl wipe-free` against `dd if=/dev/zero bs=1M oflag=direct` filling the same ext4 image
# on a loop device: the peer writes one file until the disk is full, flushes it (`sync -f`) and
# removes it; wipe-free does the same with its own files (`--keep 0 --no-trim`, so both fill
# every free block and neither trims). Each side runs RUNS times, alternating, on the image made
# afresh each time; the medians of the wall times are compared. A run with the default margin
# and the trim is timed once after, for the record. Needs root (loop devices).
#
# Usage: bench/wipefree.sh [SCRATCH] [MEGABYTES]   (default /tmp/corvane-bench-wipefree, 2048)
# CORVANE_BIN_DIR names the built programs (default build/bin).
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${CORVANE_BIN_DIR:-build/bin}
SCRATCH=${1:-/tmp/corvane-bench-wipefree}
SIZE=${2:-2048}
RUNS=${RUNS:-5}
[ "$(id -u)" = 0 ] || { echo "bench/wipefree.sh needs root for its loop device" >&2; exit 1; }

mkdir -p "$SCRATCH/mnt"
image=$SCRATCH/disk.img mnt=$SCRATCH/mnt device=""
detach() {
    mountpoint -q "$mnt" && umount "$mnt"
    [ -n "$device" ] && losetup -d "$device"
    device=""
}
trap detach EXIT
fresh() {
    detach
    rm -f "$image"
    truncate -s "${SIZE}M" "$image"
    mkfs.ext4 -qF "$image"
    device=$(losetup -f --show "$image")
    mount "$device" "$mnt"
    sync
}

now() { date +%s%N; }
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

ours=() peer=()
for ((i = 0; i < RUNS; i++)); do
    fresh
    t0=$(now)
    dd if=/dev/zero of="$mnt/fill" bs=1M oflag=direct status=none 2>/dev/null || true
    sync -f "$mnt"
    rm "$mnt/fill"
    sync -f "$mnt"
    t1=$(now)
    peer+=($(((t1 - t0) / 1000)))

    fresh
    t0=$(now)
    "$BIN/corvanectl" wipe-free --keep 0 --no-trim "$mnt" >"$SCRATCH/out"
    t1=$(now)
    ours+=($(((t1 - t0) / 1000)))
done
o=$(printf '%s\n' "${ours[@]}" | median)
p=$(printf '%s\n' "${peer[@]}" | median)
head -n1 "$SCRATCH/out"
awk -v o="$o" -v p="$p" -v s="$SIZE" 'BEGIN {
    printf "wipe-free --keep 0 --no-trim: %.2f s   dd bs=1M oflag=direct + sync + rm: %.2f s   ratio %.3f   (%d MiB image)\n",
        o / 1e6, p / 1e6, o / p, s }'

fresh
t0=$(now)
"$BIN/corvanectl" wipe-free "$mnt" >"$SCRATCH/out"
t1=$(now)
awk -v t="$(((t1 - t0) / 1000))" 'BEGIN { printf "wipe-free (64 MiB margin, trimmed): %.2f s\n", t / 1e6 }'
sed 's/^/    /' "$SCRATCH/out"

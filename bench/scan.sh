#!/usr/bin/env bash
# `corvanectl scan` against its peer on the same world: counting the cookie folder's files with
# `find | wc -l` and the cache entries with `count(*)` in the sqlite3 shell. Each side runs
# RUNS times, alternating, and the medians of the wall times are compared.
#
# Usage: bench/scan.sh [PREFIX]   (a world made by `corvanectl seed demo ...`; default: the one
# bench/run-all.sh makes). CORVANE_BIN_DIR names the built programs (default build/bin).
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${CORVANE_BIN_DIR:-build/bin}
export CORVANE_PREFIX=${1:-${CORVANE_PREFIX:-/tmp/corvane-bench-world/world}}
RUNS=${RUNS:-31}

cookies=$("$BIN/corvanectl" world folder cookies)
cache="$CORVANE_PREFIX/urlcache.sqlite"
[ -d "$cookies" ] && [ -f "$cache" ] || { echo "no world at $CORVANE_PREFIX" >&2; exit 1; }

now() { date +%s%N; }
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

ours=() peer=()
for ((i = 0; i < RUNS; i++)); do
    t0=$(now)
    "$BIN/corvanectl" scan >/dev/null
    t1=$(now)
    find "$cookies" -maxdepth 1 -type f | wc -l >/dev/null
    sqlite3 "$cache" 'SELECT count(*) FROM entries' >/dev/null
    t2=$(now)
    ours+=($(((t1 - t0) / 1000)))
    peer+=($(((t2 - t1) / 1000)))
done
o=$(printf '%s\n' "${ours[@]}" | median)
p=$(printf '%s\n' "${peer[@]}" | median)
"$BIN/corvanectl" scan | grep -E 'Found: [0-9]' | tr '\n' ' '
echo
awk -v o="$o" -v p="$p" 'BEGIN {
    printf "corvanectl scan: %.1f ms   peer (find | wc -l + sqlite3 count(*)): %.1f ms   ratio %.2f\n",
        o / 1000, p / 1000, o / p }'

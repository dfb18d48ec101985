#!/usr/bin/env bash
# Builds the benchmarks, makes one big world and runs every benchmark on it, each printing its
# ratio against a peer measured in the same run:
#   corvanectl scan            against find | wc -l + a count(*) in the sqlite3 shell
#   one scan tick (CPU)        against the tick's own 200 ms beat (the real scanner window)
#   style-3 button paint       against a Qt push button render at the same size
#   history Refresh, 100k      against a raw SQLite scan of the same rows: the first Refresh (it
#                              opens the store) against a scan on a new connection, a repeated
#                              one against a scan on a connection kept open
#   start-up                   against a bare Qt widget program (under Xvfb, when present)
#   Windows path mapping       names in another case against names in their own, 10k-file folder
#   wipe                       against shred and eleven flushed dd passes
#   wipe-free                  against dd oflag=direct filling the same loop image (root only)
#   real browser profiles      against sqlite3, dd, rm and sync -f doing the same work; the
#                              watcher's latency from a browser's exit to the cleaned profile
#                              (profiles from CORVANE_BROWSER_PROFILES, else made by the real
#                              browsers with tests/browsers/make-profiles.sh when installed)
# Usage: bench/run-all.sh [SCRATCH]   (default /tmp/corvane-bench; the world is made afresh)
set -euo pipefail
cd "$(dirname "$0")/.."
SCRATCH=${1:-/tmp/corvane-bench}
BIN=${CORVANE_BIN_DIR:-build/bin}
export CORVANE_BIN_DIR=$BIN

cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target corvanectl corvane bench_scan_tick bench_button_paint bench_stores \
    bench_wipe bench_startup bench_bare_window bench_paths bench_browsers >/dev/null

rm -rf "$SCRATCH"
mkdir -p "$SCRATCH"
export CORVANE_PREFIX=$SCRATCH/world
export XDG_CONFIG_HOME=$SCRATCH/config XDG_DATA_HOME=$SCRATCH/data XDG_CACHE_HOME=$SCRATCH/cache
export HOME=$SCRATCH/home
mkdir -p "$HOME"
t0=$(date +%s%N)
"$BIN/corvanectl" seed demo --cookies 10000 --cache 50000 --history 10000
t1=$(date +%s%N)
echo "== world: seed demo --cookies 10000 --cache 50000 --history 10000 in $(((t1 - t0) / 1000000)) ms"

echo "== corvanectl scan"
bench/scan.sh "$CORVANE_PREFIX"

echo "== scan tick (real scanner window, offscreen)"
QT_QPA_PLATFORM=offscreen "$BIN/bench_scan_tick" "$CORVANE_PREFIX"

echo "== button paint"
QT_QPA_PLATFORM=offscreen "$BIN/bench_button_paint" --benchmark_filter='Peer|BM_PaintStyle/3$' \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

echo "== history Refresh"
CORVANE_BENCH_WORLD=$SCRATCH/stores "$BIN/bench_stores" --benchmark_filter='History'

if command -v Xvfb >/dev/null; then
    echo "== start-up (Xvfb)"
    bench/startup.sh
fi

echo "== Windows path mapping"
"$BIN/bench_paths" --benchmark_min_time=0.2

echo "== wipe"
"$BIN/bench_wipe" "$SCRATCH/wipe"

if [ "$(id -u)" = 0 ]; then
    echo "== wipe-free"
    bench/wipefree.sh "$SCRATCH/wipefree"
fi

profiles=${CORVANE_BROWSER_PROFILES:-$SCRATCH/browser-profiles}
if [ ! -f "$profiles/ready" ] && command -v firefox-esr >/dev/null && command -v chromium >/dev/null; then
    bash tests/browsers/make-profiles.sh "$profiles" >/dev/null
fi
if [ -f "$profiles/ready" ]; then
    echo "== real browser profiles"
    "$BIN/bench_browsers" "$profiles"
fi

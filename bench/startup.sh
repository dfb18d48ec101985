#!/usr/bin/env bash
# Runs bench_startup on a private Xvfb display, so no other window is mapped meanwhile. Uses the
# world in CORVANE_PREFIX (bench/run-all.sh sets one up); CORVANE_BIN_DIR names the programs.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${CORVANE_BIN_DIR:-build/bin}
for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
DISPLAY=":$n" "$BIN/bench_startup" "$BIN/corvane" "$BIN/bench_bare_window"

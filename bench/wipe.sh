#!/usr/bin/env bash
# Builds the wipe benchmark and runs it once in a scratch folder (default under /tmp):
# WipeFile against `shred -n 11 -u` and eleven flushed dd passes, on the same files.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target bench_wipe -j2 >/dev/null
exec build/bin/bench_wipe "${1:-/tmp/corvane-bench-wipe}"

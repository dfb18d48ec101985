#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for SECONDS (default 60)
# on a copy of its seed corpus, so the kept seeds in fuzz/corpus stay small. Exits non-zero when
# a target finds a fault; its reproducer is left in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
CC=clang CXX=clang++ cmake -S fuzz -B build-fuzz -G Ninja >/dev/null
cmake --build build-fuzz
mkdir -p build-fuzz/findings
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for target in regfile paths profiles; do
  mkdir -p "$work/$target"
  cp -r "fuzz/corpus/$target/." "$work/$target/"
  echo "== fuzz_$target for ${seconds}s"
  if ! TMPDIR="$work" ASAN_OPTIONS=detect_leaks=0 "build-fuzz/fuzz_$target" \
      -max_total_time="$seconds" -max_len=4096 -timeout=20 -print_final_stats=1 \
      -artifact_prefix="build-fuzz/findings/$target-" "$work/$target" 2>"$work/$target.log"; then
    tail -n 40 "$work/$target.log"
    echo "fuzz_$target found a fault; reproducer in build-fuzz/findings/"
    status=1
  else
    grep -E '^(stat::number_of_executed_units|#[0-9]+ +DONE)' "$work/$target.log" || true
  fi
done
exit "$status"

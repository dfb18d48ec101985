#!/usr/bin/env bash
# Sets up (installs and builds), then runs every test: the normal build, then the same tests
# built with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/, then each fuzz target
# for a minute where clang is installed. Every half runs even when an earlier one failed; the
# summaries are printed at the end and the exit status is non-zero when any half failed.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
bash scripts/setup.sh || exit 1
# shellcheck source=scripts/compiler-cache.sh
. scripts/compiler-cache.sh

declare -a summary=()
failed=0

# Runs one half of the tests; its result goes into the summary instead of ending the script.
run_half() {
  local name=$1
  shift
  if "$@"; then
    summary+=("$name: passed")
  else
    summary+=("$name: FAILED")
    failed=1
  fi
}

# shellcheck disable=SC2317  # the halves are called through run_half
normal_tests() {
  ctest --test-dir build --output-on-failure -j2 --timeout 300
}

# shellcheck disable=SC2317
sanitizer_tests() {
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON \
    -DCORVANE_BENCH=OFF "${cache_flags[@]}" >/dev/null &&
    cmake --build build-asan &&
    ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan --output-on-failure -j2 --timeout 600
}

run_half "normal tests" normal_tests
if [ "${CORVANE_SKIP_ASAN:-0}" != 1 ]; then
  run_half "sanitizer tests" sanitizer_tests
else
  summary+=("sanitizer tests: skipped (CORVANE_SKIP_ASAN=1)")
fi
if [ "${CORVANE_SKIP_FUZZ:-0}" != 1 ] && command -v clang++ >/dev/null; then
  run_half "fuzzing (60 s a target)" bash scripts/fuzz.sh "${CORVANE_FUZZ_SECONDS:-60}"
else
  summary+=("fuzzing: skipped (no clang++, or CORVANE_SKIP_FUZZ=1)")
fi

echo
echo "== Summary =="
printf '  %s\n' "${summary[@]}"
exit "$failed"

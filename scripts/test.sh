#!/usr/bin/env bash
# Sets up (installs and builds), then runs every test: the normal build, then the same tests
# built with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
ctest --test-dir build --output-on-failure -j2 --timeout 300
if [ "${CORVANE_SKIP_ASAN:-0}" != 1 ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON \
    -DCORVANE_BENCH=OFF >/dev/null
  cmake --build build-asan
  ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan --output-on-failure -j2 --timeout 600
fi

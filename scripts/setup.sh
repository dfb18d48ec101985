#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks and builds Corvane into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t pkgs < <(grep -v -E '^\s*(#|$)' scripts/packages.txt)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" = 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# shellcheck source=scripts/compiler-cache.sh
. scripts/compiler-cache.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${cache_flags[@]}" >/dev/null
cmake --build build

#!/usr/bin/env bash
# Sets up (installs and builds), then runs Corvane on your world (or the one in $CORVANE_PREFIX).
# Arguments are passed on: `bash scripts/run.sh -min` starts it hidden in the notification area.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
exec build/bin/corvane "$@"

#!/usr/bin/env bash
# Sets up (installs and builds), then runs Corvane on your world (or the one in $CORVANE_PREFIX).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
if [ -x build/bin/corvane ]; then
  exec build/bin/corvane "$@"
fi
# Until the windows exist, show the world at work from the command line.
ctl=build/bin/corvanectl
echo "World: $($ctl world init)"
$ctl world path 'C:\Documents and Settings'

#!/usr/bin/env bash
# Sets up (installs and builds), then runs Corvane on your world (or the one in $CORVANE_PREFIX).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
if [ -x build/bin/corvane ]; then
  exec build/bin/corvane "$@"
fi
# Until the windows exist, show the world at work from the command line, in a world of its own
# (a temporary prefix), so the demonstration never touches your traces.
demo=$(mktemp -d "${TMPDIR:-/tmp}/corvane-demo-XXXXXX")
trap 'rm -rf "$demo"' EXIT
# The desktop's own recent-documents list is emptied too: point it into the demo as well.
ctl() { XDG_DATA_HOME="$demo/data" build/bin/corvanectl --prefix "$demo/world" "$@"; }
echo "World: $(ctl world init)"
recent=$(ctl world path "C:\\Documents and Settings\\$(id -un)\\Recent")
echo "Recent documents folder: $recent"
touch "$recent/report.doc.lnk" "$recent/budget.xls.lnk"

echo
echo "== Importing assets/demo-traces.reg"
ctl reg import assets/demo-traces.reg
ctl reg query 'HKCU\Software\Microsoft\Internet Explorer\TypedURLs'
ls "$recent"

echo
echo "== Running the erasers: typed run find recent media paint"
for eraser in typed run find recent media paint; do
  ctl erase "$eraser"
done
echo "Recent documents left: $(ls -A "$recent" | wc -l)"

echo
echo "== What is left, exported as .reg text"
ctl reg export 'HKEY_CURRENT_USER\Software' | iconv -f UTF-16 -t UTF-8 | tr -d '\r'

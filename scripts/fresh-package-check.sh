#!/usr/bin/env bash
# Runs inside a fresh Debian 12 root (see check-package.sh --fresh), as root: installs the package
# as a user would, lets a new non-root user start Corvane from its desktop entry, make a world and
# scan it, then removes the package and checks that /usr is as it was before.
#
#   fresh-package-check.sh PACKAGE.deb
set -euo pipefail
deb=$1
fail() { echo "fresh-package-check: $*" >&2; exit 1; }
export DEBIAN_FRONTEND=noninteractive

apt-get update -qq
# The test's own tools (a display, clicks), installed before the snapshot so they are not taken
# for something the package left behind.
apt-get install -y -qq xvfb xauth xdotool >/dev/null
find /usr -xdev | sort >/root/usr-before

apt-get install -y -qq "$deb" >/dev/null || fail "apt-get could not install the package"
dpkg-query -W -f='${Status}\n' corvane | grep -q "install ok installed" || fail "not installed"
entry=/usr/share/applications/corvane.desktop
[ -f "$entry" ] || fail "no desktop entry"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -n "$exec_line" ] || fail "the desktop entry has no Exec line"
[ -f "/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "the entry's icon '$icon' is missing"

useradd --create-home --shell /bin/bash newuser
# The user's part: nothing of root's environment, a home of its own.
# shellcheck disable=SC2016 # the user's shell expands its own variables
runuser -u newuser -- env -i HOME=/home/newuser USER=newuser LOGNAME=newuser LANG=C.UTF-8 \
  PATH=/usr/local/bin:/usr/bin:/bin CORVANE_TIME_SCALE=8 EXEC_LINE="$exec_line" \
  bash -euo pipefail -c '
  fail() { echo "as newuser: $*" >&2; exit 1; }
  cd "$HOME"
  # Started as the desktop starts it: the Exec line of the entry, on a display of its own.
  xvfb-run -a sh -c "$EXEC_LINE & pid=\$!; sleep 6
    found=\$(xdotool search --name \"^Corvane\$\" || true)
    kill -0 \$pid || exit 3; kill \$pid; [ -n \"\$found\" ]" ||
    fail "Corvane did not open a window from its desktop entry"
  echo "as newuser: started from the desktop entry"
  prefix=$(corvanectl world init)
  [ "$prefix" = "$HOME/.local/share/corvane" ] || fail "world init printed $prefix"
  [ "$(stat -c %a "$prefix")" = 700 ] || fail "the world is not private: $(stat -c %a "$prefix")"
  corvanectl seed demo >/dev/null
  report=$(corvanectl scan)
  [ "$(head -1 <<<"$report" | sed "s/ *$//")" = "Scanning Complete By Corvane" ] ||
    fail "unexpected scan report: $report"
  grep -Eq "^Cookies Found: [1-9]" <<<"$report" || fail "the scan found no cookies: $report"
  corvanectl erase all
  grep -q "^Cookies Found: 0$" <<<"$(corvanectl scan)" || fail "cookies are left after erase all"
  echo "as newuser: world made, seeded, scanned and erased"
'

apt-get purge -y -qq corvane >/dev/null
apt-get autoremove --purge -y -qq >/dev/null
find /usr -xdev | sort >/root/usr-after
if ! diff /root/usr-before /root/usr-after >/root/usr-diff; then
  cat /root/usr-diff >&2
  fail "removing the package left /usr changed"
fi
echo "removed: /usr is as it was before the install"

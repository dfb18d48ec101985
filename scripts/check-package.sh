#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get as a user would, and checks that Corvane
# starts from its desktop entry. Run as root on a Debian 12 machine (it installs and removes the
# package). With --fresh it does the same inside a new Debian 12 root made with debootstrap, so
# only what the package declares is there.
set -euo pipefail
cd "$(dirname "$0")/.."
fresh=0
[ "${1:-}" = "--fresh" ] && fresh=1

bash scripts/setup.sh
rm -f build/corvane_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/corvane_*.deb)
echo "package: $deb"
dpkg-deb -f "$deb" Depends

check_inside() { # $1: command prefix that runs a shell in the target system
  local run=$1
  $run 'set -e
    test -x /usr/bin/corvane && test -x /usr/bin/corvanectl && test -x /usr/bin/corvane-gallery
    test -f /usr/share/applications/corvane.desktop
    test -f /usr/share/icons/hicolor/48x48/apps/corvane.png
    test -f /usr/share/icons/hicolor/scalable/apps/corvane.svg
    exec_line=$(sed -n "s/^Exec=//p" /usr/share/applications/corvane.desktop)
    home=$(mktemp -d); export HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config
    export CORVANE_TIME_SCALE=8
    corvanectl world init >/dev/null
    corvanectl seed demo >/dev/null
    test "$(corvanectl scan | head -1)" = "Scanning Complete By Corvane             "
    xvfb-run -a sh -c "$exec_line & pid=\$!; sleep 6; xdotool search --name \"^Corvane\$\" >/dev/null; kill -0 \$pid; kill \$pid"
    echo "started from the desktop entry: ok"'
}

if [ $fresh = 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
  check_inside "bash -c"
  echo "installed and started: ok"
  exit 0
fi

root=$(mktemp -d /tmp/corvane-fresh-XXXXXX)
trap 'umount -l "$root/proc" 2>/dev/null || true; rm -rf "$root"' EXIT
command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap >/dev/null
debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >/dev/null
mount -t proc proc "$root/proc"
cp "$deb" "$root/tmp/"
chroot "$root" bash -c "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /tmp/$(basename "$deb") xvfb xauth xdotool >/dev/null"
check_inside "chroot $root bash -c"
echo "installed on a fresh Debian 12 root and started: ok"

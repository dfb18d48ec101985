#!/usr/bin/env bash
# Builds the Debian package and checks it as Debian would: lintian reports no error, the programs
# are hardened and stripped, the dependencies are computed and versioned, the documents are there
# and the developers' tools are not. Runs on a Debian 12 machine; CI runs this part. The --fresh
# part needs root (it makes a root file system and enters it).
#
#   scripts/check-package.sh           build and check the package
#   scripts/check-package.sh --fresh   also install it on a new minimal Debian 12 root (made with
#                                      mmdebstrap, cached) as a new non-root user would: start it
#                                      from its desktop entry, make a world, scan, then remove it
#                                      and check that nothing of it is left in /usr
set -euo pipefail
cd "$(dirname "$0")/.."
fresh=0
case "${1:-}" in
  --fresh) fresh=1 ;;
  "") ;;
  *) echo "usage: $0 [--fresh]" >&2; exit 2 ;;
esac

fail() { echo "check-package: $*" >&2; exit 1; }

bash scripts/setup.sh
rm -f build/corvane_*.deb
(cd build && cpack -G DEB >/dev/null)
debs=(build/corvane_*.deb)
if [ ${#debs[@]} != 1 ] || [ ! -f "${debs[0]}" ]; then
  fail "expected one package, found: ${debs[*]}"
fi
deb=${debs[0]}
echo "package: $deb"

# lintian: any error fails; warnings and notes are shown for the reader.
lintian --fail-on error --display-info "$deb" || fail "lintian reports errors"
echo "lintian: no errors"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Version)" = 0.1.0-1 ] || fail "version is '$(field Version)', not 0.1.0-1"
depends=$(field Depends)
echo "Depends: $depends"
# Computed dependencies carry versions; the run-time ones no linker sees are named too.
for needed in 'libc6 (>= ' 'libstdc++6 (>= ' 'libqt6core6 (>= ' 'libqt6widgets6 (>= ' \
  'libsqlite3-0 (>= ' 'qt6-qpa-plugins' 'fonts-wine'; do
  [[ $depends == *"$needed"* ]] || fail "Depends lacks '$needed'"
done
maintainer=$(field Maintainer)
[[ $maintainer =~ ^[^\<\>]+\ \<[^@\<\>\ ]+@[^@\<\>\ ]+\>$ ]] || fail "malformed Maintainer: $maintainer"
[[ $maintainer != *.invalid\> ]] || fail "the Maintainer address cannot be reached: $maintainer"
long_lines=$(field Description | tail -n +2 | grep -c .) || true
[ "$long_lines" -ge 5 ] || fail "the long description has $long_lines lines"
[ -z "$(field Homepage)" ] || fail "Homepage set, but the project has none: $(field Homepage)"

contents=$(mktemp -d)
trap 'rm -rf "$contents"' EXIT
dpkg-deb -x "$deb" "$contents"
bash tests/package/installed-tree.sh "$contents/usr" >/dev/null
for program in corvane corvanectl; do
  info=$(file -b "$contents/usr/bin/$program")
  [[ $info == *", stripped"* ]] || fail "$program is not stripped: $info"
  # Debian 12's C start files carry no CET marks, so no program there has control-flow protection.
  hardening-check --nocfprotection "$contents/usr/bin/$program" || fail "$program is not hardened"
done
echo "package contents: ok"
[ $fresh = 1 ] || exit 0

# ---- A fresh Debian 12 root, as a new user meets the package --------------------------------
command -v mmdebstrap >/dev/null ||
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap >/dev/null
cache=${XDG_CACHE_HOME:-$HOME/.cache}/corvane-check-package
base=$cache/bookworm-minbase.tar
mkdir -p "$cache"
if [ ! -s "$base" ]; then
  echo "making a minimal Debian 12 root (once; cached in $cache)"
  mmdebstrap --variant=minbase bookworm "$base" \
    "deb http://deb.debian.org/debian bookworm main" \
    "deb http://deb.debian.org/debian bookworm-updates main" \
    "deb http://deb.debian.org/debian-security bookworm-security main" >"$cache/mmdebstrap.log" 2>&1 ||
    { rm -f "$base"; fail "mmdebstrap failed (see $cache/mmdebstrap.log)"; }
fi
root=$(mktemp -d /tmp/corvane-fresh.XXXXXX)
trap 'rm -rf "$contents" "$root"' EXIT
tar -C "$root" -xf "$base"
cp "$deb" "$root/root/corvane.deb"
cp scripts/fresh-package-check.sh "$root/root/"
# A private mount namespace: /proc, /dev and /tmp of the root vanish with it, whatever happens.
# shellcheck disable=SC2016 # the inner script expands its own arguments
unshare --mount --pid --fork --propagation private bash -c '
  r=$1
  mount -t proc proc "$r/proc"; mount --rbind /dev "$r/dev"
  mount -t tmpfs -o mode=1777 tmpfs "$r/tmp"
  cp /etc/resolv.conf "$r/etc/resolv.conf"
  exec chroot "$r" env -i HOME=/root LANG=C.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash /root/fresh-package-check.sh /root/corvane.deb' bash "$root" ||
  fail "the package failed on a fresh Debian 12 root"
echo "fresh Debian 12 root: installed, started from its desktop entry, used and removed cleanly"

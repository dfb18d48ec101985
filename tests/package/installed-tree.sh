#!/usr/bin/env bash
# Checks what an installation puts under PREFIX (a `cmake --install` tree or the unpacked Debian
# package): the programs, the desktop entry and icon, the compressed manual pages and the
# documents Debian requires, and no developers' tool.
#
#   installed-tree.sh PREFIX                  e.g. the unpacked package's usr
#   installed-tree.sh --install BUILD_DIR     install the build into a temporary folder first
set -euo pipefail
fail() { echo "installed-tree: $*" >&2; exit 1; }
if [ "$1" = --install ]; then
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  cmake --install "$2" --prefix "$scratch/usr" >/dev/null || fail "cmake --install failed"
  prefix=$scratch/usr
else
  prefix=$1
fi

for f in bin/corvane bin/corvanectl; do
  [ -x "$prefix/$f" ] || fail "missing program: $f"
done
for f in share/applications/corvane.desktop share/icons/hicolor/48x48/apps/corvane.png \
  share/icons/hicolor/scalable/apps/corvane.svg share/doc/corvane/copyright; do
  [ -f "$prefix/$f" ] || fail "missing: $f"
done
# Manual pages and changelogs are gzip files whose header carries no name and no time stamp, so
# the package is the same each time it is built.
for f in share/man/man1/corvane.1.gz share/man/man1/corvanectl.1.gz \
  share/doc/corvane/changelog.gz share/doc/corvane/changelog.Debian.gz; do
  [ -f "$prefix/$f" ] || fail "missing: $f"
  gzip -t "$prefix/$f" || fail "not a gzip file: $f"
  header=$(od -An -tx1 -N8 "$prefix/$f" | tr -d ' \n')
  [ "${header:6:10}" = 0000000000 ] || fail "$f records a name or a time stamp ($header)"
done
zcat "$prefix/share/doc/corvane/changelog.Debian.gz" | head -1 | grep -q '^corvane (0\.1\.0-1) ' ||
  fail "the Debian changelog does not start with this release"
head -1 "$prefix/share/doc/corvane/copyright" |
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "the copyright file is not in the machine-readable format"
found=$(find "$prefix" -name 'corvane-gallery*')
[ -z "$found" ] || fail "a developers' tool is installed: $found"
echo "installed tree: ok"

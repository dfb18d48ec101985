#!/usr/bin/env bash
# The manual pages render without a warning and keep up with the programs: every command and
# option corvanectl's own help lists has its entry in corvanectl(1), and every environment
# variable the programs read is described.
#
#   manpages.sh CORVANECTL SOURCE_DIR
set -euo pipefail
corvanectl=$1
src=$2
fail() { echo "manpages: $*" >&2; exit 1; }

for page in "$src"/docs/man/*.1; do
  warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

text=$(MANWIDTH=200 man -E UTF-8 -l "$src/docs/man/corvanectl.1" 2>/dev/null)
# Entry headings are the lines indented once: "       erase history|all|temp ...".
headings=$(sed -n 's/^       \([a-z].*\)$/\1/p' <<<"$text")
help=$("$corvanectl" --help 2>&1) || fail "corvanectl --help failed"
missing=()
while read -r group second _; do
  [[ $second =~ ^[a-z] ]] || second=""
  matched=0
  while read -r hgroup hsecond _; do
    [ "$hgroup" = "$group" ] || continue
    if [ -z "$second" ] || [[ "|$hsecond|" == *"|$second|"* ]]; then
      matched=1
      break
    fi
  done <<<"$headings"
  [ $matched = 1 ] || missing+=("$group${second:+ $second}")
  # A usage line is "  SYNTAX  description": the syntax ends at the first double space.
done < <(sed -n 's/^  \([a-z].*\)$/\1/p' <<<"$help" | sed 's/  .*//')
[ ${#missing[@]} = 0 ] || fail "commands not in corvanectl(1): ${missing[*]}"

while read -r option; do
  grep -q -- "$option" <<<"$text" || fail "option $option not in corvanectl(1)"
done < <(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u)

# Every variable a program reads by name has an entry of its own under ENVIRONMENT in one of the
# pages (the entry's tag, not a mention in another entry's text); the developers' gallery has no
# manual page.
described=$(for page in "$src"/docs/man/*.1; do
  MANWIDTH=200 man -E UTF-8 -l "$page" 2>/dev/null |
    awk '/^ENVIRONMENT$/ { on = 1; next } /^[A-Z]/ { on = 0 }
      on && /^       [^ ]/ { sub(/^ +/, ""); sub(/  .*/, ""); print }'
done)
while read -r name; do
  grep -qw "$name" <<<"$described" || fail "environment variable $name is not described"
done < <(grep -rhoE --exclude-dir=gallery '(getenv|EnvOr)\("[A-Z_]+"' "$src/src" |
  sed 's/.*("//; s/"$//' | sort -u)
echo "manual pages: ok"

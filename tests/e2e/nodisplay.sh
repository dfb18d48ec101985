#!/usr/bin/env bash
# Without a graphical session corvane says so in one line and fails, instead of Qt's abort:
# no display named at all, and a display that cannot be opened.
source "$(dirname "$0")/lib.sh"
e2e_begin nodisplay --no-tray

# Runs corvane with the given environment changes; checks it fails with exactly one clear line.
expect_one_line_failure() {
    local description=$1 rc lines
    shift
    env "$@" "$CORVANE_BIN_DIR/corvane" >"$E2E_DIR/out.txt" 2>"$E2E_DIR/err.txt"
    rc=$?
    lines=$(wc -l <"$E2E_DIR/err.txt")
    log "$description: exit $rc, said: $(cat "$E2E_DIR/err.txt")"
    [ "$rc" = 1 ] || fail "$description: exit status $rc, not 1"
    [ "$lines" = 1 ] || fail "$description: $lines lines on standard error, not one"
    grep -q '^corvane: no graphical session' "$E2E_DIR/err.txt" ||
        fail "$description: the line does not say what is missing"
    [ ! -s "$E2E_DIR/out.txt" ] || fail "$description: printed on standard output"
}

expect_one_line_failure "no display" -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM
expect_one_line_failure "empty display" DISPLAY= WAYLAND_DISPLAY= QT_QPA_PLATFORM=
expect_one_line_failure "a display that cannot be opened" -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    DISPLAY=:64999
expect_one_line_failure "a platform that cannot start" -u WAYLAND_DISPLAY DISPLAY=:64999 \
    QT_QPA_PLATFORM=xcb
log "passed"

#!/usr/bin/env bash
# Started with "-min": the eraser window stays hidden and the icon waits in the notification
# area; the tray menu's "Erase History" erases the history, a double click shows the window.
source "$(dirname "$0")/lib.sh"
e2e_begin tray

ctl seed demo >/dev/null || fail "corvanectl seed demo failed"
[ -n "$(ctl history list)" ] || fail "the seeded world has no history"

start_corvane -min
icon=$(wait_tray_icon) || exit 1
# The splash still loads the scanner window and shows it once its time is up; by then the
# eraser window's load has long finished.
wait_window "$SCANNER_SIZE" "the scanner window" >/dev/null || exit 1
window_gone "$ENGINE_SIZE" || fail "\"-min\" left the eraser window visible"

tray_menu_pick 1
wait_until "$E2E_TIMEOUT" "\"Erase History\" to empty the history store" \
    bash -c '[ -z "$("$0" history list)" ]' "$CORVANE_BIN_DIR/corvanectl"
window_gone "$ENGINE_SIZE" || fail "\"Erase History\" showed the eraser window"

click_at "$icon" 11 11 1 2
wait_window "$ENGINE_SIZE" "the eraser window after a double click on the icon" >/dev/null || exit 1
log "passed"

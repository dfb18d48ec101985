#!/usr/bin/env bash
# Started with "-min": no window appears and the icon waits in the notification area; the tray
# menu's "Erase History" erases the history, a double click shows the eraser window and the
# scanner window that the quiet start held back.
source "$(dirname "$0")/lib.sh"
e2e_begin tray

ctl seed demo >/dev/null || fail "corvanectl seed demo failed"
[ -n "$(ctl history list)" ] || fail "the seeded world has no history"

start_corvane -min
icon=$(wait_tray_icon) || exit 1
# The splash's whole time (eight seconds, one at this time scale) passes with nothing shown.
sleep 3
window_gone "$ENGINE_SIZE" || fail "\"-min\" left the eraser window visible"
window_gone "$SPLASH_SIZE" || fail "\"-min\" showed the splash"
window_gone "$SCANNER_SIZE" || fail "\"-min\" showed the scanner window"

tray_menu_pick 1
wait_until "$E2E_TIMEOUT" "\"Erase History\" to empty the history store" \
    bash -c '[ -z "$("$0" history list)" ]' "$CORVANE_BIN_DIR/corvanectl"
window_gone "$ENGINE_SIZE" || fail "\"Erase History\" showed the eraser window"

click_at "$icon" 11 11 1 2
wait_window "$ENGINE_SIZE" "the eraser window after a double click on the icon" >/dev/null || exit 1
wait_window "$SCANNER_SIZE" "the scanner window after the first opening from the icon" >/dev/null || exit 1
log "passed"

#!/usr/bin/env bash
# "Run at Windows startup": ticking the box writes the Run value and the desktop's autostart
# entry, unticking removes both; the entry, started as the desktop starts it at log-in, brings
# Corvane up hidden with its icon in the notification area.
source "$(dirname "$0")/lib.sh"
e2e_begin autostart

entry=$XDG_CONFIG_HOME/autostart/corvane.desktop
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
run_value_present() { ctl reg query "$run_key" Quenrel >/dev/null 2>&1; }

start_corvane
engine=$(wait_window "$ENGINE_SIZE" "the eraser window") || exit 1
# The scanner window comes up a moment later; clicks wait for it, so none lands on a window
# that is just appearing.
wait_window "$SCANNER_SIZE" "the scanner window" >/dev/null || exit 1
[ ! -e "$entry" ] || fail "an autostart entry exists before the box was ticked"
# The box at 92,246 in the window; its tick mark at the left.
click_at "$engine" 100 254
wait_until "$E2E_TIMEOUT" "the autostart entry $entry" test -f "$entry"
run_value_present || fail "ticking the box wrote no Run value \"Quenrel\""
click_at "$engine" 100 254
wait_until "$E2E_TIMEOUT" "the autostart entry to go" test ! -e "$entry"
! run_value_present || fail "unticking the box left the Run value \"Quenrel\""
click_at "$engine" 100 254
wait_until "$E2E_TIMEOUT" "the autostart entry again" test -f "$entry"
stop_process "$CORVANE_PID"
wait_window_gone "$ENGINE_SIZE" "the eraser window of the stopped program"
wait_until "$E2E_TIMEOUT" "the icon to leave with the program" tray_icon_absent

# The Exec line as the desktop reads it: the string escapes first, then the quoting rules of
# the entry format, which match the shell's double quotes; "%%" is a literal percent sign.
exec_line=$(sed -n 's/^Exec=//p' "$entry")
[ -n "$exec_line" ] || fail "the autostart entry has no Exec line"
exec_line=${exec_line//\\\\/\\}
exec_line=${exec_line//%%/%}
args=()
eval "args=($exec_line)" || fail "cannot parse the Exec line: $exec_line"
[ "${args[-1]}" = -min ] || fail "the autostart entry does not start with -min: $exec_line"
log "starting as the desktop would: ${args[*]}"
spawn "${args[@]}" >>"$E2E_DIR/corvane.log" 2>&1
wait_tray_icon >/dev/null || exit 1
# Started hidden, it shows nothing through the splash's whole time (one second at this scale).
sleep 3
window_gone "$ENGINE_SIZE" || fail "started from the autostart entry, the eraser window is visible"
window_gone "$SCANNER_SIZE" || fail "started from the autostart entry, the scanner window is visible"
window_gone "$SPLASH_SIZE" || fail "started from the autostart entry, the splash is visible"
log "passed"

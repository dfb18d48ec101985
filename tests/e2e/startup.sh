#!/usr/bin/env bash
# Start-up on a real X display, with or without a window manager (E2E_WM=openbox): the splash
# appears once, the eraser window sits above the scanner window without overlapping it (frames
# included), the report box is centred over the scanner window; "-min" on a desktop without a
# notification area starts the eraser window minimised.
source "$(dirname "$0")/lib.sh"
e2e_begin "startup${E2E_WM:+-$E2E_WM}" --no-tray

# 1. A normal start: splash, then both windows, one above the other.
start_corvane
wait_window "$SPLASH_SIZE" "the splash" >/dev/null || exit 1
engine=$(wait_window "$ENGINE_SIZE" "the eraser window") || exit 1
scanner=$(wait_window "$SCANNER_SIZE" "the scanner window") || exit 1
window_gone "$SPLASH_SIZE" || fail "the splash stays after the scanner window appeared"
# The eraser window's frame ends above the scanner window's frame.
expect_apart() {
    local engine_bottom scanner_top
    sleep 1 # the window manager settles the frames
    read -r _ _ _ engine_bottom <<<"$(frame_rect "$1")"
    read -r _ scanner_top _ _ <<<"$(frame_rect "$2")"
    log "eraser ends at y $engine_bottom, scanner begins at y $scanner_top"
    [ "$engine_bottom" -le "$scanner_top" ] ||
        fail "the eraser window (bottom $engine_bottom) overlaps the scanner (top $scanner_top)"
}
expect_apart "$engine" "$scanner"

# The report box of a scan is centred over the scanner window, not the screen: the window is
# moved away from the centre first.
xdotool windowmove "$scanner" 40 560
sleep 1
read -r sl scanner_top sr sb <<<"$(frame_rect "$scanner")"
click_at "$scanner" 256 164
wait_until "$E2E_TIMEOUT" "the message box \"Scanning Done\"" dialog_shown "Scanning Done"
box=$(dialog_with_title "Scanning Done" | head -n1)
read -r bl bt br bb <<<"$(frame_rect "$box")"
box_x=$(((bl + br) / 2)) box_y=$(((bt + bb) / 2))
scanner_x=$(((sl + sr) / 2)) scanner_y=$(((scanner_top + sb) / 2))
log "box $bl,$bt to $br,$bb, centre $box_x,$box_y; scanner $sl,$scanner_top to $sr,$sb"
((box_x - scanner_x <= 24 && scanner_x - box_x <= 24 && box_y - scanner_y <= 24 &&
    scanner_y - box_y <= 24)) || fail "the report box is not centred over the scanner window"
answer_box "Scanning Done"
stop_process "$CORVANE_PID"
wait_until "$E2E_TIMEOUT" "the windows to go" window_gone "$SCANNER_SIZE"

# 2. "-min" without a notification area: the eraser window starts minimised, not hidden and
# not in its normal state. Without a window manager nobody minimises, so the request itself
# (the iconic start state) is what can be seen.
eraser_exists() { [ -n "$(all_windows_of_size "$ENGINE_SIZE")" ]; }
iconic() { xprop -id "$1" WM_STATE | grep -q 'window state: Iconic'; }
start_corvane -min
wait_until "$E2E_TIMEOUT" "the eraser window to exist" eraser_exists
engine=$(all_windows_of_size "$ENGINE_SIZE" | head -n1)
xprop -id "$engine" WM_HINTS | grep -q 'Initial state is Iconic' ||
    fail "the eraser window did not ask to start minimised"
if [ -n "${E2E_WM:-}" ]; then
    wait_until "$E2E_TIMEOUT" "the window manager to minimise the eraser window" iconic "$engine"
    # The splash's whole time passes, and the scanner window comes, with the eraser minimised.
    scanner=$(wait_window "$SCANNER_SIZE" "the scanner window") || exit 1
    iconic "$engine" || fail "the eraser window left its minimised state"
    # Restored, it sits above the scanner window as at a normal start.
    xdotool windowactivate "$engine" 2>/dev/null || xdotool windowmap "$engine"
    restored() { ! iconic "$engine"; }
    wait_until "$E2E_TIMEOUT" "the eraser window to be restored" restored
    expect_apart "$engine" "$scanner"
fi
stop_process "$CORVANE_PID"

# 3. The classic look and the boxes' placement and icons, checked from inside the program's own
# test binary, here on the real display.
if [ -x "$CORVANE_BIN_DIR/corvane_tests" ]; then
    QT_QPA_PLATFORM=xcb "$CORVANE_BIN_DIR/corvane_tests" --gtest_filter='ClassicLook.*' \
        >"$E2E_DIR/classic.log" 2>&1 || {
        sed 's/^/    /' "$E2E_DIR/classic.log" >&2
        fail "the classic look's tests failed on the real display"
    }
fi
log "passed"

#!/usr/bin/env bash
# Makes current screenshots of every window of the real program on a seeded demo world, under a
# private X display with a notification area: the splash, the scanner window's four pages, the
# eraser window at rest, the tray menu and the question about a browser profile. Each picture is
# cropped to its window and written to docs/screenshots/. Needs a build (build/bin, or
# CORVANE_BIN_DIR) and the e2e tools.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
out=$PWD/docs/screenshots
# The splash stays four seconds: long enough to find it on a loaded machine.
export CORVANE_TIME_SCALE=${CORVANE_TIME_SCALE:-2}
source tests/e2e/lib.sh
e2e_begin screenshots
mkdir -p "$out"

ctl seed demo >/dev/null || fail "corvanectl seed demo failed"
# Keep the pointer off the windows, so no button shows its hover look.
xdotool mousemove 0 0

shot() {
    import -window "$1" "$out/$2.png" || fail "cannot capture $2"
    log "wrote docs/screenshots/$2.png"
}

start_corvane
splash=$(wait_window "$SPLASH_SIZE" "the splash") || exit 1
shot "$splash" splash
scanner=$(wait_window "$SCANNER_SIZE" "the scanner window") || exit 1
engine=$(wait_window "$ENGINE_SIZE" "the eraser window") || exit 1
xdotool mousemove 0 0
sleep 0.5
shot "$engine" eraser

# The banner's icons (32 x 32 at left 32, 160, 304 and 440, top 16) choose the pages.
page() {
    click_at "$scanner" "$2" 32
    xdotool mousemove 0 0
    sleep 0.5
    shot "$scanner" "scanner-$1"
}
page cookies 176
page info 320
page files 456
page secure 48

icon=$(wait_tray_icon) || exit 1
click_at "$icon" 11 11 3
wait_until "$E2E_TIMEOUT" "the tray menu to pop up" popup_shown
sleep 0.3
shot "$(popup_windows | head -n1)" tray-menu
xdotool key Escape

# The question about a browser profile: the private home gets a Firefox profile, and History
# meets it undecided. The box is answered No, so the profile stays as it is.
firefox=$HOME/.mozilla/firefox
mkdir -p "$firefox/k3v9q2xe.default-esr"
printf '[Profile0]\nName=default-esr\nIsRelative=1\nPath=k3v9q2xe.default-esr\nDefault=1\n' \
    >"$firefox/profiles.ini"
question_box() { xdotool search --onlyvisible --name '^Corvane - ' 2>/dev/null | head -n1; }
question_shown() { [ -n "$(question_box)" ]; }
# The History button (440, 64, 76 x 20) of the eraser window.
click_at "$engine" 478 74
xdotool mousemove 0 0
wait_until "$E2E_TIMEOUT" "the question about the browser profile" question_shown
sleep 0.5
question=$(question_box)
shot "$question" browser-question
xdotool windowfocus --sync "$question" 2>/dev/null
xdotool key --clearmodifiers Escape

# Small files: the pictures hold few colours.
for f in "$out"/*.png; do
    convert "$f" -strip -define png:compression-level=9 "$f"
done

# shellcheck shell=bash
# Shared helpers of the end-to-end tests: a private X display (Xvfb) with a notification area
# (trayer), a private world and XDG folders, the real programs, real clicks (xdotool) and a
# clean-up that stops exactly the processes the test started. Sourced by every test script.
#
# Environment: CORVANE_BIN_DIR (the built programs, default build/bin of the source tree),
# E2E_OUTPUT_DIR (where failure screenshots go, default the build folder's e2e/),
# CORVANE_TIME_SCALE (default 8: the splash takes one second), E2E_TIMEOUT (seconds a single
# wait may take, default 30, enough for a loaded two-core machine).

set -uo pipefail

E2E_SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
CORVANE_BIN_DIR=${CORVANE_BIN_DIR:-$E2E_SOURCE_DIR/build/bin}
E2E_OUTPUT_DIR=${E2E_OUTPUT_DIR:-$(dirname "$CORVANE_BIN_DIR")/e2e}
E2E_TIMEOUT=${E2E_TIMEOUT:-30}
export CORVANE_TIME_SCALE=${CORVANE_TIME_SCALE:-8}

# Window sizes in pixels, from the layouts (twips / 15): they tell the windows apart, since
# every one of them is captioned "Corvane".
# shellcheck disable=SC2034 # used by the test scripts that source this file
readonly ENGINE_SIZE=524x276 SCANNER_SIZE=512x386 SPLASH_SIZE=379x267

E2E_PIDS=()
E2E_NAME=unnamed
E2E_DIR=

log() { printf '[%s %s] %s\n' "$E2E_NAME" "$(date +%T)" "$*" >&2; }

# Stops every process the test started, newest first, then removes the private folders.
e2e_cleanup() {
    local i pid
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        pid=${E2E_PIDS[i]}
        kill "$pid" 2>/dev/null || continue
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    if [ -n "$E2E_DIR" ] && [ -z "${E2E_KEEP:-}" ]; then
        rm -rf "$E2E_DIR"
    fi
}

# Saves a screenshot of the whole screen to the output folder, named after the test.
screenshot() {
    local file="$E2E_OUTPUT_DIR/$E2E_NAME.png"
    mkdir -p "$E2E_OUTPUT_DIR"
    if [ -n "${DISPLAY:-}" ] && import -window root "$file" 2>/dev/null; then
        log "screenshot: $file"
    fi
}

# Reports a failure with a screenshot and the program's output, and ends the test.
fail() {
    log "FAIL: $*"
    screenshot
    if [ -s "$E2E_DIR/corvane.log" ]; then
        log "corvane's output:"
        sed 's/^/    /' "$E2E_DIR/corvane.log" >&2
    fi
    exit 1
}

# Runs COMMAND... until it succeeds or the timeout passes; DESCRIPTION names what is awaited.
wait_until() {
    local timeout=$1 description=$2
    shift 2
    local deadline=$((SECONDS + timeout))
    until "$@" >/dev/null 2>&1; do
        [ "$SECONDS" -lt "$deadline" ] || fail "timed out after ${timeout}s waiting for: $description"
        sleep 0.1
    done
}

# Starts a command in the background and remembers its PID for the clean-up.
spawn() {
    "$@" &
    E2E_PIDS+=($!)
    LAST_PID=$!
}

# Prepares a test: its own folders, world, display and notification area.
# Usage: e2e_begin NAME [--no-tray]
# With E2E_WM=openbox in the environment, a real window manager runs on the display too.
e2e_begin() {
    E2E_NAME=$1
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM
    E2E_DIR=$(mktemp -d "${TMPDIR:-/tmp}/corvane-e2e-$E2E_NAME.XXXXXX")
    mkdir -p "$E2E_DIR"/{home,data,config,cache,runtime,prefix}
    chmod 700 "$E2E_DIR/runtime"
    export HOME=$E2E_DIR/home XDG_DATA_HOME=$E2E_DIR/data XDG_CONFIG_HOME=$E2E_DIR/config
    export XDG_CACHE_HOME=$E2E_DIR/cache XDG_RUNTIME_DIR=$E2E_DIR/runtime
    export CORVANE_PREFIX=$E2E_DIR/prefix
    # No session bus and no desktop: the tray icon is the X11 one trayer hosts, and the desktop's
    # services are the freedesktop.org ones (xdg-open) that any desktop provides.
    unset DBUS_SESSION_BUS_ADDRESS XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION \
        GNOME_DESKTOP_SESSION_ID BROWSER WAYLAND_DISPLAY QT_QPA_PLATFORM
    rm -f "$E2E_OUTPUT_DIR/$E2E_NAME.png"
    ctl world init >/dev/null || fail "corvanectl world init failed"
    start_display
    [ "${E2E_WM:-}" = openbox ] && start_window_manager
    [ "${2:-}" = --no-tray ] || start_tray
}

# Starts openbox with its stock settings and waits until it manages the screen.
start_window_manager() {
    command -v openbox >/dev/null || fail "openbox is not installed"
    spawn openbox --sm-disable >"$E2E_DIR/openbox.log" 2>&1
    wait_until "$E2E_TIMEOUT" "openbox to manage the screen" \
        bash -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
}

# Every top-level window captioned "Corvane" of the given size, shown or not, one id a line.
all_windows_of_size() {
    local size=$1 w geometry
    for w in $(xdotool search --name '^Corvane$' 2>/dev/null); do
        geometry=$(xdotool getwindowgeometry "$w" 2>/dev/null | sed -n 's/^ *Geometry: //p')
        [ "$geometry" = "$size" ] && echo "$w"
    done
    return 0
}

# The outer rectangle of a window on the screen, frame included: "left top right bottom".
frame_rect() {
    local w=$1 X Y WIDTH HEIGHT extents left=0 right=0 top=0 bottom=0
    eval "$(xdotool getwindowgeometry --shell "$w")"
    extents=$(xprop -id "$w" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ' ')
    [ -n "$extents" ] && IFS=, read -r left right top bottom <<<"$extents"
    echo "$((X - left)) $((Y - top)) $((X + WIDTH + right)) $((Y + HEIGHT + bottom))"
}

# Starts Xvfb on a free display number and waits until it accepts clients.
start_display() {
    local numberfile=$E2E_DIR/display
    : >"$numberfile"
    spawn Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$numberfile" \
        >"$E2E_DIR/xvfb.log" 2>&1
    wait_until "$E2E_TIMEOUT" "Xvfb to choose a display" grep -q '^[0-9]' "$numberfile"
    DISPLAY=:$(head -n1 "$numberfile")
    export DISPLAY
    wait_until "$E2E_TIMEOUT" "the X display $DISPLAY" xdpyinfo
}

# Starts trayer, the notification area, and waits for its panel.
start_tray() {
    spawn trayer --edge bottom --align right --widthtype request --height 24 \
        --transparent false --expand true >"$E2E_DIR/trayer.log" 2>&1
    wait_until "$E2E_TIMEOUT" "trayer's panel" xdotool search --onlyvisible --name '^panel$'
    TRAY_PANEL=$(xdotool search --onlyvisible --name '^panel$' | head -n1)
}

# corvanectl in the test's world.
ctl() { "$CORVANE_BIN_DIR/corvanectl" "$@"; }

# Starts corvane with the given arguments; its output goes to the test's log.
start_corvane() {
    spawn "$CORVANE_BIN_DIR/corvane" "$@" >>"$E2E_DIR/corvane.log" 2>&1
    # shellcheck disable=SC2034 # for the test scripts
    CORVANE_PID=$LAST_PID
}

# Prints the visible top-level windows captioned "Corvane" of the given size (e.g. 524x276).
windows_of_size() {
    local size=$1 w geometry
    for w in $(xdotool search --onlyvisible --name '^Corvane$' 2>/dev/null); do
        geometry=$(xdotool getwindowgeometry "$w" 2>/dev/null | sed -n 's/^ *Geometry: //p')
        [ "$geometry" = "$size" ] && echo "$w"
    done
    return 0
}

window_shown() { [ -n "$(windows_of_size "$1")" ]; }
window_gone() { [ -z "$(windows_of_size "$1")" ]; }

# Waits for the visible window of that size and prints its id.
wait_window() {
    local size=$1 description=$2
    wait_until "$E2E_TIMEOUT" "$description ($size) to be shown" window_shown "$size"
    windows_of_size "$size" | head -n1
}

wait_window_gone() {
    wait_until "$E2E_TIMEOUT" "$2 ($1) to be hidden" window_gone "$1"
}

# A visible dialog window with exactly this title; prints its id.
dialog_with_title() {
    local title=$1 w
    for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$title" ] || continue
        xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_DIALOG &&
            echo "$w"
    done
    return 0
}
dialog_shown() { [ -n "$(dialog_with_title "$1")" ]; }
dialog_gone() { [ -z "$(dialog_with_title "$1")" ]; }

# Waits for a message box with this title, presses Enter on it (its OK button is the default)
# and waits for it to close.
answer_box() {
    local title=$1 box
    wait_until "$E2E_TIMEOUT" "the message box \"$title\"" dialog_shown "$title"
    box=$(dialog_with_title "$title" | head -n1)
    xdotool windowfocus --sync "$box" 2>/dev/null || xdotool windowfocus "$box"
    xdotool key --clearmodifiers Return
    wait_until "$E2E_TIMEOUT" "the message box \"$title\" to close" dialog_gone "$title"
}

# Clicks (press and release) at X,Y inside a window, after moving there, as a person would.
# Usage: click_at WINDOW X Y [BUTTON [REPEAT]]
click_at() {
    local window=$1 x=$2 y=$3 button=${4:-1} repeat=${5:-1}
    xdotool mousemove --window "$window" "$x" "$y" || fail "cannot move the pointer to $window"
    sleep 0.05
    # A small move inside the target: the buttons notice the pointer from a move over them.
    xdotool mousemove --window "$window" "$((x + 1))" "$y"
    sleep 0.05
    if [ "$repeat" = 1 ]; then
        # Press and release a moment apart, as a hand does: the release then never overtakes
        # the press on a busy machine.
        xdotool mousedown "$button"
        sleep 0.05
        xdotool mouseup "$button"
    else
        xdotool click --repeat "$repeat" --delay 120 "$button"
    fi
}

# The tray icon's window: corvane's window (by its class) that trayer has embedded.
tray_icon() {
    xwininfo -tree -id "$TRAY_PANEL" 2>/dev/null | awk '/\("corvane" "corvane"\)/ { print $1; exit }'
}
tray_icon_present() { [ -n "$(tray_icon)" ]; }
tray_icon_absent() { [ -z "$(tray_icon)" ]; }

wait_tray_icon() {
    wait_until "$E2E_TIMEOUT" "Corvane's icon in the notification area" tray_icon_present
    tray_icon
}

# Visible override-redirect windows of corvane's (pop-up menus), one id a line.
popup_windows() {
    local w
    for w in $(xdotool search --onlyvisible --class corvane 2>/dev/null); do
        xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes' || continue
        # The tray icon lives inside trayer's panel; a pop-up sits directly on the root window.
        xwininfo -children -id "$w" 2>/dev/null | grep -q 'Parent window id: .*(the root window)' &&
            echo "$w"
    done
    return 0
}
popup_shown() { [ -n "$(popup_windows)" ]; }

# The tray menu: a right press on the icon, then a click on the item at INDEX (0 "Show",
# 1 "Erase History", 2 "Erase All"; the separator and "Exit" follow).
tray_menu_pick() {
    local index=$1 icon menu width height
    icon=$(wait_tray_icon)
    click_at "$icon" 11 11 3
    wait_until "$E2E_TIMEOUT" "the tray menu to pop up" popup_shown
    menu=$(popup_windows | head -n1)
    eval "$(xdotool getwindowgeometry --shell "$menu")"
    width=$WIDTH height=$HEIGHT
    # Three items of equal height from the top, then a separator and "Exit": the items'
    # middles lie at 15, 39 and 63 hundredths of the menu's height in the program's font.
    local y=$((height * (15 + 24 * index) / 100))
    log "tray menu ${width}x${height}: item $index at y $y"
    click_at "$menu" $((width / 2)) "$y"
    wait_until "$E2E_TIMEOUT" "the tray menu to close" bash -c "! xwininfo -id $menu | grep -q IsViewable"
}

# Fails unless COMMAND's output is empty.
expect_empty() {
    local description=$1 output
    shift
    output=$("$@" 2>&1) || fail "$description: command failed: $* ($output)"
    [ -z "$output" ] || fail "$description: expected nothing, got: $output"
}

# A copy of /bin/sleep named iexplore.exe, running until stopped: a browser the watcher sees.
start_browser_process() {
    mkdir -p "$E2E_DIR/browser"
    cp /bin/sleep "$E2E_DIR/browser/iexplore.exe"
    spawn "$E2E_DIR/browser/iexplore.exe" 600
    # shellcheck disable=SC2034 # for the test scripts
    BROWSER_PID=$LAST_PID
}

stop_process() {
    kill "$1" 2>/dev/null
    wait "$1" 2>/dev/null
    return 0
}

# The Windows folders of the world's profile, as POSIX paths.
world_folder() { ctl world folder "$1"; }

# Files (not folders) under a folder, one a line.
files_under() { find "$1" -mindepth 1 "${@:2}" 2>/dev/null; }

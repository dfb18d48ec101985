#!/usr/bin/env bash
# The automatic erase: a process named iexplore.exe starts and stops, and the history is erased
# once; history recorded afterwards stays until the browser runs again.
source "$(dirname "$0")/lib.sh"
e2e_begin watcher

# The watcher looks every 2000 ms of the program's time: this long in real seconds.
tick=$(awk -v s="$CORVANE_TIME_SCALE" 'BEGIN { printf "%.2f", 2 / s }')
ctl history add http://www.example.com/ "Example Domain" >/dev/null || fail "history add failed"

start_corvane -min
wait_tray_icon >/dev/null || exit 1
start_browser_process
# While the browser runs nothing is erased; it runs for several of the watcher's ticks, so
# that the watcher has seen it even on a loaded machine.
for _ in 1 2 3 4 5 6 7 8; do
    sleep "$tick"
    [ -n "$(ctl history list)" ] || fail "the history was erased while the browser still ran"
done
stop_process "$BROWSER_PID"
wait_until "$E2E_TIMEOUT" "the history to be erased after the browser closed" \
    bash -c '[ -z "$("$0" history list)" ]' "$CORVANE_BIN_DIR/corvanectl"
# The list is emptied before the erase ends (it goes on with the real browsers' profiles): the
# next visit is recorded only after the erase has had time to end.
sleep "$(awk -v t="$tick" 'BEGIN { print 3 * t }')"

ctl history add http://news.example.org/today.html "Today's News" >/dev/null ||
    fail "history add failed"
for _ in 1 2 3 4 5 6 7 8; do
    sleep "$tick"
    [ -n "$(ctl history list)" ] || fail "the history was erased again without a new browser run"
done
log "passed"

#!/usr/bin/env bash
# A real Firefox ESR profile in the test's own home, made by the real browser visiting a page of a
# small local web server. Corvane, started hidden: the tray's "Erase History" asks about the
# profile once and, agreed to, cleans it (the visited address is gone from the files' bytes).
# Firefox runs on the profile again: nothing is asked, and when Firefox exits the watcher cleans
# the profile within seconds. Firefox then starts again on the cleaned profile and records a visit.
source "$(dirname "$0")/lib.sh"
e2e_begin browsers

firefox_root=$HOME/.mozilla/firefox
profile=$firefox_root/e2e1.default-esr
mkdir -p "$profile" "$E2E_DIR/site"
printf '[General]\nStartWithLastProfile=1\nVersion=2\n\n[Profile0]\nName=default-esr\nIsRelative=1\nPath=e2e1.default-esr\nDefault=1\n' \
    >"$firefox_root/profiles.ini"

# The web server: every page sets a cookie and may be cached; it prints the port it bound.
spawn python3 -c '
import http.server, sys
class Page(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        body = ("<html><head><title>%s</title></head><body>%s</body></html>" % (self.path, self.path)).encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Set-Cookie", "e2emarker=%s; Max-Age=86400; Path=/" % self.path.strip("/"))
        self.send_header("Cache-Control", "max-age=3600")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Page)
print(server.server_port, flush=True)
server.serve_forever()
' >"$E2E_DIR/port"
wait_until "$E2E_TIMEOUT" "the web server to start" grep -q '^[0-9]' "$E2E_DIR/port"
site=http://127.0.0.1:$(head -n1 "$E2E_DIR/port")

# Firefox visits a page and exits by itself once it has taken a screenshot of it.
visit() {
    timeout 120 firefox-esr --headless --no-remote --profile "$profile" \
        --screenshot "$E2E_DIR/page.png" "$site/$1" >>"$E2E_DIR/firefox.log" 2>&1 ||
        fail "Firefox did not visit $1"
}
places() { sqlite3 "file:$profile/places.sqlite?mode=ro" "SELECT count(*) FROM moz_places WHERE url LIKE '%$1%'" 2>/dev/null; }
cookies() { sqlite3 "file:$profile/cookies.sqlite?mode=ro" "SELECT count(*) FROM moz_cookies" 2>/dev/null; }
visit_gone() { [ "$(places "$1")" = 0 ]; }
# The cleaner takes the databases one after another: history first, then cookies.
visit_and_cookies_gone() { visit_gone "$1" && [ "$(cookies)" = 0 ]; }
session_and_visit_gone() { [ ! -e "$profile/sessionstore.jsonlz4" ] && visit_gone "$1"; }
no_bytes() { ! grep -q -a "$1" "$profile/places.sqlite" "$profile/cookies.sqlite"; }
# True while another process holds the POSIX lock Firefox takes on the profile's .parentlock.
profile_locked() {
    python3 -c '
import fcntl, os, struct, sys
try:
    fd = os.open(sys.argv[1], os.O_RDWR)
except OSError:
    sys.exit(1)
probe = struct.pack("hhqqixxxx", fcntl.F_WRLCK, 0, 0, 0, 0)
sys.exit(0 if struct.unpack("hhqqixxxx", fcntl.fcntl(fd, fcntl.F_GETLK, probe))[0] != fcntl.F_UNLCK else 1)
' "$profile/.parentlock"
}
# Corvane holds the same lock while it cleans, so a Firefox started then would find the profile
# in use: the test lets each clean finish before it starts the browser.
profile_free() { ! profile_locked; }
question_box() { xdotool search --onlyvisible --name '^Corvane - ' 2>/dev/null | head -n1; }
question_shown() { [ -n "$(question_box)" ]; }

visit first-visit-marker
[ "$(places first-visit-marker)" -ge 1 ] || fail "Firefox recorded no visit"
[ "$(cookies)" -ge 1 ] || fail "Firefox kept no cookie"

start_corvane -min
wait_tray_icon >/dev/null || exit 1
sleep 1
[ "$(places first-visit-marker)" -ge 1 ] || fail "an undecided profile was changed at start"

tray_menu_pick 1
wait_until "$E2E_TIMEOUT" "the question about the Firefox profile" question_shown
box=$(question_box)
log "asked: $(xdotool getwindowname "$box")"
xdotool windowfocus --sync "$box" 2>/dev/null || xdotool windowfocus "$box"
# Yes is the box's default button.
xdotool key --clearmodifiers Return
wait_until "$E2E_TIMEOUT" "the agreed profile's history and cookies to be erased" \
    visit_and_cookies_gone first-visit-marker
no_bytes first-visit-marker || fail "the erased address is still in the files' bytes"
wait_until "$E2E_TIMEOUT" "the clean to let go of the profile" profile_free

# Firefox runs on the profile: the next erase asks nothing and writes nothing of it.
spawn timeout 300 firefox-esr --headless --no-remote --profile "$profile" "$site/while-running-marker" \
    >>"$E2E_DIR/firefox.log" 2>&1
firefox_pid=$LAST_PID
wait_until 60 "Firefox to open the profile" profile_locked
sleep 5
kill -0 "$CORVANE_PID" 2>/dev/null || fail "Corvane ended while Firefox ran"
tray_menu_pick 1
sleep 2
question_shown && fail "a profile already agreed to was asked about again"

profile_locked || fail "Firefox exited early"
# On its way out Firefox writes the session of this run; the watcher erases it with the rest.
stop_process "$firefox_pid"
wait_until "$E2E_TIMEOUT" "the watcher to clean the profile after Firefox exited" \
    session_and_visit_gone while-running-marker
no_bytes while-running-marker || fail "the watcher left the address in the files' bytes"
wait_until "$E2E_TIMEOUT" "the watcher's clean to let go of the profile" profile_free

# The cleaned profile is still a working profile. Corvane stops first: its watcher would clean
# this visit too as soon as Firefox has ended.
stop_process "$CORVANE_PID"
visit after-clean-marker
[ "$(places after-clean-marker)" -ge 1 ] || fail "Firefox recorded no visit on the cleaned profile"
log "passed"

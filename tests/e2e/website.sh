#!/usr/bin/env bash
# "Go To Website" hands the selected cache address to the desktop's browser. The browser is a
# recorder installed the way a desktop installs any browser: a desktop entry in
# $XDG_DATA_HOME/applications, made the default for http and https in
# $XDG_CONFIG_HOME/mimeapps.list. Qt hands the address to xdg-open, which on a session without
# a recognised desktop ("generic") asks xdg-mime for the x-scheme-handler's default entry and
# runs its Exec line; no BROWSER or desktop variable is needed (and both are unset here).
source "$(dirname "$0")/lib.sh"
e2e_begin website

command -v xdg-open >/dev/null || fail "xdg-open is missing (Debian package xdg-utils)"
record=$E2E_DIR/opened.txt
mkdir -p "$XDG_DATA_HOME/applications" "$E2E_DIR/bin"
cat >"$E2E_DIR/bin/record-browser" <<SCRIPT
#!/bin/sh
printf '%s\n' "\$@" >>"$record"
SCRIPT
chmod +x "$E2E_DIR/bin/record-browser"
cat >"$XDG_DATA_HOME/applications/e2e-recorder.desktop" <<ENTRY
[Desktop Entry]
Type=Application
Name=Recording browser
Exec=$E2E_DIR/bin/record-browser %u
MimeType=x-scheme-handler/http;x-scheme-handler/https;
ENTRY
cat >"$XDG_CONFIG_HOME/mimeapps.list" <<LIST
[Default Applications]
x-scheme-handler/http=e2e-recorder.desktop
x-scheme-handler/https=e2e-recorder.desktop
LIST

# The first cache entry is a cookie record, the second a web page.
ctl cache add "Cookie:someone@example.com/" --type 100000 >/dev/null &&
    ctl cache add "http://www.example.com/index.html" >/dev/null &&
    ctl cache add "https://news.example.org/today.html" >/dev/null || fail "cache add failed"

start_corvane
scanner=$(wait_window "$SCANNER_SIZE" "the scanner window") || exit 1
# "File Data" in the banner (its icon at 440,16, 32 x 32), then the address list (at 24,120):
# the first line, then one line down with the keyboard to the web address.
click_at "$scanner" 456 32
click_at "$scanner" 60 128
xdotool key --clearmodifiers Down
# "Go To Website" at 24,336 in the window, 465 x 25.
click_at "$scanner" 256 348
wait_until "$E2E_TIMEOUT" "the browser to be given the address" test -s "$record"
opened=$(cat "$record")
[ "$opened" = "http://www.example.com/index.html" ] ||
    fail "the browser was given \"$opened\", not http://www.example.com/index.html"

# A line that is not a web address never reaches the browser.
: >"$record"
click_at "$scanner" 60 128
click_at "$scanner" 256 348
click_at "$scanner" 60 128
xdotool key --clearmodifiers Down Down
click_at "$scanner" 256 348
wait_until "$E2E_TIMEOUT" "the browser to be given the https address" test -s "$record"
opened=$(cat "$record")
[ "$opened" = "https://news.example.org/today.html" ] ||
    fail "after the cookie line and the https line the browser was given: $opened"
log "passed"

#!/usr/bin/env bash
# The typical clean, as a user does it: scan on the scanner's "Secure" page, close the report,
# "Activate Cleaner", "Proceed With Clean" in the eraser window, close "Cleaning Done"; then the
# world holds no trace the full clean erases.
source "$(dirname "$0")/lib.sh"
e2e_begin clean

ctl seed demo >/dev/null || fail "corvanectl seed demo failed"
cookies=$(world_folder cookies) && temp=$(world_folder temp) || fail "the world names no folders"
[ -n "$(files_under "$cookies" -type f)" ] || fail "the seeded world has no cookie files"

start_corvane
engine=$(wait_window "$ENGINE_SIZE" "the eraser window") || exit 1
scanner=$(wait_window "$SCANNER_SIZE" "the scanner window") || exit 1

# "Secure" page (at 16,96 in the window): "Start Secure Scanning" at 8,56 in the page,
# 465 x 25; "Activate Cleaner" 32 pixels below it.
click_at "$scanner" 256 164
answer_box "Scanning Done"
click_at "$scanner" 256 196
wait_window "$ENGINE_SIZE" "the eraser window after \"Activate Cleaner\"" >/dev/null || exit 1
# The eraser's clean panel (at 8,38): "Proceed With Clean" at 10,30 in it, 212 x 24.
click_at "$engine" 124 80
wait_window_gone "$ENGINE_SIZE" "the eraser window at the end of its animation"
answer_box "Corvane"
window_shown "$SCANNER_SIZE" || fail "the scanner window is gone after the clean"

# What the full clean leaves: the cache entries the lists never showed (those without the
# normal-entry bit, after the first), nothing else.
cache=$(ctl cache list) || fail "corvanectl cache list failed"
while IFS=$'\t' read -r flags url; do
    [ -z "$flags" ] && continue
    (((16#$flags & 1) == 0)) || fail "the cache still holds a normal entry: $url"
done <<<"$cache"
expect_empty "the history store" ctl history list
for key in 'Software\Microsoft\Internet Explorer\TypedURLs' \
    'Software\Microsoft\Windows\CurrentVersion\Explorer\RunMRU' \
    'Software\Microsoft\Windows\CurrentVersion\Explorer\Doc Find Spec MRU' \
    'Software\Microsoft\Windows\CurrentVersion\Explorer\RecentDocs' \
    'Software\Microsoft\MediaPlayer\Player\RecentFileList' \
    'Software\Microsoft\Windows\CurrentVersion\Applets\Paint\Recent File List'; do
    values=$(ctl reg query "HKCU\\$key" 2>/dev/null)
    [ -z "$values" ] || fail "the list $key still holds: $values"
done
expect_empty "the cookie folder" files_under "$cookies"
expect_empty "the temporary folder" files_under "$temp"
log "passed"

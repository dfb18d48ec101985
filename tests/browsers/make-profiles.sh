#!/bin/bash
# Makes real Firefox ESR and Chromium profiles once per test run, by driving the real browsers
# headless against a small web site on 127.0.0.1, then adds a bookmark and form entries while the
# browsers are closed. Everything lives below OUT (HOME, XDG folders); the tests copy it before
# changing anything.
#
# usage: make-profiles.sh OUT
# Writes OUT/home, OUT/config, OUT/cache, OUT/port (the site's port, the site stays down) and
# OUT/ready when done.
set -euo pipefail

out=${1:?usage: make-profiles.sh OUT}
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out"
mkdir -p "$out/home" "$out/config" "$out/cache" "$out/data" "$out/runtime"
chmod 700 "$out/runtime"
out=$(cd "$out" && pwd)

export HOME=$out/home XDG_CONFIG_HOME=$out/config XDG_CACHE_HOME=$out/cache
export XDG_DATA_HOME=$out/data XDG_RUNTIME_DIR=$out/runtime
unset DISPLAY WAYLAND_DISPLAY

python3 "$here/site.py" 0 "$out/port" "$out/served" &
site=$!
trap 'kill "$site" 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s "$out/port" ] && break; sleep 0.1; done
port=$(cat "$out/port")
site_url="http://127.0.0.1:$port"

# Firefox ESR: a profile as the browser makes it at first start, in the classic root.
ff_root=$HOME/.mozilla/firefox
ff=$ff_root/corvtest.default-esr
mkdir -p "$ff"
cat > "$ff_root/profiles.ini" <<INI
[Profile0]
Name=default-esr
IsRelative=1
Path=corvtest.default-esr
Default=1

[General]
StartWithLastProfile=1
Version=2
INI
cat > "$ff/user.js" <<'JS'
user_pref("dom.allow_scripts_to_close_windows", true);
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("browser.aboutwelcome.enabled", false);
user_pref("corvane.test.preference", "kept");
JS
# The pages lead from one to the next by themselves; once the last one is served and has had time
# to run its script, the browser is closed (a busy machine may take long to get there).
timeout -s TERM 120 firefox-esr --headless --no-remote --profile "$ff" "$site_url/page1?chain=1" \
    >"$out/firefox.log" 2>&1 &
firefox=$!
for _ in $(seq 1100); do grep -qs '^/page3' "$out/served" && break; sleep 0.1; done
sleep 3
kill -TERM "$firefox" 2>/dev/null || true
wait "$firefox" || true

# Chromium: three pages, each run writes History, Cookies and the cache.
cr=$XDG_CONFIG_HOME/chromium
for n in 1 2 3; do
    timeout -s TERM 40 chromium --headless=new --no-sandbox --disable-gpu --no-first-run \
        --user-data-dir="$cr" --dump-dom "$site_url/page$n" >/dev/null 2>>"$out/chromium.log" || true
done
kill "$site" 2>/dev/null || true

# Traces a headless run does not leave: form entries and typed addresses, and the bookmarks the
# cleaners must keep, added while the browsers are closed.
now=$(( $(date +%s) * 1000000 ))
sqlite3 "$ff/formhistory.sqlite" <<SQL
CREATE TABLE IF NOT EXISTS moz_formhistory (id INTEGER PRIMARY KEY, fieldname TEXT NOT NULL,
  value TEXT NOT NULL, timesUsed INTEGER, firstUsed INTEGER, lastUsed INTEGER, guid TEXT);
CREATE TABLE IF NOT EXISTS moz_deleted_formhistory (id INTEGER PRIMARY KEY, timeDeleted INTEGER,
  guid TEXT);
INSERT INTO moz_formhistory (fieldname, value, timesUsed, firstUsed, lastUsed, guid)
  VALUES ('corvaneterm', 'corvane-form-firefox', 1, $now, $now, 'corvaneformguid1');
SQL
# The bookmark: page 2, which the browser visited, under the bookmarks menu (folder 2); the
# place's foreign_count is raised as the browser does.
sqlite3 "$ff/places.sqlite" <<SQL
UPDATE moz_places SET typed = 1 WHERE url LIKE '%/page1%';
INSERT INTO moz_bookmarks (type, fk, parent, position, title, dateAdded, lastModified, guid)
  SELECT 1, id, 2, (SELECT count(*) FROM moz_bookmarks WHERE parent = 2), 'Corvane bookmark',
         $now, $now, 'corvbookmark' FROM moz_places WHERE url LIKE '%/page2%';
UPDATE moz_places SET foreign_count = foreign_count + 1 WHERE url LIKE '%/page2%';
SQL
sqlite3 "$cr/Default/Web Data" \
    "INSERT INTO autofill (name, value, value_lower, date_created, date_last_used, count)
     VALUES ('corvaneterm', 'corvane-form-chromium', 'corvane-form-chromium', 1, 1, 1);"
sqlite3 "$cr/Default/History" \
    "UPDATE urls SET typed_count = 1 WHERE url LIKE '%/page1%';"
cat > "$cr/Default/Bookmarks" <<JSON
{"checksum": "", "roots": {
 "bookmark_bar": {"children": [{"date_added": "13300000000000000", "guid": "00000000-0000-4000-a000-000000000001", "id": "4", "name": "Corvane bookmark", "type": "url", "url": "$site_url/page2"}],
   "date_added": "13300000000000000", "date_modified": "0", "guid": "0bc5d13f-2cba-5d74-951f-3f233fe6c908", "id": "1", "name": "Bookmarks bar", "type": "folder"},
 "other": {"children": [], "date_added": "13300000000000000", "date_modified": "0", "guid": "82b081ec-3dd3-529c-8475-ab6c344590dd", "id": "2", "name": "Other bookmarks", "type": "folder"},
 "synced": {"children": [], "date_added": "13300000000000000", "date_modified": "0", "guid": "4cf2e351-0e85-532b-bb37-df045d8f8d0f", "id": "3", "name": "Mobile bookmarks", "type": "folder"}},
 "version": 1}
JSON

# Every trace the tests look for must be there, or the cleaning tests would prove nothing.
check() { [ "$(sqlite3 "$1" "$2")" -gt 0 ] || { echo "make-profiles: no rows for: $2 in $1" >&2; exit 1; }; }
check "$ff/places.sqlite" "SELECT count(*) FROM moz_places WHERE url LIKE '%/page3%'"
check "$ff/cookies.sqlite" "SELECT count(*) FROM moz_cookies"
check "$cr/Default/History" "SELECT count(*) FROM visits"
check "$cr/Default/Cookies" "SELECT count(*) FROM cookies"
touch "$out/ready"
echo "made profiles in $out (site was $site_url)"

#!/bin/bash
# Makes real Firefox ESR and Chromium profiles once per test run, by driving the real browsers
# headless through site.py's chain of pages: visits with marked addresses and titles, a search-like
# address, cookies, the HTTP cache, favicons, localStorage, sessionStorage, IndexedDB, Cache
# Storage, a service worker and a download, each trace with a marker of its own (`corvmark-<kind>`
# for what a clean erases, `corvkeep-<kind>` for what it keeps). What a headless run does not leave
# is added while the browsers are closed, in the tables the browsers made: form entries, typed
# text, Chromium's top sites, shortcuts and predictor rows, the bookmarks and the saved passwords.
# Everything lives below OUT (HOME, XDG folders); the tests copy it before changing anything.
#
# usage: make-profiles.sh OUT
# Writes OUT/home, OUT/config, OUT/cache, OUT/port (the site's port, the site stays down),
# OUT/markers.tsv (each marker kind and the files holding it) and OUT/ready when done.
set -euo pipefail

out=${1:?usage: make-profiles.sh OUT}
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out"
mkdir -p "$out/home/Downloads" "$out/config" "$out/cache" "$out/data" "$out/runtime"
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
start="$site_url/corvmark-visit-first?chain=1"
downloaded() { grep -qs '^/corvmark-download-file$' "$1"; }

# Firefox ESR: a profile as the browser makes it at first start, in the classic root. The chain
# ends with the page closing the last window, so the browser quits by itself and flushes its
# storage and session as it does for a user.
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
cat > "$ff/user.js" <<JS
user_pref("dom.allow_scripts_to_close_windows", true);
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("browser.aboutwelcome.enabled", false);
user_pref("browser.download.useDownloadDir", true);
user_pref("browser.download.folderList", 2);
user_pref("browser.download.dir", "$HOME/Downloads");
user_pref("browser.download.always_ask_before_handling_new_types", false);
user_pref("corvane.test.preference", "corvkeep-pref");
JS
timeout -s TERM 120 firefox-esr --headless --no-remote --profile "$ff" "$start" \
    >"$out/firefox.log" 2>&1 || true
downloaded "$out/served" || { echo "make-profiles: Firefox did not finish the pages" >&2; exit 1; }

# Chromium: the same chain, closed through its debugging pipe once the download has run and the
# last page has had time to end. The download folder is set before the first start.
cr=$XDG_CONFIG_HOME/chromium
mkdir -p "$cr/Default"
cat > "$cr/Default/Preferences" <<JSON
{"download": {"default_directory": "$HOME/Downloads", "prompt_for_download": false},
 "corvane_test": {"preference": "corvkeep-pref"}}
JSON
mv "$out/served" "$out/served-firefox"
python3 "$here/chromium-session.py" "$out/served" /corvmark-download-file 5 \
    chromium --headless=new --no-sandbox --disable-gpu --no-first-run --user-data-dir="$cr" \
    "$start" 2>>"$out/chromium.log" ||
    { echo "make-profiles: Chromium did not finish the pages" >&2; exit 1; }
kill "$site" 2>/dev/null || true

# Traces a headless run does not leave, added while the browsers are closed.
now=$(( $(date +%s) * 1000000 ))
first="$site_url/corvmark-visit-first?chain=1"
bookmarked="$site_url/corvkeep-bookmarked?chain=1"
sqlite3 "$ff/formhistory.sqlite" <<SQL
CREATE TABLE IF NOT EXISTS moz_formhistory (id INTEGER PRIMARY KEY, fieldname TEXT NOT NULL,
  value TEXT NOT NULL, timesUsed INTEGER, firstUsed INTEGER, lastUsed INTEGER, guid TEXT);
CREATE TABLE IF NOT EXISTS moz_deleted_formhistory (id INTEGER PRIMARY KEY, timeDeleted INTEGER,
  guid TEXT);
INSERT INTO moz_formhistory (fieldname, value, timesUsed, firstUsed, lastUsed, guid)
  VALUES ('corvmark-form-field', 'corvmark-form-value', 1, $now, $now, 'corvaneformguid1');
SQL
# The bookmark goes under the bookmarks menu (folder 2); the place's foreign_count is raised as
# the browser does. The first page was typed into the address bar.
sqlite3 "$ff/places.sqlite" <<SQL
UPDATE moz_places SET typed = 1 WHERE url = '$first';
INSERT INTO moz_inputhistory (place_id, input, use_count)
  SELECT id, 'corvmark-typed-text', 1 FROM moz_places WHERE url = '$first';
INSERT INTO moz_bookmarks (type, fk, parent, position, title, dateAdded, lastModified, guid)
  SELECT 1, id, 2, (SELECT count(*) FROM moz_bookmarks WHERE parent = 2), 'corvkeep-bookmark',
         $now, $now, 'corvbookmark' FROM moz_places WHERE url = '$bookmarked';
UPDATE moz_places SET foreign_count = foreign_count + 1 WHERE url = '$bookmarked';
SQL
# A saved password, in the classic file and in the database this release keeps them in.
cat > "$ff/logins.json" <<JSON
{"nextId": 2, "logins": [{"id": 1, "hostname": "http://corvkeep-password.example",
 "httpRealm": null, "formSubmitURL": "http://corvkeep-password.example", "usernameField": "user",
 "passwordField": "pass", "encryptedUsername": "corvkeep-password-user",
 "encryptedPassword": "corvkeep-password-secret", "guid": "{corvane-login-1}", "encType": 1,
 "timeCreated": $((now / 1000)), "timeLastUsed": $((now / 1000)),
 "timePasswordChanged": $((now / 1000)), "timesUsed": 1}], "version": 3}
JSON
if [ -f "$ff/logins.db" ]; then
    sqlite3 "$ff/logins.db" \
        "INSERT INTO loginsL (origin, formActionOrigin, usernameField, passwordField, timeCreated,
           timePasswordChanged, secFields, guid)
         VALUES ('http://corvkeep-password.example', 'http://corvkeep-password.example', 'user',
           'pass', $((now / 1000)), $((now / 1000)), 'corvkeep-password-sealed', 'corvanelogin1');"
fi

crd=$cr/Default
sqlite3 "$crd/Web Data" \
    "INSERT INTO autofill (name, value, value_lower, date_created, date_last_used, count)
     VALUES ('corvmark-form-field', 'corvmark-form-value', 'corvmark-form-value', 1, 1, 1);"
sqlite3 "$crd/History" <<SQL
UPDATE urls SET typed_count = 1 WHERE url = '$first';
INSERT INTO keyword_search_terms (keyword_id, url_id, term, normalized_term)
  SELECT 2, id, 'corvmark-search-typed', 'corvmark-search-typed' FROM urls WHERE url = '$first';
SQL
# The browser fills these as the user types into the address bar, and the top sites after it has
# run for a minute or so; the rows go into the tables it made.
sqlite3 "$crd/Shortcuts" \
    "INSERT INTO omni_box_shortcuts VALUES ('corvane-shortcut-1', 'corvmark-typed-text', '$first',
       '$first', 0, '$first', '0,0', 'corvmark-title-0', '0,0', 1, 0, '', 13300000000000000, 1);"
sqlite3 "$crd/Network Action Predictor" \
    "INSERT INTO network_action_predictor VALUES ('corvane-predict-1', 'corvmark-typed-text',
       '$first', 1, 0);"
sqlite3 "$crd/Top Sites" \
    "INSERT OR REPLACE INTO top_sites VALUES ('$first', 1, 'corvmark-title-0');"
sqlite3 "$crd/Login Data" \
    "INSERT INTO logins (origin_url, action_url, username_element, username_value,
       password_element, password_value, signon_realm, date_created, blacklisted_by_user, scheme)
     VALUES ('http://corvkeep-password.example/', 'http://corvkeep-password.example/', 'user',
       'corvkeep-password-user', 'pass', X'00', 'http://corvkeep-password.example/', 1, 0, 0);"
cat > "$crd/Bookmarks" <<JSON
{"checksum": "", "roots": {
 "bookmark_bar": {"children": [{"date_added": "13300000000000000", "guid": "00000000-0000-4000-a000-000000000001", "id": "4", "name": "corvkeep-bookmark", "type": "url", "url": "$bookmarked"}],
   "date_added": "13300000000000000", "date_modified": "0", "guid": "0bc5d13f-2cba-5d74-951f-3f233fe6c908", "id": "1", "name": "Bookmarks bar", "type": "folder"},
 "other": {"children": [], "date_added": "13300000000000000", "date_modified": "0", "guid": "82b081ec-3dd3-529c-8475-ab6c344590dd", "id": "2", "name": "Other bookmarks", "type": "folder"},
 "synced": {"children": [], "date_added": "13300000000000000", "date_modified": "0", "guid": "4cf2e351-0e85-532b-bb37-df045d8f8d0f", "id": "3", "name": "Mobile bookmarks", "type": "folder"}},
 "version": 1}
JSON

# Every kind of trace must be really there, in a store of the profile (the HTTP caches, in the
# cache root, hold the pages themselves and so every address), in both browsers, or the cleaning
# tests would prove nothing.
python3 "$here/markers.py" "$out/home" "$out/config" "$out/cache" |
    sed "s#\t$out/#\t#" | sort >"$out/markers.tsv"
missing=0
for browser in home/.mozilla/firefox config/chromium; do
    for kind in visit title search typed cookie local session idb cstore sw favicon download form; do
        if ! grep -qP "^corvmark-$kind\t$browser/" "$out/markers.tsv"; then
            echo "make-profiles: no corvmark-$kind outside the cache in $browser" >&2
            missing=1
        fi
    done
    for kind in bookmark password pref; do
        grep -qP "^corvkeep-$kind\t$browser/" "$out/markers.tsv" ||
            { echo "make-profiles: no corvkeep-$kind in $browser" >&2; missing=1; }
    done
done
grep -qP "^corvmark-subres\tcache/mozilla/firefox/.*/cache2/" "$out/markers.tsv" &&
    grep -qP "^corvmark-subres\tcache/chromium/.*/Cache_Data/" "$out/markers.tsv" ||
    { echo "make-profiles: a browser cached nothing" >&2; missing=1; }
[ "$missing" = 0 ] || exit 1
touch "$out/ready"
echo "made profiles in $out (site was $site_url)"

// The family cleaners on small profiles with the browsers' own table layouts: what goes, what
// stays, and how damaged, locked and crash-left databases are handled.

#include "browsers/Cleaner.h"
#include "browsers/BrowserHome.h"
#include "browsers/Consent.h"
#include "browsers/InUse.h"
#include "browsers/ProfileFiles.h"
#include "browsers/StoreDatabase.h"
#include "support/Corvanectl.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

namespace corvane::browsers {
namespace {

using testing::BrowserHome;
using testing::Exec;
using testing::Query;
using testing::ReadBytes;
using testing::ReadTree;
namespace fs = std::filesystem;

constexpr char kPlaces[] = R"(
CREATE TABLE moz_origins (id INTEGER PRIMARY KEY, prefix TEXT, host TEXT, frecency INTEGER);
CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url TEXT, title TEXT, visit_count INTEGER,
  typed INTEGER, frecency INTEGER, last_visit_date INTEGER, foreign_count INTEGER,
  origin_id INTEGER);
CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY, place_id INTEGER, visit_date INTEGER);
CREATE TABLE moz_inputhistory (place_id INTEGER, input TEXT, use_count INTEGER);
CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, fk INTEGER, title TEXT);
INSERT INTO moz_origins VALUES (1, 'http://', 'secret-site.test', 10), (2, 'http://', 'kept.test', 5);
INSERT INTO moz_places VALUES
  (1, 'http://secret-site.test/private-page', 'Private', 3, 1, 100, 5, 0, 1),
  (2, 'http://kept.test/bookmarked', 'Kept', 2, 1, 50, 6, 1, 2);
INSERT INTO moz_historyvisits VALUES (1, 1, 5), (2, 1, 6), (3, 2, 7);
INSERT INTO moz_inputhistory VALUES (1, 'secret-typed-input', 2);
INSERT INTO moz_bookmarks VALUES (1, 2, 'My bookmark');
)";

// A Firefox profile with history, cookies, form history, cache, session files and the files the
// cleaner must never touch.
struct FirefoxProfile {
    BrowserHome home;
    fs::path folder;
    std::string id;

    FirefoxProfile() {
        folder = home.AddFirefox(home.Home() / ".mozilla/firefox", "t.default", "default");
        id = "firefox:" + folder.string();
        EXPECT_TRUE(
            Exec(folder / "places.sqlite", std::string("PRAGMA journal_mode=WAL;") + kPlaces));
        EXPECT_TRUE(
            Exec(folder / "cookies.sqlite",
                 "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, host TEXT, value TEXT);"
                 "INSERT INTO moz_cookies VALUES (1, 'secret-site.test', 'secret-cookie-value');"));
        EXPECT_TRUE(Exec(
            folder / "formhistory.sqlite",
            "CREATE TABLE moz_formhistory (id INTEGER PRIMARY KEY, fieldname TEXT, value TEXT);"
            "INSERT INTO moz_formhistory VALUES (1, 'q', 'secret-form-entry');"));
        EXPECT_TRUE(Exec(folder / "permissions.sqlite",
                         "CREATE TABLE moz_perms (origin TEXT); INSERT INTO "
                         "moz_perms VALUES ('http://secret-site.test');"));
        std::ofstream(folder / "prefs.js") << "user_pref(\"kept\", 1);\n";
        std::ofstream(folder / "logins.json") << "{\"logins\": []}";
        EXPECT_TRUE(
            Exec(folder / "favicons.sqlite",
                 "CREATE TABLE moz_icons (id INTEGER PRIMARY KEY, icon_url TEXT, root INTEGER);"
                 "CREATE TABLE moz_pages_w_icons (id INTEGER PRIMARY KEY, page_url TEXT);"
                 "CREATE TABLE moz_icons_to_pages (page_id INTEGER, icon_id INTEGER);"
                 "INSERT INTO moz_icons VALUES (1, 'http://secret-site.test/secret-icon.png', 0),"
                 "  (2, 'http://kept.test/favicon.ico', 1), (3, "
                 "'http://secret-site.test/favicon.ico', 1);"
                 "INSERT INTO moz_pages_w_icons VALUES (1, 'http://secret-site.test/private-page'),"
                 "  (2, 'http://kept.test/bookmarked');"
                 "INSERT INTO moz_icons_to_pages VALUES (1, 1);"));
        for (const char* origin : {"http+++secret-site.test", "moz-extension+++kept-extension"}) {
            fs::create_directories(folder / "storage/default" / origin / "ls");
            std::ofstream(folder / "storage/default" / origin / "ls/data.sqlite")
                << "secret-storage";
        }
        std::ofstream(folder / "SiteSecurityServiceState.bin") << "secret-site.test";
        std::ofstream(folder / "sessionstore.jsonlz4") << "secret-session";
        fs::create_directories(folder / "sessionstore-backups");
        std::ofstream(folder / "sessionstore-backups/recovery.jsonlz4") << "secret-session";
        const fs::path cache = home.Cache() / "mozilla/firefox/t.default/cache2";
        fs::create_directories(cache / "entries");
        fs::create_directories(cache / "doomed");
        std::ofstream(cache / "entries/ABCDEF") << "secret-cache-entry";
        std::ofstream(cache / "entries/012345") << "secret-cache-entry";
        std::ofstream(cache / "index") << "index";
    }
    fs::path Cache() const { return home.Cache() / "mozilla/firefox/t.default/cache2"; }
    void Enable() {
        std::string error;
        EXPECT_TRUE(SetConsent(id, Consent::Enabled, error)) << error;
    }
};

TEST(FirefoxCleaner, ErasesTheTracesKeepsBookmarksAndLeavesNoBytesBehind) {
    FirefoxProfile p;
    // The scan counts an enabled profile's cookies and cache entries, and nothing before.
    const auto scan = [] { return testing::RunCorvanectl({"scan"}).out; };
    EXPECT_NE(scan().find("Cookies Found: 0\nOther Files Found: 0\n"), std::string::npos);
    p.Enable();
    EXPECT_NE(scan().find("Cookies Found: 1\nOther Files Found: 2\n"), std::string::npos);

    const CleaningReport report = CleanEnabledProfiles();
    ASSERT_EQ(report.profiles.size(), 1u);
    const ProfileReport& r = report.profiles[0];
    EXPECT_EQ(r.outcome, Outcome::Cleaned) << r.Line();
    EXPECT_EQ(r.Count("history"), 3);
    EXPECT_EQ(r.Count("cookies"), 1);
    EXPECT_EQ(r.Count("form history"), 1);
    EXPECT_EQ(r.Count("cache files"), 3);
    EXPECT_EQ(r.Count("session files"), 2);
    EXPECT_EQ(r.Count("site data"), 2); // one origin's storage and the host list

    const fs::path places = p.folder / "places.sqlite";
    EXPECT_EQ(Query(places, "SELECT count(*) FROM moz_historyvisits"), "0");
    EXPECT_EQ(Query(places, "SELECT count(*) FROM moz_inputhistory"), "0");
    EXPECT_EQ(Query(places, "SELECT group_concat(url) FROM moz_places"),
              "http://kept.test/bookmarked");
    EXPECT_EQ(Query(places,
                    "SELECT visit_count || typed || frecency || ifnull(last_visit_date, '-') "
                    "FROM moz_places"),
              "000-");
    EXPECT_EQ(Query(places, "SELECT group_concat(host) FROM moz_origins"), "kept.test");
    EXPECT_EQ(Query(places, "SELECT title FROM moz_bookmarks"), "My bookmark");
    EXPECT_EQ(Query(p.folder / "cookies.sqlite", "SELECT count(*) FROM moz_cookies"), "0");
    EXPECT_EQ(Query(p.folder / "formhistory.sqlite", "SELECT count(*) FROM moz_formhistory"), "0");
    // The bookmarked page keeps its icon and its site's; the rest of the icons go.
    EXPECT_EQ(
        Query(p.folder / "favicons.sqlite", "SELECT group_concat(page_url) FROM moz_pages_w_icons"),
        "http://kept.test/bookmarked");
    EXPECT_EQ(Query(p.folder / "favicons.sqlite", "SELECT group_concat(icon_url) FROM moz_icons"),
              "http://kept.test/favicon.ico");
    EXPECT_TRUE(fs::exists(p.folder / "storage/default/moz-extension+++kept-extension/ls"));
    EXPECT_FALSE(fs::exists(p.folder / "storage/default/http+++secret-site.test"));

    // No erased text is left in any file of the profile or its cache (freed pages, the log).
    const std::string bytes = ReadTree(p.folder) + ReadTree(p.home.Cache());
    for (const char* gone : {"secret-site.test/private-page", "secret-typed-input",
                             "secret-cookie-value", "secret-form-entry", "secret-session",
                             "secret-cache-entry", "secret-icon", "secret-site.test/favicon"})
        EXPECT_EQ(bytes.find(gone), std::string::npos) << gone;
    // What is never erased is all there.
    EXPECT_EQ(Query(p.folder / "permissions.sqlite", "SELECT origin FROM moz_perms"),
              "http://secret-site.test");
    EXPECT_EQ(ReadBytes(p.folder / "prefs.js"), "user_pref(\"kept\", 1);\n");
    EXPECT_TRUE(fs::exists(p.folder / "logins.json"));
    EXPECT_TRUE(fs::is_directory(p.Cache()));
    // The log is emptied by the checkpoint, never deleted by hand.
    EXPECT_TRUE(fs::exists(p.folder / "places.sqlite-wal"));
    EXPECT_EQ(fs::file_size(p.folder / "places.sqlite-wal"), 0u);
}

TEST(FirefoxCleaner, UndecidedAndDisabledProfilesAreNeverTouched) {
    FirefoxProfile p;
    const std::string before = ReadTree(p.folder) + ReadTree(p.home.Cache());
    EXPECT_TRUE(CleanEnabledProfiles().profiles.empty());
    EXPECT_EQ(CountEnabledTraces().cookies, 0);
    std::string error;
    ASSERT_TRUE(SetConsent(p.id, Consent::Disabled, error));
    const CleaningReport named = CleanEnabledProfiles(p.id);
    ASSERT_EQ(named.profiles.size(), 1u);
    EXPECT_EQ(named.profiles[0].outcome, Outcome::NotEnabled);
    EXPECT_EQ(ReadTree(p.folder) + ReadTree(p.home.Cache()), before);

    const auto run = testing::RunCorvanectl({"erase", "browsers", p.id});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("not enabled"), std::string::npos) << run.err;
    EXPECT_EQ(testing::RunCorvanectl({"erase", "browsers", "firefox:/none"}).exitCode, 1);
}

TEST(FirefoxCleaner, ADamagedDatabaseIsLeftAloneAndTheRestStillCleaned) {
    FirefoxProfile p;
    p.Enable();
    const std::string garbage(8192, 'x');
    testing::TempWorld::Write(p.folder / "places.sqlite", garbage);
    fs::remove(p.folder / "places.sqlite-wal");

    const auto run = testing::RunCorvanectl({"erase", "browsers"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("partly cleaned"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("places.sqlite: fails its check"), std::string::npos) << run.err;
    EXPECT_EQ(ReadBytes(p.folder / "places.sqlite"), garbage);
    EXPECT_FALSE(fs::exists(p.folder / "places.sqlite.damaged")); // never moved aside
    EXPECT_EQ(Query(p.folder / "cookies.sqlite", "SELECT count(*) FROM moz_cookies"), "0");
    EXPECT_FALSE(fs::exists(p.Cache() / "entries/ABCDEF"));
}

TEST(FirefoxCleaner, ADatabaseLockedByAnotherProgramIsSkippedUnchanged) {
    FirefoxProfile p;
    p.Enable();
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open((p.folder / "cookies.sqlite").c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    const CleaningReport report = CleanEnabledProfiles();
    // Nor can the scan read it: it says so instead of counting no cookie.
    const auto scan = testing::RunCorvanectl({"scan"});
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    EXPECT_NE(scan.out.find("Firefox - default: cookies.sqlite not counted: in use"),
              std::string::npos)
        << scan.out;
    sqlite3_close(holder);
    ASSERT_EQ(report.profiles.size(), 1u);
    EXPECT_EQ(report.profiles[0].outcome, Outcome::Partly);
    ASSERT_EQ(report.profiles[0].problems.size(), 1u);
    EXPECT_NE(report.profiles[0].problems[0].find("cookies.sqlite"), std::string::npos);
    EXPECT_EQ(Query(p.folder / "cookies.sqlite", "SELECT count(*) FROM moz_cookies"), "1");
    EXPECT_EQ(Query(p.folder / "places.sqlite", "SELECT count(*) FROM moz_historyvisits"), "0");
}

TEST(FirefoxCleaner, ACrashLeftLogIsReplayedAndItsRowsErasedToo) {
    FirefoxProfile p;
    p.Enable();
    // A browser that crashed: committed rows still only in the -wal file when it stopped.
    const fs::path live = p.home.World().Root() / "live.sqlite";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(live.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(db,
                     "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;"
                     "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, host TEXT, value TEXT);"
                     "INSERT INTO moz_cookies VALUES (1, 'h', 'cookie-only-in-the-log');",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    fs::copy_file(live, p.folder / "cookies.sqlite", fs::copy_options::overwrite_existing);
    fs::copy_file(live.string() + "-wal", p.folder / "cookies.sqlite-wal");
    sqlite3_close(db);
    ASSERT_NE(ReadBytes(p.folder / "cookies.sqlite-wal").find("cookie-only-in-the-log"),
              std::string::npos);

    const CleaningReport report = CleanEnabledProfiles();
    ASSERT_EQ(report.profiles.size(), 1u);
    EXPECT_EQ(report.profiles[0].Count("cookies"), 1);
    EXPECT_EQ(Query(p.folder / "cookies.sqlite", "SELECT count(*) FROM moz_cookies"), "0");
    EXPECT_EQ((ReadBytes(p.folder / "cookies.sqlite") + ReadBytes(p.folder / "cookies.sqlite-wal"))
                  .find("cookie-only-in-the-log"),
              std::string::npos);
}

// A cookie store the cleaner may read but not write leaves the profile partly cleaned, and the
// store keeps its row. The superuser writes through file permissions, so as root the cleaner runs
// as the unprivileged user nobody, through corvanectl, on a home that is all nobody's.
TEST(FirefoxCleaner, AReadOnlyProfileIsReportedNotCountedAsCleaned) {
    FirefoxProfile p;
    p.Enable();
    const fs::path cookies = p.folder / "cookies.sqlite";
    if (::geteuid() != 0) {
        fs::permissions(cookies, fs::perms::owner_read);
        const CleaningReport report = CleanEnabledProfiles();
        fs::permissions(cookies, fs::perms::owner_read | fs::perms::owner_write);
        ASSERT_EQ(report.profiles.size(), 1u);
        EXPECT_EQ(report.profiles[0].outcome, Outcome::Partly);
        EXPECT_NE(report.profiles[0].erased.size(), 0u); // the rest of the profile was cleaned
    } else {
        testing::Unprivileged nobody;
        if (const std::string why = nobody.Unavailable(); !why.empty())
            GTEST_SKIP() << why;
        const fs::path root = p.home.World().Root();
        ASSERT_EQ(::chown(root.c_str(), nobody.Uid(), nobody.Gid()), 0);
        for (const auto& entry : fs::recursive_directory_iterator(root))
            ASSERT_EQ(::lchown(entry.path().c_str(), nobody.Uid(), nobody.Gid()), 0)
                << entry.path();
        fs::permissions(cookies, fs::perms::owner_read);
        const auto r = nobody.Run({"erase", "browsers"});
        EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
        EXPECT_NE(r.err.find("(" + p.id + "): partly cleaned: "), std::string::npos) << r.err;
        // What nobody could write was cleaned: the history went.
        EXPECT_EQ(Query(p.folder / "places.sqlite", "SELECT count(*) FROM moz_historyvisits"), "0");
    }
    EXPECT_EQ(Query(cookies, "SELECT count(*) FROM moz_cookies"), "1");
}

TEST(ProfileFiles, EmptyingAFolderRemovesLinksButNeverWhatTheyPointAt) {
    testing::TempWorld world;
    const fs::path cache = world.Root() / "cache";
    const fs::path outside = world.Root() / "outside";
    fs::create_directories(cache / "sub/deeper");
    fs::create_directories(outside);
    std::ofstream(outside / "precious") << "keep me";
    std::ofstream(cache / "a") << "1";
    std::ofstream(cache / "sub/deeper/b") << "2";
    fs::create_symlink(outside / "precious", cache / "file-link");
    fs::create_directory_symlink(outside, cache / "sub/folder-link");

    EXPECT_EQ(CountFiles(cache), 2);
    const RemoveResult removed = RemoveInFolder(cache);
    EXPECT_TRUE(removed.ok) << removed.error;
    EXPECT_EQ(removed.files, 4); // two files and two links
    EXPECT_TRUE(fs::is_empty(cache));
    EXPECT_EQ(ReadBytes(outside / "precious"), "keep me");

    // The folder itself given as a link is not followed.
    fs::create_directory_symlink(outside, world.Root() / "cache-link");
    EXPECT_FALSE(RemoveInFolder(world.Root() / "cache-link").ok);
    EXPECT_TRUE(fs::exists(outside / "precious"));
    // A missing folder is nothing to do, not a failure.
    EXPECT_TRUE(RemoveInFolder(world.Root() / "missing").ok);
}

TEST(ChromiumCleaner, ErasesHistoryCookiesAutofillCacheAndSessionsOnly) {
    BrowserHome home;
    const fs::path data = home.Config() / "chromium";
    BrowserHome::AddChromium(data, {"Default", "Profile 1"});
    const fs::path folder = data / "Default";
    ASSERT_TRUE(
        Exec(folder / "History",
             "CREATE TABLE meta (key TEXT, value TEXT); INSERT INTO meta VALUES ('version', '70');"
             "CREATE TABLE urls (id INTEGER PRIMARY KEY, url TEXT, typed_count INTEGER);"
             "CREATE TABLE visits (id INTEGER PRIMARY KEY, url INTEGER);"
             "CREATE TABLE keyword_search_terms (term TEXT, url_id INTEGER);"
             "INSERT INTO urls VALUES (1, 'http://secret-site.test/chromium-page', 1);"
             "INSERT INTO visits VALUES (1, 1), (2, 1);"
             "INSERT INTO keyword_search_terms VALUES ('secret search term', 1);"));
    ASSERT_TRUE(Exec(folder / "Cookies",
                     "CREATE TABLE cookies (host_key TEXT, value TEXT);"
                     "INSERT INTO cookies VALUES ('h', 'secret-cookie-value');"));
    ASSERT_TRUE(Exec(folder / "Web Data", "CREATE TABLE autofill (name TEXT, value TEXT);"
                                          "CREATE TABLE keywords (keyword TEXT);"
                                          "INSERT INTO autofill VALUES ('q', 'secret-form-entry');"
                                          "INSERT INTO keywords VALUES ('kept-search-engine');"));
    ASSERT_TRUE(Exec(folder / "Login Data",
                     "CREATE TABLE logins (origin_url TEXT);"
                     "INSERT INTO logins VALUES ('http://secret-site.test');"));
    std::ofstream(folder / "Bookmarks")
        << R"({"roots": {"bookmark_bar": {"children": [{"type": "url", "url": "http://kept.test/b"}]}}})";
    ASSERT_TRUE(Exec(folder / "Favicons",
                     "CREATE TABLE icon_mapping (page_url TEXT, icon_id INTEGER);"
                     "CREATE TABLE favicons (id INTEGER PRIMARY KEY, url TEXT);"
                     "CREATE TABLE favicon_bitmaps (icon_id INTEGER, image_data BLOB);"
                     "INSERT INTO icon_mapping VALUES ('http://kept.test/b', 1),"
                     "  ('http://secret-site.test/chromium-page', 2);"
                     "INSERT INTO favicons VALUES (1, 'http://kept.test/i.ico'),"
                     "  (2, 'http://secret-site.test/secret-icon.ico');"
                     "INSERT INTO favicon_bitmaps VALUES (1, 'k'), (2, 'secret-bitmap');"));
    ASSERT_TRUE(Exec(folder / "Top Sites",
                     "CREATE TABLE meta (key TEXT, value TEXT); INSERT INTO meta VALUES ('v', '4');"
                     "CREATE TABLE top_sites (url TEXT);"
                     "INSERT INTO top_sites VALUES ('http://secret-site.test/chromium-page');"));
    fs::create_directories(data / "segmentation_platform");
    ASSERT_TRUE(Exec(data / "segmentation_platform/ukm_db",
                     "CREATE TABLE urls (url TEXT); INSERT INTO urls VALUES ('shared-by-both');"));
    for (const char* origin : {"http_secret-site.test_0.indexeddb.leveldb",
                               "chrome-extension_kept_0.indexeddb.leveldb"}) {
        fs::create_directories(folder / "IndexedDB" / origin);
        std::ofstream(folder / "IndexedDB" / origin / "000003.log") << "secret-storage";
    }
    std::ofstream(folder / "Preferences") << "{\"kept\": true}";
    fs::create_directories(folder / "Sessions");
    std::ofstream(folder / "Sessions/Session_1") << "secret-session";
    const fs::path cache = home.Cache() / "chromium/Default/Cache/Cache_Data";
    fs::create_directories(cache / "index-dir");
    std::ofstream(cache / "0123456789abcdef_0") << "secret-cache-entry";
    std::ofstream(cache / "index") << "i";
    std::ofstream(cache / "index-dir/the-real-index") << "i";
    std::string error;
    ASSERT_TRUE(SetConsent("chromium:" + folder.string(), Consent::Enabled, error));
    EXPECT_EQ(CountEnabledTraces().cookies, 1);
    EXPECT_EQ(CountEnabledTraces().cacheEntries, 1);

    const auto run = testing::RunCorvanectl({"erase", "browsers"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Chromium - Default (chromium:" + folder.string() +
                           "): erased history 2, history files 0, cookies 1, site data 1, "
                           "cache files 3, session files 1, form history 1; "
                           "segmentation_platform/ukm_db left: it also holds the history of "
                           "Chromium - Profile 1, not enabled"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(Query(folder / "History", "SELECT count(*) FROM urls"), "0");
    EXPECT_EQ(Query(folder / "History", "SELECT value FROM meta"), "70");
    EXPECT_EQ(Query(folder / "Web Data", "SELECT keyword FROM keywords"), "kept-search-engine");
    EXPECT_EQ(Query(folder / "Login Data", "SELECT count(*) FROM logins"), "1");
    EXPECT_EQ(ReadBytes(folder / "Preferences"), "{\"kept\": true}");
    EXPECT_NE(ReadBytes(folder / "Bookmarks").find("kept.test/b"), std::string::npos);
    for (const char* file : {"History", "Cookies", "Web Data", "Favicons", "Top Sites"})
        for (const char* gone : {"chromium-page", "secret search term", "secret-cookie-value",
                                 "secret-form-entry", "secret-icon", "secret-bitmap"})
            EXPECT_EQ(ReadBytes(folder / file).find(gone), std::string::npos) << file << gone;
    EXPECT_EQ(Query(folder / "Favicons", "SELECT group_concat(url) FROM favicons"),
              "http://kept.test/i.ico");
    EXPECT_EQ(Query(folder / "Top Sites", "SELECT value FROM meta"), "4");
    EXPECT_TRUE(fs::exists(folder / "IndexedDB/chrome-extension_kept_0.indexeddb.leveldb"));
    EXPECT_FALSE(fs::exists(folder / "IndexedDB/http_secret-site.test_0.indexeddb.leveldb"));
    // Once every profile of the browser is agreed to, the store they share goes too.
    EXPECT_EQ(Query(data / "segmentation_platform/ukm_db", "SELECT count(*) FROM urls"), "1");
    ASSERT_TRUE(SetConsent("chromium:" + (data / "Profile 1").string(), Consent::Enabled, error));
    EXPECT_EQ(testing::RunCorvanectl({"erase", "browsers"}).exitCode, 0);
    EXPECT_EQ(Query(data / "segmentation_platform/ukm_db", "SELECT count(*) FROM urls"), "0");
    EXPECT_FALSE(fs::exists(folder / "Sessions"));
    EXPECT_TRUE(fs::is_empty(cache));
}

TEST(FirefoxCleaner, AKindTheUserSkipsIsLeftWholeAndCanBeTakenBackIn) {
    FirefoxProfile p;
    p.Enable();
    EXPECT_EQ(testing::RunCorvanectl({"browsers", "skip", p.id, "cookies"}).out,
              "Firefox - default: cleans history,cache,session,forms\n");
    EXPECT_EQ(testing::RunCorvanectl({"browsers", "skip", p.id, "passwords"}).exitCode, 2);
    EXPECT_NE(testing::RunCorvanectl({"browsers", "list"})
                  .out.find("\tenabled\tclosed\thistory,cache,session,forms\n"),
              std::string::npos);
    const std::string storage = ReadTree(p.folder / "storage");
    const auto run = testing::RunCorvanectl({"erase", "browsers"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.find("cookies"), std::string::npos) << run.out;
    EXPECT_EQ(Query(p.folder / "cookies.sqlite", "SELECT count(*) FROM moz_cookies"), "1");
    EXPECT_EQ(ReadTree(p.folder / "storage"), storage);
    EXPECT_EQ(Query(p.folder / "places.sqlite", "SELECT count(*) FROM moz_historyvisits"), "0");
    testing::RunCorvanectl({"browsers", "include", p.id, "cookies"});
    EXPECT_NE(testing::RunCorvanectl({"erase", "browsers", "--dry-run"}).out.find("cookies 1"),
              std::string::npos);
    EXPECT_NE(testing::RunCorvanectl({"browsers", "list"}).out.find("\tclosed\tall\n"),
              std::string::npos);
}

TEST(CleaningLocks, AMissingBrowserLockIsMadeAndHeldAndASecondCorvaneSaysSo) {
    FirefoxProfile p;
    p.Enable();
    Profile profile;
    ASSERT_TRUE(FindProfile(p.id, profile));
    ASSERT_FALSE(fs::exists(p.folder / ".parentlock"));
    {
        const CleaningLock lock(profile);
        ASSERT_EQ(lock.Blocked(), Holder::Nobody);
        // A browser started now (another process) finds the profile taken.
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(IsFirefoxProfileLocked(p.folder) ? 0 : 1);
        int status = -1;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(CleaningLock(profile).Blocked(), Holder::OtherCorvane);
        const auto run = testing::RunCorvanectl({"erase", "browsers"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find("(" + p.id + "): skipped, being cleaned by another Corvane"),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(Query(p.folder / "cookies.sqlite", "SELECT count(*) FROM moz_cookies"), "1");
    }
    EXPECT_EQ(CleaningLock(profile).Blocked(), Holder::Nobody);
}

TEST(CleaningLocks, AChromiumStartedDuringTheCleanStopsItAfterTheStoreInHand) {
    BrowserHome home;
    const fs::path data = home.Config() / "chromium";
    BrowserHome::AddChromium(data, {"Default"});
    const fs::path folder = data / "Default";
    ASSERT_TRUE(Exec(folder / "History",
                     "CREATE TABLE urls (url TEXT); CREATE TABLE visits (url INTEGER);"
                     "INSERT INTO urls VALUES ('http://secret-site.test/'); "
                     "INSERT INTO visits VALUES (1);"));
    ASSERT_TRUE(Exec(folder / "Cookies", "CREATE TABLE cookies (host_key TEXT);"
                                         "INSERT INTO cookies VALUES ('h');"));
    fs::create_directories(folder / "Sessions");
    std::ofstream(folder / "Sessions/Session_1") << "written by the browser";
    Profile profile;
    ASSERT_TRUE(FindProfile("chromium:" + folder.string(), profile));
    int asked = 0;
    // The browser comes up while the first store is being cleaned.
    const ProfileReport report = CleanProfile(profile, UserFolders::FromEnvironment(),
                                              [&](const Profile&) { return ++asked > 1; });
    EXPECT_EQ(report.outcome, Outcome::BrowserStarted);
    EXPECT_EQ(Query(folder / "History", "SELECT count(*) FROM urls"), "0");
    EXPECT_EQ(Query(folder / "Cookies", "SELECT count(*) FROM cookies"), "1");
    EXPECT_TRUE(fs::exists(folder / "Sessions/Session_1"));
    EXPECT_NE(report.Line().find("stopped, the browser started during the clean: erased "
                                 "history 1; not cleaned: Favicons, "),
              std::string::npos)
        << report.Line();
    EXPECT_FALSE((CleaningReport{{report}, {}}.AllCleaned()));
}

} // namespace
} // namespace corvane::browsers

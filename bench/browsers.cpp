// Cleaning a large real profile against the sqlite3 command-line tool running the same
// statements on the same files in the same run, and the watcher's check of ten profiles per beat.
//
// usage: bench_browsers PROFILES   (a folder made by tests/browsers/make-profiles.sh)

#include "browsers/Cleaner.h"
#include "browsers/ProfileWatcher.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace fs = std::filesystem;
using namespace corvane::browsers;

namespace {

bool Exec(const fs::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    char* error = nullptr;
    const bool ok = sqlite3_open(file.c_str(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK;
    if (!ok)
        std::fprintf(stderr, "%s: %s\n", file.c_str(), error ? error : sqlite3_errmsg(db));
    sqlite3_free(error);
    sqlite3_close(db);
    return ok;
}

// The names of a table's columns (or of the tables of a database, with `table` empty).
std::vector<std::string> Names(const fs::path& file, const std::string& table) {
    std::vector<std::string> names;
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    const std::string sql = table.empty() ? "SELECT name FROM sqlite_master WHERE type = 'table' "
                                            "AND name <> 'meta' AND name NOT LIKE 'sqlite\\_%' "
                                            "ESCAPE '\\'"
                                          : "SELECT name FROM pragma_table_info('" + table + "')";
    if (sqlite3_open(file.c_str(), &db) == SQLITE_OK &&
        sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK)
        while (sqlite3_step(stmt) == SQLITE_ROW)
            names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return names;
}

// The numbers 1 to `count` as a common table `n(i)` to make rows from.
std::string Numbers(int count) {
    return "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
           std::to_string(count) + ")";
}

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The statements the cleaners run on these schemas, for the command-line tool.
const char* kCheck = "PRAGMA quick_check;\nPRAGMA secure_delete = ON;\nBEGIN IMMEDIATE;\n";
const char* kEnd = "COMMIT;\nVACUUM;\nPRAGMA wal_checkpoint(TRUNCATE);\n";
const std::string kFirefoxPlaces =
    std::string(kCheck) +
    "DELETE FROM moz_historyvisits; DELETE FROM moz_historyvisits_extra;"
    "DELETE FROM moz_inputhistory; DELETE FROM moz_places_metadata_search_queries;"
    "DELETE FROM moz_places_metadata; DELETE FROM moz_annos; DELETE FROM moz_previews_tombstones;"
    "DELETE FROM moz_newtab_shortcuts_interaction; DELETE FROM moz_newtab_story_click;"
    "DELETE FROM moz_newtab_story_impression;"
    "DELETE FROM moz_places_extra WHERE place_id IN "
    "(SELECT id FROM moz_places WHERE foreign_count = 0);"
    "DELETE FROM moz_places WHERE foreign_count = 0;"
    "UPDATE moz_places SET visit_count = 0, last_visit_date = NULL, typed = 0, frecency = 0, "
    "recalc_frecency = 1, alt_frecency = NULL, recalc_alt_frecency = 1;"
    "DELETE FROM moz_origins WHERE id NOT IN "
    "(SELECT origin_id FROM moz_places WHERE origin_id IS NOT NULL);"
    "UPDATE moz_origins SET frecency = 0, recalc_frecency = 1, alt_frecency = NULL, "
    "recalc_alt_frecency = 1;\n" +
    kEnd;

struct Case {
    const char* name;
    fs::path profile;                          // in the copy
    std::function<bool(const fs::path&)> fill; // makes the rows in a copy
    // file in the profile and its script, made from the seeded copy
    std::function<std::vector<std::pair<std::string, std::string>>(const fs::path&)> cli;
    std::function<ProfileReport(const Profile&)> clean;
};

bool Run(const Case& c, const fs::path& made, const fs::path& work) {
    const fs::path seeded = work / "seeded";
    fs::remove_all(work);
    fs::create_directories(work);
    fs::copy(made / c.profile, seeded,
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    if (!c.fill(seeded))
        return false;
    const auto scripts = c.cli(seeded);
    double ours = 1e9, peer = 1e9;
    for (int round = 0; round < 3; ++round) {
        const fs::path a = work / "ours", b = work / "peer";
        fs::remove_all(a);
        fs::remove_all(b);
        fs::copy(seeded, a, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        fs::copy(seeded, b, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        Profile profile;
        profile.folder = profile.realFolder = a;
        profile.lockFolder = a;
        ProfileReport report;
        ours = std::min(ours, Seconds([&] { report = c.clean(profile); }));
        // A cleaning that failed would be fast and prove nothing.
        if (round == 0)
            std::printf("%-10s %s\n", c.name, report.Line().c_str());
        peer = std::min(peer, Seconds([&] {
                            for (const auto& [file, script] : scripts) {
                                const fs::path sql = work / "script.sql";
                                std::ofstream(sql) << script;
                                const std::string command = "sqlite3 '" + (b / file).string() +
                                                            "' < '" + sql.string() + "' >/dev/null";
                                if (std::system(command.c_str()) != 0)
                                    std::fprintf(stderr, "sqlite3 failed on %s\n", file.c_str());
                            }
                        }));
    }
    std::printf("%-10s corvane %.3f s   sqlite3 %.3f s   ratio %.2f (goal <= 1.2)\n", c.name, ours,
                peer, ours / peer);
    return true;
}

std::string Simple(const char* table) {
    return std::string(kCheck) + "DELETE FROM " + table + ";\n" + kEnd;
}

// 10,000 cookies shaped like the one the browser stored, each under its own name.
bool FillCookies(const fs::path& file) {
    std::string columns, values;
    for (const std::string& column : Names(file, "cookies")) {
        columns += (columns.empty() ? "" : ", ") + column;
        values +=
            (values.empty() ? "" : ", ") + (column == "name"    ? std::string("'c' || i")
                                            : column == "value" ? std::string("hex(randomblob(16))")
                                                                : column);
    }
    return Exec(file, "CREATE TEMP TABLE one AS SELECT * FROM cookies LIMIT 1;" + Numbers(10000) +
                          " INSERT INTO cookies (" + columns + ") SELECT " + values +
                          " FROM one, n;");
}

void WatcherBeat(const fs::path& work) {
    std::vector<Profile> profiles;
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    for (int i = 0; i < 10; ++i) {
        Profile p;
        p.family = i % 2 ? Family::Firefox : Family::Chromium;
        p.folder = p.lockFolder = work / ("p" + std::to_string(i));
        p.id = std::string(FamilyWord(p.family)) + ":" + p.folder.string();
        fs::create_directories(p.folder);
        if (p.family == Family::Firefox)
            std::ofstream(p.folder / ".parentlock");
        else
            fs::create_symlink(std::string(host) + "-1", p.folder / "SingletonLock");
        profiles.push_back(p);
    }
    ProfileWatcher watcher({{}, {}, [&] { return profiles; }, {}, {}});
    watcher.Refresh();
    constexpr int kBeats = 20000;
    // The processor time too: on a shared machine the wall time mostly measures the wait for a
    // processor, not the work of the beat.
    const std::clock_t cpuStart = std::clock();
    const double seconds = Seconds([&] {
        for (int i = 0; i < kBeats; ++i)
            watcher.Check();
    });
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    std::printf("watcher    %.4f ms per beat of 10 profiles, %.4f ms of processor time "
                "(goal <= 0.1 ms)\n",
                seconds * 1000 / kBeats, cpu * 1000 / kBeats);
}

} // namespace

int main(int argc, char** argv) {
    const char* made = argc > 1 ? argv[1] : std::getenv("CORVANE_BROWSER_PROFILES");
    if (!made) {
        std::fprintf(stderr, "usage: bench_browsers PROFILES (made by make-profiles.sh)\n");
        return 2;
    }
    const fs::path work =
        fs::temp_directory_path() / ("corvane-bench-browsers-" + std::to_string(getpid()));
    const std::vector<Case> cases = {
        {"firefox", "home/.mozilla/firefox/corvtest.default-esr",
         [](const fs::path& p) {
             return Exec(p / "places.sqlite",
                         "BEGIN;" + Numbers(20000) +
                             " INSERT INTO moz_places (url, title, rev_host, guid, url_hash, "
                             "frecency,"
                             " visit_count, last_visit_date)"
                             " SELECT 'https://site' || (i % 500) || '.example/page/' || i, 'Page "
                             "' || "
                             "i,"
                             " 'elpmaxe.' || (i % 500) || 'etis.', 'g' || i, i, 100, 5, i FROM n;" +
                             Numbers(100000) +
                             " INSERT INTO moz_historyvisits (place_id, visit_date, visit_type)"
                             " SELECT (SELECT max(id) FROM moz_places) - (i % 20000), i, 1 FROM n;"
                             "COMMIT;") &&
                    Exec(p / "cookies.sqlite", Numbers(10000) +
                                                   " INSERT INTO moz_cookies (name, value, host, "
                                                   "path, expiry, lastAccessed,"
                                                   " creationTime, isSecure, isHttpOnly)"
                                                   " SELECT 'c' || i, hex(randomblob(16)), 'site' "
                                                   "|| (i % 500) || '.example',"
                                                   " '/', 2000000000, i, i, 0, 0 FROM n;");
         },
         [](const fs::path&) {
             return std::vector<std::pair<std::string, std::string>>{
                 {"places.sqlite", kFirefoxPlaces},
                 {"cookies.sqlite", Simple("moz_cookies")},
                 {"formhistory.sqlite", std::string(kCheck) +
                                            "DELETE FROM moz_formhistory; DELETE FROM "
                                            "moz_deleted_formhistory;\n" +
                                            kEnd}};
         },
         [](const Profile& p) { return CleanProfile(p); }},
        {"chromium", "config/chromium/Default",
         [](const fs::path& p) {
             return Exec(
                        p / "History",
                        "BEGIN;" + Numbers(20000) +
                            " INSERT INTO urls (url, title, visit_count, typed_count, "
                            "last_visit_time, hidden)"
                            " SELECT 'https://site' || (i % 500) || '.example/page/' || i, 'Page ' "
                            "|| "
                            "i,"
                            " 5, 0, i, 0 FROM n;" +
                            Numbers(100000) +
                            " INSERT INTO visits (url, visit_time, transition)"
                            " SELECT (SELECT max(id) FROM urls) - (i % 20000), i, 805306368 FROM n;"
                            "COMMIT;") &&
                    FillCookies(p / "Cookies");
         },
         [](const fs::path& p) {
             std::string history = kCheck;
             for (const std::string& table : Names(p / "History", ""))
                 history += "DELETE FROM \"" + table + "\";\n";
             return std::vector<std::pair<std::string, std::string>>{
                 {"History", history + kEnd},
                 {"Cookies", Simple("cookies")},
                 {"Web Data", Simple("autofill")}};
         },
         [](const Profile& p) { return CleanProfile(p); }},
    };
    bool ok = true;
    for (const Case& c : cases)
        ok = Run(c, made, work / c.name) && ok;
    WatcherBeat(work / "watcher");
    fs::remove_all(work);
    return ok ? 0 : 1;
}

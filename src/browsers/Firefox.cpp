#include "browsers/Firefox.h"

#include "browsers/ProfileFiles.h"
#include "browsers/StoreDatabase.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace corvane::browsers {
namespace {

bool ColumnExists(sqlite3* db, const char* table, const char* column) {
    return sqlite3_table_column_metadata(db, "main", table, column, nullptr, nullptr, nullptr,
                                         nullptr, nullptr) == SQLITE_OK;
}

// Runs `sql` and adds the rows it changed to `count`.
bool Erase(sqlite3* db, const std::string& sql, long& count, std::string& error) {
    if (!ExecSql(db, sql, error))
        return false;
    count += sqlite3_changes(db);
    return true;
}

// Empties the tables that exist (a table an older or newer version lacks is no fault).
bool EmptyTables(sqlite3* db, std::initializer_list<const char*> tables, std::string& error) {
    long ignored = 0;
    for (const char* table : tables)
        if (TableExists(db, table) &&
            !Erase(db, std::string("DELETE FROM ") + table, ignored, error))
            return false;
    return true;
}

// The places database: visits, input history, metadata and annotations go; a place that a
// bookmark or keyword references (foreign_count > 0) stays, with its visit traces reset, every
// other place goes; origins no place uses any more go too.
bool ErasePlaces(sqlite3* db, long& count, std::string& error) {
    if (!TableExists(db, "moz_places") || !TableExists(db, "moz_historyvisits")) {
        error = "not a places database";
        return false;
    }
    if (!Erase(db, "DELETE FROM moz_historyvisits", count, error) ||
        !EmptyTables(db,
                     {"moz_historyvisits_extra", "moz_inputhistory",
                      "moz_places_metadata_search_queries", "moz_places_metadata", "moz_annos",
                      "moz_previews_tombstones", "moz_newtab_shortcuts_interaction",
                      "moz_newtab_story_click", "moz_newtab_story_impression"},
                     error))
        return false;
    if (TableExists(db, "moz_places_extra") &&
        !ExecSql(db,
                 "DELETE FROM moz_places_extra WHERE place_id IN "
                 "(SELECT id FROM moz_places WHERE foreign_count = 0)",
                 error))
        return false;
    std::string reset = "UPDATE moz_places SET visit_count = 0, last_visit_date = NULL, "
                        "typed = 0, frecency = 0";
    // The browser recomputes the ranks it is told are stale.
    if (ColumnExists(db, "moz_places", "recalc_frecency"))
        reset += ", recalc_frecency = 1";
    if (ColumnExists(db, "moz_places", "alt_frecency"))
        reset += ", alt_frecency = NULL, recalc_alt_frecency = 1";
    if (!ExecSql(db, "DELETE FROM moz_places WHERE foreign_count = 0", error) ||
        !ExecSql(db, reset, error))
        return false;
    if (TableExists(db, "moz_origins")) {
        std::string origins = "UPDATE moz_origins SET frecency = 0";
        if (ColumnExists(db, "moz_origins", "recalc_frecency"))
            origins += ", recalc_frecency = 1";
        if (ColumnExists(db, "moz_origins", "alt_frecency"))
            origins += ", alt_frecency = NULL, recalc_alt_frecency = 1";
        if (!ExecSql(db,
                     "DELETE FROM moz_origins WHERE id NOT IN "
                     "(SELECT origin_id FROM moz_places WHERE origin_id IS NOT NULL)",
                     error) ||
            !ExecSql(db, origins, error))
            return false;
    }
    return true;
}

bool EraseCookies(sqlite3* db, long& count, std::string& error) {
    if (!TableExists(db, "moz_cookies")) {
        error = "not a cookie database";
        return false;
    }
    return Erase(db, "DELETE FROM moz_cookies", count, error);
}

bool EraseFormHistory(sqlite3* db, long& count, std::string& error) {
    if (!TableExists(db, "moz_formhistory")) {
        error = "not a form history database";
        return false;
    }
    return Erase(db, "DELETE FROM moz_formhistory", count, error) &&
           EmptyTables(db, {"moz_deleted_formhistory", "moz_history_to_sources", "moz_sources"},
                       error);
}

bool IsSessionFile(const std::string& name) {
    return name == "sessionstore-backups" ||
           (name.rfind("sessionstore", 0) == 0 && name.find("lz4") != std::string::npos);
}

// Holds the profile's `.parentlock` as the browser itself does, so a browser started while the
// profile is cleaned finds it taken instead of opening half-cleaned databases.
class ProfileLock {
public:
    explicit ProfileLock(const std::filesystem::path& folder)
        : fd_(::open((folder / ".parentlock").c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC)) {
        if (fd_ < 0) {
            // No lock file: no browser has used the profile in a way that left one.
            taken_ = errno == ENOENT;
            return;
        }
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        taken_ = ::fcntl(fd_, F_SETLK, &lock) == 0;
    }
    ~ProfileLock() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    ProfileLock(const ProfileLock&) = delete;
    ProfileLock& operator=(const ProfileLock&) = delete;
    bool Taken() const { return taken_; }

private:
    int fd_ = -1;
    bool taken_ = false;
};

} // namespace

void CleanFirefoxProfile(const Profile& profile, ProfileReport& report) {
    const ProfileLock lock(profile.folder);
    if (!lock.Taken()) {
        report.outcome = Outcome::InUse;
        return;
    }
    CleanDatabaseInto(profile.folder / "places.sqlite", ErasePlaces, "history", report);
    CleanDatabaseInto(profile.folder / "cookies.sqlite", EraseCookies, "cookies", report);
    CleanDatabaseInto(profile.folder / "formhistory.sqlite", EraseFormHistory, "form history",
                      report);
    for (const auto& cache : profile.cacheFolders)
        RemoveInto(cache, {}, "cache files", report);
    RemoveInto(profile.folder, IsSessionFile, "session files", report);
}

void CountFirefoxTraces(const Profile& profile, long& cookies, long& cacheEntries) {
    cookies += CountRows(profile.folder / "cookies.sqlite", "moz_cookies");
    for (const auto& cache : profile.cacheFolders)
        cacheEntries += CountFiles(cache / "entries");
}

} // namespace corvane::browsers

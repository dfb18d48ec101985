#include "browsers/Chromium.h"

#include "browsers/ProfileFiles.h"
#include "browsers/StoreDatabase.h"

namespace corvane::browsers {
namespace {

// The History database holds nothing but the browsing history: every table has an address,
// a search term or the visit they belong to, except `meta`, which keeps the schema version.
bool EraseHistory(sqlite3* db, long& count, std::string& error) {
    if (!TableExists(db, "urls") || !TableExists(db, "visits")) {
        error = "not a history database";
        return false;
    }
    std::vector<std::string> tables;
    {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db,
                               "SELECT name FROM sqlite_master WHERE type = 'table' AND name <> "
                               "'meta' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
                               -1, &raw, nullptr) != SQLITE_OK) {
            error = sqlite3_errmsg(db);
            return false;
        }
        while (sqlite3_step(raw) == SQLITE_ROW)
            tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)));
        sqlite3_finalize(raw);
    }
    for (const std::string& table : tables) {
        std::string quoted = table;
        for (std::size_t at = quoted.find('"'); at != std::string::npos;
             at = quoted.find('"', at + 2))
            quoted.insert(at, 1, '"');
        if (!ExecSql(db, "DELETE FROM \"" + quoted + "\"", error))
            return false;
        if (table == "visits")
            count += sqlite3_changes(db);
    }
    return true;
}

// Runs one DELETE on a table the database must have, counting its rows.
DatabaseWork EmptyTable(const char* table, const char* kind) {
    return [table, kind](sqlite3* db, long& count, std::string& error) {
        if (!TableExists(db, table)) {
            error = std::string("not a ") + kind + " database";
            return false;
        }
        if (!ExecSql(db, std::string("DELETE FROM ") + table, error))
            return false;
        count += sqlite3_changes(db);
        return true;
    };
}

// Newer versions keep an encrypted copy of the session beside the plain one.
bool IsSessionFile(const std::string& name) {
    return name == "Sessions" || name == "Sessions_Encrypted" || name == "Current Session" ||
           name == "Current Tabs" || name == "Last Session" || name == "Last Tabs";
}

// The cache's index files are not entries; everything else in the cache folder is one.
bool IsCacheEntry(const std::string& name) {
    return name != "index" && name != "the-real-index" && name.rfind("data_", 0) != 0;
}

// Newer versions keep the cookies below Network/; an older profile may still have them at the
// top.
std::vector<std::filesystem::path> CookieFiles(const Profile& profile) {
    return {profile.folder / "Network" / "Cookies", profile.folder / "Cookies"};
}

} // namespace

void CleanChromiumProfile(const Profile& profile, ProfileReport& report) {
    CleanDatabaseInto(profile.folder / "History", EraseHistory, "history", report);
    for (const auto& cookies : CookieFiles(profile))
        CleanDatabaseInto(cookies, EmptyTable("cookies", "cookie"), "cookies", report);
    CleanDatabaseInto(profile.folder / "Web Data", EmptyTable("autofill", "form data"),
                      "form history", report);
    for (const auto& cache : profile.cacheFolders)
        RemoveInto(cache / "Cache_Data", {}, "cache files", report);
    RemoveInto(profile.folder, IsSessionFile, "session files", report);
}

void CountChromiumTraces(const Profile& profile, long& cookies, long& cacheEntries) {
    for (const auto& file : CookieFiles(profile))
        cookies += CountRows(file, "cookies");
    for (const auto& cache : profile.cacheFolders)
        cacheEntries += CountFiles(cache / "Cache_Data", IsCacheEntry);
}

} // namespace corvane::browsers

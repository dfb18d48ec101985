#include "browsers/StoreDatabase.h"

#include <cstring>
#include <memory>

namespace corvane::browsers {
namespace {

// A database connection that closes itself.
struct Connection {
    sqlite3* db = nullptr;
    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { sqlite3_close_v2(db); }
};

// A browser holds its databases for the whole run; a short wait covers a second reader only.
constexpr int kBusyMilliseconds = 250;

bool Open(const std::filesystem::path& file, int flags, Connection& connection,
          std::string& error) {
    const int rc =
        sqlite3_open_v2(file.c_str(), &connection.db, flags | SQLITE_OPEN_NOFOLLOW, nullptr);
    if (rc != SQLITE_OK) {
        error = connection.db ? sqlite3_errmsg(connection.db) : sqlite3_errstr(rc);
        return false;
    }
    sqlite3_busy_timeout(connection.db, kBusyMilliseconds);
    return true;
}

// quick_check answers one row "ok" for a sound file and one row per fault otherwise.
bool QuickCheck(sqlite3* db, std::string& error) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &raw, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return false;
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw, sqlite3_finalize);
    const int rc = sqlite3_step(stmt.get());
    if (rc != SQLITE_ROW) {
        error = sqlite3_errmsg(db);
        return false;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0));
    if (!text || std::strcmp(text, "ok") != 0) {
        error = std::string("damaged: ") + (text ? text : "no answer");
        return false;
    }
    return true;
}

} // namespace

bool TableExists(sqlite3* db, const char* table) {
    return sqlite3_table_column_metadata(db, "main", table, nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr) == SQLITE_OK;
}

bool ExecSql(sqlite3* db, const std::string& sql, std::string& error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    error = message ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return false;
}

bool CleanDatabase(const std::filesystem::path& file, const DatabaseWork& work, long& count,
                   std::string& problem) {
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(file, ec)))
        return true;
    const std::string name = file.filename().string();
    Connection connection;
    std::string error;
    if (!Open(file, SQLITE_OPEN_READWRITE, connection, error)) {
        problem = name + ": cannot open (" + error + "), left alone";
        return false;
    }
    sqlite3* db = connection.db;
    // SQLite opens a write-protected file read-only without a word; say so before trying.
    if (sqlite3_db_readonly(db, "main") == 1) {
        problem = name + ": read-only, left alone";
        return false;
    }
    if (!QuickCheck(db, error)) {
        problem = name + ": fails its check (" + error + "), left alone";
        return false;
    }
    long erased = 0;
    if (!ExecSql(db, "PRAGMA secure_delete = ON", error) ||
        !ExecSql(db, "BEGIN IMMEDIATE", error)) {
        problem = name + ": cannot be changed (" + error + "), left alone";
        return false;
    }
    if (!work(db, erased, error) || !ExecSql(db, "COMMIT", error)) {
        std::string ignored;
        ExecSql(db, "ROLLBACK", ignored);
        problem = name + ": cannot be changed (" + error + "), left alone";
        return false;
    }
    count += erased;
    // VACUUM rebuilds the file without the freed pages; the checkpoint moves the rebuilt pages
    // out of the write-ahead log and truncates it, so no erased bytes stay in either file.
    if (!ExecSql(db, "VACUUM", error) || !ExecSql(db, "PRAGMA wal_checkpoint(TRUNCATE)", error)) {
        problem = name + ": rows erased but the file was not compacted (" + error + ")";
        return false;
    }
    return true;
}

long CountRows(const std::filesystem::path& file, const char* table) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return 0;
    Connection connection;
    std::string error;
    if (!Open(file, SQLITE_OPEN_READONLY, connection, error) || !TableExists(connection.db, table))
        return 0;
    sqlite3_busy_timeout(connection.db, 0);
    sqlite3_stmt* raw = nullptr;
    const std::string sql = std::string("SELECT count(*) FROM \"") + table + "\"";
    if (sqlite3_prepare_v2(connection.db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        return 0;
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw, sqlite3_finalize);
    return sqlite3_step(stmt.get()) == SQLITE_ROW ? sqlite3_column_int64(stmt.get(), 0) : 0;
}

void CleanDatabaseInto(const std::filesystem::path& file, const DatabaseWork& work,
                       const char* what, ProfileReport& report) {
    long count = 0;
    std::string problem;
    if (CleanDatabase(file, work, count, problem))
        report.Add(what, count);
    else
        report.problems.push_back(problem);
}

} // namespace corvane::browsers

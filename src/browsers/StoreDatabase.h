#pragma once
// Changing a profile database safely, and counting its rows without writing.

#include "browsers/CleanReport.h"

#include <sqlite3.h>

#include <filesystem>
#include <functional>
#include <string>

namespace corvane::browsers {

/// True when the open database has a table of this name.
bool TableExists(sqlite3* db, const char* table);

/// Runs SQL without results on an open database; false with `error` on failure.
bool ExecSql(sqlite3* db, const std::string& sql, std::string& error);

/// The work done on one database inside its transaction: adds what it erased to `count`, or
/// returns false with `error` (then the transaction is rolled back and nothing is changed).
using DatabaseWork = std::function<bool(sqlite3* db, long& count, std::string& error)>;

/// Cleans one database: opens the existing file (never creating it, never moving it aside),
/// checks it with quick_check, then runs `work` in one transaction with secure_delete on, then
/// VACUUM and a WAL checkpoint. A missing file is no work (true, count 0). Any failure leaves
/// the file as SQLite keeps it and returns false with a line naming the file and the reason.
bool CleanDatabase(const std::filesystem::path& file, const DatabaseWork& work, long& count,
                   std::string& problem);

/// The rows of `table` in a database, read only; 0 when the file is missing, locked or damaged.
long CountRows(const std::filesystem::path& file, const char* table);

/// Cleans one database into a profile's report: its count under `what`, or its problem line.
void CleanDatabaseInto(const std::filesystem::path& file, const DatabaseWork& work,
                       const char* what, ProfileReport& report);

} // namespace corvane::browsers

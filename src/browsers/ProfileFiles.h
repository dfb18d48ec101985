#pragma once
// The file work the family cleaners share: changing a profile database safely, counting its
// rows without writing, and deleting cache and session files through descriptors that never
// follow a link out of the folder being emptied.

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

/// What emptying a folder did.
struct RemoveResult {
    long files = 0;    ///< regular files (and links) removed
    bool ok = true;    ///< false when something could not be removed
    std::string error; ///< the first failure, naming the path
};

/// Which entries directly inside a folder to remove (by name); empty means every entry.
using NameFilter = std::function<bool(const std::string& name)>;

/// Removes the entries of `folder` that `filter` accepts: files and links are unlinked (a link
/// is removed, never followed), folders are emptied and removed, without leaving the file system
/// the folder is on. A missing folder removes nothing. Plain deletes: no per-file flush.
RemoveResult RemoveInFolder(const std::filesystem::path& folder, const NameFilter& filter = {});

/// The regular files inside `folder` and its subfolders that `filter` accepts (by name), without
/// following links; 0 when the folder is missing.
long CountFiles(const std::filesystem::path& folder, const NameFilter& filter = {});

/// Cleans one database into a profile's report: its count under `what`, or its problem line.
void CleanDatabaseInto(const std::filesystem::path& file, const DatabaseWork& work,
                       const char* what, ProfileReport& report);

/// Empties a folder into a profile's report: the files removed under `what`, or a problem line.
void RemoveInto(const std::filesystem::path& folder, const NameFilter& filter, const char* what,
                ProfileReport& report);

} // namespace corvane::browsers

#pragma once
// Erasing rows from a database another program owns (a browser's, while it is closed), so that
// no erased byte stays in the file, its log or the disk blocks they leave; and counting rows
// without writing.

#include "platform/sqlitedb.h"

#include <filesystem>
#include <functional>
#include <string>

namespace corvane::browsers {

/// The store's own SQL, run inside the cleaning transaction: adds what it erased to `count`, or
/// returns false with `error` (the transaction is then rolled back and nothing is changed).
using DatabaseWork = std::function<bool(sqlite::Database& db, long& count, std::string& error)>;

/// What cleaning one database did.
struct DatabaseClean {
    /// True when the rows are erased and no erased byte is left in the file or its log.
    bool ok = true;
    /// What the work counted as erased.
    long count = 0;
    /// Why not ok, naming the file; the file is then as it was, or as SQLite keeps it.
    std::string problem;
    /// A remark on a clean that did happen ("not compacted: ..."); empty when none.
    std::string note;
};

/// Cleans one database: opens the existing file (never creating it, never through a link, never
/// moving it aside), refuses it unless SQLite's quick check passes, then runs `work` in one
/// transaction with deleted content overwritten, copies the log into the file and overwrites the
/// log before it is emptied, and compacts the file. A missing file is no work (ok, count 0).
DatabaseClean CleanDatabase(const std::filesystem::path& file, const DatabaseWork& work);

/// Opens a database another program owns to read it, leaving nothing beside it that was not
/// there (a log with frames is read through; its index is there already).
bool OpenToRead(sqlite::Database& db, const std::filesystem::path& file, std::string& error);

/// What CleanDatabase would erase, found on a copy in memory of the file read without a lock of
/// its own: the file and everything beside it stay exactly as they are.
DatabaseClean PreviewDatabase(const std::filesystem::path& file, const DatabaseWork& work);

/// Runs SQL and adds the rows it changed to `count`.
bool EraseRows(sqlite::Database& db, const std::string& sql, long& count, std::string& error);

/// Deletes every row of every table except those named in `keep` and SQLite's own; counts the
/// rows of `counted` (when given). A database of any version is no fault.
bool EmptyAllTables(sqlite::Database& db, std::initializer_list<const char*> keep,
                    const char* counted, long& count, std::string& error);

/// How counting a table went.
enum class CountState {
    Counted, ///< the number is right (0 for a missing file or table)
    InUse,   ///< the file is locked by its browser: not counted
    Failed,  ///< the file cannot be read as a database: not counted
};

/// The rows of `table` in a database, read only, never waiting for a lock.
CountState CountRows(const std::filesystem::path& file, const char* table, long& rows);

} // namespace corvane::browsers

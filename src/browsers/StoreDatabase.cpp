#include "browsers/StoreDatabase.h"

#include "platform/overwrite.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvane::browsers {
namespace {

namespace fs = std::filesystem;

// A browser holds its databases for the whole run; a short wait covers a second reader only.
constexpr int kBusyMilliseconds = 250;

fs::path SideFile(const fs::path& file, const char* suffix) {
    fs::path side = file;
    side += suffix;
    return side;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Quoted(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

// SQLite opens the log and journal by name beside the file; a link or anything but a plain file
// there would send its writes elsewhere.
bool SideFilesArePlain(const fs::path& file, std::string& which) {
    for (const char* suffix : {"-wal", "-journal", "-shm"}) {
        struct stat st {};
        const fs::path side = SideFile(file, suffix);
        if (::lstat(side.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            which = side.filename().string();
            return false;
        }
    }
    return true;
}

// A log or journal SQLite did not make, or left empty, holds nothing to overwrite.
bool ZeroIfThere(const fs::path& file, std::string& error) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0)
        return errno == ENOENT || platform::ZeroFileInPlace(file, error);
    return (S_ISREG(st.st_mode) && st.st_size == 0) || platform::ZeroFileInPlace(file, error);
}

// Copies every page of the write-ahead log into the file, then overwrites the log, whose older
// frames still hold the rows as they were before the erase, and only then empties it: emptying
// alone would hand those bytes to the disk's free blocks.
// The frames a clean writes hold the pages as they are after it, so a log that held no frame of
// before needs no overwrite: copying it into the file is enough.
bool ScrubWriteAheadLog(sqlite::Database& db, const fs::path& file, bool heldOldFrames,
                        std::string& error) {
    if (!heldOldFrames) {
        if (db.TruncateLog())
            return true;
        error = "its log could not be emptied (" + db.ErrorMessage() + ")";
        return false;
    }
    sqlite::Statement restart = db.Prepare("PRAGMA wal_checkpoint(RESTART)");
    if (!restart.Step() || restart.Int(0) != 0 || restart.Int(1) != restart.Int(2)) {
        error = "its log could not be copied into it (" + db.ErrorMessage() + ")";
        return false;
    }
    restart = {};
    if (!ZeroIfThere(SideFile(file, "-wal"), error))
        return false;
    if (!db.TruncateLog()) {
        error = "its log could not be emptied (" + db.ErrorMessage() + ")";
        return false;
    }
    return true;
}

// What ends a clean or a preview of `file`: `result` made a failure that names the file.
auto Failing(const fs::path& file, DatabaseClean& result) {
    return [&result, name = file.filename().string()](const std::string& why) {
        result.ok = false;
        result.problem = name + ": " + why;
        return result;
    };
}

// True when `file` is a plain file to work on; otherwise `result` says why not (a missing file is
// no work and no failure; `unread` ends the line of a file that cannot be looked at).
bool PlainFileThere(const fs::path& file, const char* unread, DatabaseClean& result) {
    const auto fail = Failing(file, result);
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0) {
        if (errno != ENOENT)
            fail(std::string("cannot be read (") + std::strerror(errno) + ")" + unread);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        fail("not a regular file, left alone");
        return false;
    }
    return true;
}

} // namespace

bool EraseRows(sqlite::Database& db, const std::string& sql, long& count, std::string& error) {
    if (!db.Exec(sql, error))
        return false;
    count += sqlite3_changes(db.Handle());
    return true;
}

bool EmptyAllTables(sqlite::Database& db, std::initializer_list<const char*> keep,
                    const char* counted, long& count, std::string& error) {
    std::vector<std::pair<std::string, bool>> tables; // name, virtual
    {
        sqlite::Statement list =
            db.Prepare("SELECT name, sql LIKE 'CREATE VIRTUAL%' FROM sqlite_master WHERE type = "
                       "'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY 2 DESC");
        while (list.Step())
            tables.emplace_back(list.Text(0), list.Int(1) != 0);
        if (!list.Done()) {
            error = db.ErrorMessage();
            return false;
        }
    }
    std::vector<std::string> virtuals;
    for (const auto& [name, isVirtual] : tables) {
        if (std::find_if(keep.begin(), keep.end(), [&](const char* k) { return name == k; }) !=
            keep.end())
            continue;
        // A virtual table's own tables are emptied through it.
        if (std::any_of(virtuals.begin(), virtuals.end(),
                        [&](const std::string& v) { return name.rfind(v + "_", 0) == 0; }))
            continue;
        if (isVirtual)
            virtuals.push_back(name);
        long erased = 0;
        if (!EraseRows(db, "DELETE FROM " + Quoted(name), erased, error))
            return false;
        if (counted && name == counted)
            count += erased;
    }
    return true;
}

DatabaseClean CleanDatabase(const fs::path& file, const DatabaseWork& work) {
    DatabaseClean result;
    const auto fail = Failing(file, result);
    if (!PlainFileThere(file, ", left alone", result))
        return result;
    std::string error;
    if (!SideFilesArePlain(file, error))
        return fail(error + " is not a regular file, left alone");
    // Frames a browser left in the log (a crash, or a log it keeps) are the old rows.
    struct stat log {};
    const bool oldFrames = ::lstat(SideFile(file, "-wal").c_str(), &log) == 0 && log.st_size > 0;
    sqlite::Database db;
    if (!db.OpenExisting(file, false, kBusyMilliseconds, error))
        return fail("cannot open (" + error + "), left alone");
    // SQLite opens a write-protected file read-only without a word; say so before trying.
    if (sqlite3_db_readonly(db.Handle(), "main") == 1)
        return fail("read-only, left alone");
    if (!db.QuickCheck(error))
        return fail("fails its check (" + error + "), left alone");
    if (!db.Exec("PRAGMA secure_delete = ON", error) || db.QueryText("PRAGMA secure_delete") != "1")
        return fail("deleted rows cannot be overwritten in it, left alone");
    db.Exec("PRAGMA temp_store = MEMORY", error);
    // The syncs SQLite makes at its critical moments keep the file sound through a power cut;
    // durability of each step is not needed, as the clean can run again.
    db.Exec("PRAGMA synchronous = NORMAL", error);
    db.Exec("PRAGMA journal_size_limit = -1", error);
    const std::string mode = Lower(db.QueryText("PRAGMA journal_mode"));
    const bool wal = mode == "wal";
    // A rollback journal holds the pages as they were before the erase. Kept in the file
    // (PERSIST) it can be overwritten before the file's own mode deletes or truncates it.
    const bool persisted = !wal && mode != "persist" && mode != "memory" && mode != "off";
    if (persisted && Lower(db.QueryText("PRAGMA journal_mode = PERSIST")) != "persist")
        return fail("its journal cannot be kept for overwriting (" + db.ErrorMessage() +
                    "), left alone");
    const fs::path journal = SideFile(file, "-journal");
    if (!db.Exec("BEGIN IMMEDIATE", error))
        return fail("cannot be changed (" + error + "), left alone");
    long erased = 0;
    if (!work(db, erased, error) || !db.Exec("COMMIT", error)) {
        std::string ignored;
        db.Exec("ROLLBACK", ignored);
        return fail("cannot be changed (" + error + "), left alone");
    }
    result.count = erased;
    // From here on the rows are gone from the file; what is left to do is removing their copies.
    if (wal ? !ScrubWriteAheadLog(db, file, oldFrames, error) : !ZeroIfThere(journal, error))
        return fail("rows erased, but " + error);
    // VACUUM rebuilds the file without its free pages. It needs free space about the size of the
    // file; without it the erased rows are still overwritten, only the file keeps its size.
    if (!db.Exec("VACUUM", error))
        result.note = file.filename().string() + ": not compacted (" + error + ")";
    // What compacting logged are pages already without the erased rows: emptying is enough.
    if (wal && !db.TruncateLog())
        return fail("rows erased, but its log could not be emptied (" + db.ErrorMessage() + ")");
    if (persisted)
        db.QueryText("PRAGMA journal_mode = " + mode);
    return result;
}

bool OpenToRead(sqlite::Database& db, const fs::path& file, std::string& error) {
    // A log with frames must be read, and its index is there already; without one the file is
    // read as it lies, so that not even an empty log or its index is left beside it.
    struct stat log {};
    const bool logged = ::lstat(SideFile(file, "-wal").c_str(), &log) == 0 && log.st_size > 0;
    return logged ? db.OpenExisting(file, true, 0, error) : db.OpenUnchanging(file, error);
}

DatabaseClean PreviewDatabase(const fs::path& file, const DatabaseWork& work) {
    DatabaseClean result;
    const auto fail = Failing(file, result);
    if (!PlainFileThere(file, "", result))
        return result;
    sqlite::Database source, copy;
    std::string error;
    if (!OpenToRead(source, file, error))
        return fail("cannot open (" + error + ")");
    if (!source.QuickCheck(error))
        return fail("fails its check (" + error + "), left alone");
    if (!copy.OpenExisting(":memory:", false, 0, error))
        return fail("no room in memory to look at it (" + error + ")");
    // The copy reads through the file's log as any reader does, so it holds what the clean sees.
    sqlite3_backup* backup = sqlite3_backup_init(copy.Handle(), "main", source.Handle(), "main");
    const int rc = backup ? sqlite3_backup_step(backup, -1) : SQLITE_ERROR;
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        return fail("cannot be read (" + copy.ErrorMessage() + ")");
    long erased = 0;
    if (!copy.Exec("BEGIN", error) || !work(copy, erased, error))
        return fail("cannot be erased (" + error + ")");
    result.count = erased;
    return result;
}

CountState CountRows(const fs::path& file, const char* table, long& rows) {
    rows = 0;
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0 && errno == ENOENT)
        return CountState::Counted;
    if (!S_ISREG(st.st_mode))
        return CountState::Failed;
    sqlite::Database db;
    std::string error;
    if (!db.OpenExisting(file, true, 0, error))
        return CountState::Failed;
    sqlite::Statement count = db.Prepare(std::string("SELECT count(*) FROM ") + Quoted(table));
    if (count.Step()) {
        rows = static_cast<long>(count.Int(0));
        return CountState::Counted;
    }
    const int code = sqlite3_errcode(db.Handle()) & 0xFF;
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        return CountState::InUse;
    // A file of another version without the table holds none of its rows.
    return db.HasTable(table) || code != SQLITE_ERROR ? CountState::Failed : CountState::Counted;
}

} // namespace corvane::browsers

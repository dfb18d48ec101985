#pragma once
// A small RAII layer over SQLite shared by the registry hive and the two browser stores. It opens a
// store file the same way everywhere: busy timeout for a second process, write-ahead log, deleted
// content overwritten, and a file that SQLite itself calls damaged moved aside (never deleted) and
// replaced by a fresh one, but only while no other program has it open.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace corvane::sqlite {

/// One prepared statement; finalised when it goes out of scope.
class Statement {
public:
    Statement() = default;
    Statement(sqlite3* db, std::string_view sql);
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    /// True when the statement compiled.
    bool Valid() const { return stmt_ != nullptr; }
    /// Binds a 64-bit integer to the 1-based parameter.
    Statement& Bind(int index, std::int64_t value);
    /// Binds text (any bytes, copied) to the 1-based parameter.
    Statement& BindText(int index, std::string_view value);
    /// Binds a blob (any bytes, copied) to the 1-based parameter.
    Statement& BindBlob(int index, std::string_view value);
    /// Runs one step: true while a row is available.
    bool Step();
    /// Runs the statement to its end; true when it finished without error.
    bool Run();
    /// Resets the statement for another run with new bindings.
    void Reset();
    /// True when the last step reached the end without an error.
    bool Done() const;
    /// The result code of the last step.
    int LastCode() const { return last_; }

    /// A column of the current row as an integer.
    std::int64_t Int(int column) const;
    /// A column of the current row as text bytes (exact, embedded NULs kept).
    std::string Text(int column) const;
    /// A column of the current row as blob bytes.
    std::string Blob(int column) const;
    /// A column of the current row as bytes without a copy; valid until the next step or reset.
    std::string_view BlobView(int column) const;
    /// True when the column of the current row is NULL.
    bool IsNull(int column) const;

private:
    sqlite3_stmt* stmt_ = nullptr;
    int last_ = 0;
};

/// An open database file.
class Database {
public:
    Database() = default;
    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database();

    /// Called on every new connection before anything is read (to add SQL functions).
    using ConnectHook = bool (*)(sqlite3*);

    /// Opens or creates the file. `schema` (idempotent SQL) is applied only while the file's
    /// schema version is below `version`, in one write transaction that then records `version`;
    /// an open of a current file writes nothing, so readers never wait for a busy writer. A file
    /// that SQLite finds damaged (not a database, corrupt, or failing its quick check) is moved to
    /// `<file>.damaged-<time>` with one line on standard error and a fresh database is made, but
    /// only while no other program has the file open. False (with `error`) when no healthy
    /// database can be had.
    bool Open(const std::filesystem::path& file, std::string_view schema, std::string& error,
              int version = 1, ConnectHook connect = nullptr);
    /// Opens an existing database file exactly as it is, for changing a store another program
    /// owns: never creates it, never follows a link to it, never changes its schema or journal
    /// mode, never moves it aside. False (with `error`) when it cannot be opened.
    bool OpenExisting(const std::filesystem::path& file, bool readOnly, int busyMilliseconds,
                      std::string& error);
    /// Opens an existing database only to read it as a file that nobody changes: no lock is
    /// taken and no side file (log index, log) is made beside it. A log already there is not read.
    bool OpenUnchanging(const std::filesystem::path& file, std::string& error);
    /// SQLite's quick check of the whole file: true when it answers "ok"; else false with its
    /// first finding (or the error that stopped it) in `detail`.
    bool QuickCheck(std::string& detail);
    /// Runs SQL without results; false with SQLite's message in `error`.
    bool Exec(std::string_view sql, std::string& error);
    /// The first column of the first row a statement answers, as text ("" when none).
    std::string QueryText(std::string_view sql);
    /// True when the database has a table of this name.
    bool HasTable(const std::string& table) const;
    /// True when the table has a column of this name.
    bool HasColumn(const std::string& table, const std::string& column) const;
    /// True while a database is open.
    bool IsOpen() const { return db_ != nullptr; }
    /// Runs SQL without results; true on success.
    bool Exec(std::string_view sql);
    /// Prepares a statement.
    Statement Prepare(std::string_view sql) const { return Statement(db_, sql); }
    /// The last error message of the connection.
    std::string ErrorMessage() const;
    /// The raw handle, for the rare call this layer does not wrap.
    sqlite3* Handle() const { return db_; }
    /// Copies every change into the database file and empties the write-ahead log, so content
    /// deleted before leaves no copy there. False when another connection kept the log in use.
    bool TruncateLog();
    /// The file this database was opened from.
    const std::filesystem::path& File() const { return file_; }

private:
    void Close();
    sqlite3* db_ = nullptr;
    std::filesystem::path file_;
};

/// A write transaction (BEGIN IMMEDIATE); rolled back unless committed.
class Transaction {
public:
    explicit Transaction(Database& db);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();
    /// True when the transaction began.
    bool Active() const { return active_; }
    /// Commits; true on success.
    bool Commit();

private:
    Database& db_;
    bool active_ = false;
};

} // namespace corvane::sqlite

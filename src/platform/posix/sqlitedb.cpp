#include "platform/sqlitedb.h"

#include <sqlite3.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <system_error>

namespace corvane::sqlite {
namespace fs = std::filesystem;

Statement::Statement(sqlite3* db, std::string_view sql) {
    if (db == nullptr)
        return;
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

Statement::Statement(Statement&& other) noexcept : stmt_(other.stmt_), last_(other.last_) {
    other.stmt_ = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        stmt_ = other.stmt_;
        last_ = other.last_;
        other.stmt_ = nullptr;
    }
    return *this;
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement& Statement::Bind(int index, std::int64_t value) {
    if (stmt_)
        sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Statement& Statement::BindText(int index, std::string_view value) {
    if (stmt_)
        sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()),
                          SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::BindBlob(int index, std::string_view value) {
    // An empty blob must still be a blob, not NULL: pass a non-null pointer.
    static const char empty = 0;
    if (stmt_)
        sqlite3_bind_blob(stmt_, index, value.empty() ? &empty : value.data(),
                          static_cast<int>(value.size()), SQLITE_TRANSIENT);
    return *this;
}

bool Statement::Step() {
    if (!stmt_)
        return false;
    last_ = sqlite3_step(stmt_);
    return last_ == SQLITE_ROW;
}

bool Statement::Run() {
    while (Step()) {
    }
    return stmt_ && last_ == SQLITE_DONE;
}

void Statement::Reset() {
    if (stmt_) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
}

std::int64_t Statement::Int(int column) const {
    return stmt_ ? sqlite3_column_int64(stmt_, column) : 0;
}

std::string Statement::Text(int column) const {
    if (!stmt_)
        return {};
    const auto* p = sqlite3_column_text(stmt_, column);
    const int n = sqlite3_column_bytes(stmt_, column);
    return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(n))
             : std::string();
}

std::string Statement::Blob(int column) const {
    if (!stmt_)
        return {};
    const void* p = sqlite3_column_blob(stmt_, column);
    const int n = sqlite3_column_bytes(stmt_, column);
    return p ? std::string(static_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
}

std::string_view Statement::BlobView(int column) const {
    if (!stmt_)
        return {};
    const void* p = sqlite3_column_blob(stmt_, column);
    const int n = sqlite3_column_bytes(stmt_, column);
    return p ? std::string_view(static_cast<const char*>(p), static_cast<size_t>(n))
             : std::string_view();
}

bool Statement::IsNull(int column) const {
    return !stmt_ || sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

namespace {

// A file that claims more pages in its header than it holds was cut short; SQLite would only
// notice when it reads a missing page, long after we opened it.
bool LooksTruncated(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    unsigned char h[100];
    if (!in.read(reinterpret_cast<char*>(h), sizeof h))
        return false; // Too short for a header: SQLite itself judges such a file.
    auto be32 = [&](int o) {
        return (std::uint32_t(h[o]) << 24) | (std::uint32_t(h[o + 1]) << 16) |
               (std::uint32_t(h[o + 2]) << 8) | std::uint32_t(h[o + 3]);
    };
    std::uint32_t pageSize = (std::uint32_t(h[16]) << 8) | h[17];
    if (pageSize == 1)
        pageSize = 65536;
    const std::uint32_t pages = be32(28);
    if (be32(24) != be32(92) || pages == 0)
        return false; // The in-header size is only valid when the two counters agree.
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    return !ec && size < std::uint64_t(pageSize) * pages;
}

void MoveAside(const fs::path& file) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
    fs::path target = file;
    target += std::string(".damaged-") + stamp;
    std::error_code ec;
    for (int n = 2; fs::exists(target, ec); ++n) {
        target = file;
        target += std::string(".damaged-") + stamp + "-" + std::to_string(n);
    }
    fs::rename(file, target, ec);
    for (const char* side : {"-wal", "-shm", "-journal"}) {
        fs::path s = file;
        s += side;
        fs::path t = target;
        t += side;
        if (fs::exists(s, ec))
            fs::rename(s, t, ec);
    }
    std::fprintf(stderr, "corvane: %s is damaged; moved it to %s and started a fresh one\n",
                 file.c_str(), target.c_str());
}

} // namespace

Database::Database(Database&& other) noexcept : db_(other.db_), file_(std::move(other.file_)) {
    other.db_ = nullptr;
}

Database& Database::operator=(Database&& other) noexcept {
    if (this != &other) {
        Close();
        db_ = other.db_;
        file_ = std::move(other.file_);
        other.db_ = nullptr;
    }
    return *this;
}

Database::~Database() {
    Close();
}

void Database::Close() {
    if (db_)
        sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool Database::Exec(std::string_view sql) {
    if (!db_)
        return false;
    const std::string text(sql);
    return sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::string Database::ErrorMessage() const {
    return db_ ? sqlite3_errmsg(db_) : std::string("no database open");
}

bool Database::Open(const fs::path& file, std::string_view schema, std::string& error) {
    Close();
    file_ = file;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::error_code ec;
        if (fs::exists(file, ec) && LooksTruncated(file)) {
            MoveAside(file);
            continue;
        }
        if (sqlite3_open_v2(file.c_str(), &db_,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            error = "cannot open " + file.string() + ": " + ErrorMessage();
            Close();
            return false;
        }
        sqlite3_busy_timeout(db_, 10000);
        sqlite3_extended_result_codes(db_, 0);
        const int rc = sqlite3_exec(db_, "PRAGMA schema_version", nullptr, nullptr, nullptr);
        if (rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT) {
            Close();
            MoveAside(file);
            continue;
        }
        Exec("PRAGMA journal_mode=WAL");
        Exec("PRAGMA synchronous=NORMAL");
        const std::string ddl(schema);
        char* msg = nullptr;
        const int src = sqlite3_exec(db_, ddl.c_str(), nullptr, nullptr, &msg);
        if (src == SQLITE_NOTADB || src == SQLITE_CORRUPT) {
            sqlite3_free(msg);
            Close();
            MoveAside(file);
            continue;
        }
        if (src != SQLITE_OK) {
            error = "cannot set up " + file.string() + ": " + (msg ? msg : "unknown error");
            sqlite3_free(msg);
            Close();
            return false;
        }
        return true;
    }
    error = "cannot make a fresh database at " + file.string();
    return false;
}

Transaction::Transaction(Database& db) : db_(db) {
    active_ = db_.Exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (active_)
        db_.Exec("ROLLBACK");
}

bool Transaction::Commit() {
    if (!active_)
        return false;
    active_ = false;
    if (db_.Exec("COMMIT"))
        return true;
    db_.Exec("ROLLBACK");
    return false;
}

} // namespace corvane::sqlite

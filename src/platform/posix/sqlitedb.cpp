#include "platform/sqlitedb.h"

#include "platform/files.h"

#include <sqlite3.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

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

bool Statement::Done() const {
    return last_ == SQLITE_DONE;
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

// SQLite's own byte-range locks on POSIX: the pending, reserved and shared bytes of the database
// file (every reader and writer holds one of them while it works), and in the shared-memory index
// the lock slots and the "connection alive" byte that each connection in WAL mode holds for as
// long as it is open. Holding a write lock on all of them proves that no other program uses the
// file, and keeps everyone out while it is moved.
constexpr off_t kDbLockStart = 0x40000000;
constexpr off_t kDbLockLength = 2 + 510;
constexpr off_t kShmLockStart = 120;
constexpr off_t kShmLockLength = 9;

bool LockRange(int fd, off_t start, off_t length) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    return ::fcntl(fd, F_SETLK, &lock) == 0;
}

// The identity of a file, to notice that a path now names another file than the one checked.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool valid = false;
    bool operator==(const FileId&) const = default;
};

FileId IdOf(const fs::path& file) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0)
        return {};
    return {st.st_dev, st.st_ino, true};
}

enum class Verdict { Healthy, Damaged, Unknown };

bool IsDamageCode(int rc) {
    rc &= 0xFF; // the primary code of an extended one
    return rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB;
}

// SQLite's own judgement of the file: its quick check reads every page, so a file cut short or
// overwritten is found here and not in the middle of an erase. A busy or unreadable file is not
// damage: it is simply not usable right now.
Verdict Check(sqlite3* db, std::string& detail) {
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &raw, nullptr);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> st(raw, sqlite3_finalize);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(st.get());
        if (rc == SQLITE_ROW) {
            const auto* text = sqlite3_column_text(st.get(), 0);
            const std::string first = text ? reinterpret_cast<const char*>(text) : "";
            if (first == "ok")
                return Verdict::Healthy;
            detail = first;
            return Verdict::Damaged;
        }
    }
    detail = sqlite3_errmsg(db);
    return IsDamageCode(rc) ? Verdict::Damaged : Verdict::Unknown;
}

// True when the file holds bytes but does not start as every SQLite database starts. SQLite itself
// calls such a file "not a database", except when a log left behind by a removed database lies
// beside it: then it would read that log's pages in place of the file's own. The first sixteen
// bytes never change in a database, so reading them needs no lock.
bool HeaderIsForeign(const fs::path& file) {
    static constexpr char kMagic[16] = {'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f',
                                        'o', 'r', 'm', 'a', 't', ' ', '3', '\0'};
    const platform::FileHandle fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    char head[sizeof kMagic];
    const ssize_t n = fd.IsOpen() ? ::pread(fd.Descriptor(), head, sizeof head, 0) : -1;
    return n > 0 &&
           (static_cast<size_t>(n) < sizeof head || std::memcmp(head, kMagic, sizeof head) != 0);
}

std::string Stamped(const fs::path& file) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
    fs::path target = file;
    target += std::string(".damaged-") + stamp;
    std::error_code ec;
    for (int n = 2; fs::exists(fs::symlink_status(target, ec)); ++n) {
        target = file;
        target += std::string(".damaged-") + stamp + "-" + std::to_string(n);
    }
    return target.string();
}

enum class MoveResult { Moved, InUse, Replaced, Failed };

// Moves a damaged file and its side files aside, holding every lock SQLite uses on it, so that no
// other program has it open meanwhile (a program that does still relies on its log). `checked` is
// the file SQLite judged: when the path names another file by now, someone else already replaced
// it and nothing is moved.
MoveResult MoveAside(const fs::path& file, const FileId& checked, std::string& error) {
    const platform::FileHandle db(::open(file.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (db.Descriptor() < 0)
        return errno == ENOENT ? MoveResult::Replaced : MoveResult::Failed;
    struct stat st {};
    if (::fstat(db.Descriptor(), &st) != 0 || !(FileId{st.st_dev, st.st_ino, true} == checked))
        return MoveResult::Replaced;
    if (!LockRange(db.Descriptor(), kDbLockStart, kDbLockLength)) {
        error = file.string() + " is damaged but another program has it open; left as it is";
        return MoveResult::InUse;
    }
    fs::path shmPath = file;
    shmPath += "-shm";
    const platform::FileHandle shm(::open(shmPath.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (shm.Descriptor() >= 0 && !LockRange(shm.Descriptor(), kShmLockStart, kShmLockLength)) {
        error = file.string() + " is damaged but another program has it open; left as it is";
        return MoveResult::InUse;
    }
    const std::string target = Stamped(file);
    if (::rename(file.c_str(), target.c_str()) != 0) {
        error = "cannot move the damaged " + file.string() + " aside: " + std::strerror(errno);
        return MoveResult::Failed;
    }
    for (const char* side : {"-wal", "-shm", "-journal"}) {
        fs::path s = file;
        s += side;
        ::rename(s.c_str(), (target + side).c_str());
    }
    std::fprintf(stderr, "corvane: %s is damaged; moved it to %s and started a fresh one\n",
                 file.c_str(), target.c_str());
    return MoveResult::Moved;
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

bool Database::TruncateLog() {
    if (!db_)
        return false;
    // The first column of the answer is 1 when a reader or writer kept the log from being emptied.
    auto st = Prepare("PRAGMA wal_checkpoint(TRUNCATE)");
    return st.Step() && st.Int(0) == 0;
}

bool Database::OpenExisting(const fs::path& file, bool readOnly, int busyMilliseconds,
                            std::string& error) {
    Close();
    file_ = file;
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                      SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(file.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        error = ErrorMessage();
        Close();
        return false;
    }
    sqlite3_busy_timeout(db_, busyMilliseconds);
    return true;
}

bool Database::OpenUnchanging(const fs::path& file, std::string& error) {
    Close();
    file_ = file;
    // A URI names the file with every byte but the plain ones escaped, so no name can add a
    // parameter of its own.
    std::string uri = "file:";
    static const char kHex[] = "0123456789ABCDEF";
    for (const unsigned char c : file.string()) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    uri += "?immutable=1";
    if (sqlite3_open_v2(uri.c_str(), &db_,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOFOLLOW |
                            SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        error = ErrorMessage();
        Close();
        return false;
    }
    return true;
}

bool Database::QuickCheck(std::string& detail) {
    if (!db_) {
        detail = "no database open";
        return false;
    }
    return Check(db_, detail) == Verdict::Healthy;
}

bool Database::Exec(std::string_view sql, std::string& error) {
    if (!db_) {
        error = "no database open";
        return false;
    }
    const std::string text(sql);
    char* message = nullptr;
    if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    error = message ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    return false;
}

std::string Database::QueryText(std::string_view sql) {
    Statement st = Prepare(sql);
    return st.Step() ? st.Text(0) : std::string();
}

bool Database::HasTable(const std::string& table) const {
    return db_ && sqlite3_table_column_metadata(db_, "main", table.c_str(), nullptr, nullptr,
                                                nullptr, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool Database::HasColumn(const std::string& table, const std::string& column) const {
    return db_ && sqlite3_table_column_metadata(db_, "main", table.c_str(), column.c_str(), nullptr,
                                                nullptr, nullptr, nullptr, nullptr) == SQLITE_OK;
}

namespace {

int UserVersion(sqlite3* db, int& version) {
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &raw, nullptr);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> st(raw, sqlite3_finalize);
    if (rc != SQLITE_OK)
        return rc;
    rc = sqlite3_step(st.get());
    if (rc != SQLITE_ROW)
        return rc;
    version = sqlite3_column_int(st.get(), 0);
    return SQLITE_OK;
}

// Brings the schema up to `version` in one write transaction; the version is read again inside
// it, since another program may have done the work meanwhile.
int ApplySchema(sqlite3* db, std::string_view schema, int version, std::string& detail) {
    int current = 0;
    if (const int rc = UserVersion(db, current); rc != SQLITE_OK || current >= version)
        return rc;
    char* msg = nullptr;
    auto exec = [&](const std::string& sql) {
        const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg);
        if (rc != SQLITE_OK) {
            detail = msg ? msg : sqlite3_errmsg(db);
            sqlite3_free(msg);
            msg = nullptr;
        }
        return rc;
    };
    if (const int rc = exec("BEGIN IMMEDIATE"); rc != SQLITE_OK)
        return rc;
    int rc = UserVersion(db, current);
    if (rc == SQLITE_OK && current < version) {
        rc = exec(std::string(schema));
        if (rc == SQLITE_OK)
            rc = exec("PRAGMA user_version = " + std::to_string(version));
    }
    if (rc == SQLITE_OK)
        rc = exec("COMMIT");
    if (rc != SQLITE_OK)
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    return rc;
}

} // namespace

bool Database::Open(const fs::path& file, std::string_view schema, std::string& error, int version,
                    ConnectHook connect) {
    Close();
    file_ = file;
    // A few rounds: a damaged file moved aside, or one another program replaced meanwhile, is
    // followed by a fresh open.
    // A damaged file another program still has open is waited for a little (that program may be
    // about to move it aside itself), never taken from under it.
    for (int attempt = 0; attempt < 20; ++attempt) {
        const FileId before = IdOf(file);
        if (sqlite3_open_v2(file.c_str(), &db_,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            error = "cannot open " + file.string() + ": " + ErrorMessage();
            Close();
            return false;
        }
        sqlite3_busy_timeout(db_, 10000);
        sqlite3_extended_result_codes(db_, 0);
        // Deleted rows are overwritten in the file whatever this SQLite build defaults to.
        Exec("PRAGMA secure_delete = ON");
        if (connect && !connect(db_)) {
            error = "cannot set up " + file.string() + ": " + ErrorMessage();
            Close();
            return false;
        }
        std::string detail = "not a database";
        Verdict verdict = HeaderIsForeign(file) ? Verdict::Damaged : Check(db_, detail);
        int rc = SQLITE_OK;
        if (verdict == Verdict::Healthy) {
            Exec("PRAGMA journal_mode=WAL");
            Exec("PRAGMA synchronous=NORMAL");
            rc = ApplySchema(db_, schema, version, detail);
            if (IsDamageCode(rc))
                verdict = Verdict::Damaged;
            else if (rc != SQLITE_OK)
                verdict = Verdict::Unknown;
        }
        if (verdict == Verdict::Healthy)
            return true;
        Close();
        if (verdict == Verdict::Unknown) {
            error = "cannot use " + file.string() + ": " + detail;
            return false;
        }
        switch (MoveAside(file, before, error)) {
        case MoveResult::Moved:
        case MoveResult::Replaced:
            continue;
        case MoveResult::InUse:
            ::usleep(100 * 1000);
            continue;
        case MoveResult::Failed:
            return false;
        }
    }
    if (error.empty())
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

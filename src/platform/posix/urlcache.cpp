#include "platform/urlcache.h"

#include "platform/sqlitedb.h"
#include "platform/world.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace corvane::platform {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSchema = R"sql(
CREATE TABLE IF NOT EXISTS entries(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    url BLOB NOT NULL UNIQUE,
    type INTEGER NOT NULL,
    local_file BLOB NOT NULL DEFAULT x'',
    size INTEGER NOT NULL DEFAULT 0,
    use_count INTEGER NOT NULL DEFAULT 0,
    hit_rate INTEGER NOT NULL DEFAULT 0,
    modified INTEGER NOT NULL DEFAULT 0,
    expires INTEGER NOT NULL DEFAULT 0,
    accessed INTEGER NOT NULL DEFAULT 0,
    synced INTEGER NOT NULL DEFAULT 0);
)sql";

// Pages start small, so that the two calls of a size query and a fetch at the start of a walk
// cost little, and grow so that a long walk needs few queries.
constexpr std::int64_t kFirstPage = 32;
constexpr std::int64_t kLargestPage = 4096;

// Every change this process makes to any cache store bumps the generation; a walk whose page was
// read under an older generation reads again from the entry after the last one it returned, so
// an entry deleted or replaced meanwhile is never handed out from a stale page.
std::atomic<std::uint64_t> g_generation{1};

FILETIME ToFileTime(std::int64_t t) {
    return Uint64ToFileTime(static_cast<std::uint64_t>(t));
}

// One open store file with the statements a walk, a commit and a delete use. A walk holds the
// store it started on, so switching worlds never mixes two stores in one walk.
struct Store {
    std::mutex mutex; // one connection; the statements are not shared between threads
    sqlite::Database db;
    sqlite::Statement page;
    sqlite::Statement find;
    fs::path file;
    std::string folder; // the Cache folder as a Windows path, joined to every local file
};

std::mutex g_openMutex;
std::shared_ptr<Store> g_store;

// The store of the current world, opened once per process and again when the prefix changes.
std::shared_ptr<Store> CurrentStore() {
    const fs::path file = world::UrlCacheFile();
    std::lock_guard lock(g_openMutex);
    if (g_store && g_store->file == file)
        return g_store;
    auto store = std::make_shared<Store>();
    std::string error;
    if (!store->db.Open(file, kSchema, error))
        return nullptr;
    store->page = store->db.Prepare(
        "SELECT id, url, type, local_file, size, use_count, hit_rate, modified, expires, "
        "accessed, synced FROM entries WHERE id > ?1 ORDER BY id LIMIT ?2");
    store->find = store->db.Prepare("SELECT id, local_file FROM entries WHERE url = ?1");
    if (!store->page.Valid() || !store->find.Valid())
        return nullptr;
    store->file = file;
    store->folder = UrlCacheFolder();
    g_store = store;
    return store;
}

// One entry of a page. Its texts live in the page's arena, so a page costs no allocation per
// entry once the arena has grown.
struct Row {
    std::int64_t id = 0;
    DWORD type = 0;
    DWORD useCount = 0;
    DWORD hitRate = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0, expires = 0, accessed = 0, synced = 0;
    std::size_t urlOffset = 0, urlLength = 0, localOffset = 0, localLength = 0;
};

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto a = static_cast<unsigned char>(text[i]);
        const auto b = static_cast<unsigned char>(prefix[i]);
        if (std::tolower(a) != std::tolower(b))
            return false;
    }
    return true;
}

class Walk {
public:
    Walk(std::shared_ptr<Store> store, std::string prefix)
        : store_(std::move(store)), prefix_(std::move(prefix)) {}

    // The entry the next call hands out, or null at the end (or when the store fails).
    const Row* Peek() {
        if (next_ < rows_.size() && generation_ == g_generation.load(std::memory_order_relaxed))
            return &rows_[next_];
        if (generation_ != g_generation.load(std::memory_order_relaxed))
            pageSize_ = kFirstPage;
        Fetch();
        return next_ < rows_.size() ? &rows_[next_] : nullptr;
    }

    // True when the last page could not be read.
    bool Failed() const { return failed_; }

    // Marks the peeked entry as returned: the walk goes on after it.
    void Advance() {
        lastId_ = rows_[next_].id;
        ++next_;
    }

    // Bytes of the record for a row: the head, the URL and the local file's full path.
    std::size_t RecordSize(const Row& row) const {
        std::size_t n = sizeof(INTERNET_CACHE_ENTRY_INFOA) + row.urlLength + 1;
        if (row.localLength > 0)
            n += store_->folder.size() + 1 + row.localLength + 1;
        return n;
    }

    // Writes the record of a row into a buffer of at least RecordSize(row) bytes.
    void WriteRecord(const Row& row, INTERNET_CACHE_ENTRY_INFOA* info) const {
        char* base = reinterpret_cast<char*>(info);
        char* url = base + sizeof(INTERNET_CACHE_ENTRY_INFOA);
        std::memcpy(url, arena_.data() + row.urlOffset, row.urlLength);
        url[row.urlLength] = '\0';
        char* local = nullptr;
        if (row.localLength > 0) {
            local = url + row.urlLength + 1;
            char* p = local;
            std::memcpy(p, store_->folder.data(), store_->folder.size());
            p += store_->folder.size();
            *p++ = '\\';
            std::memcpy(p, arena_.data() + row.localOffset, row.localLength);
            p[row.localLength] = '\0';
        }
        INTERNET_CACHE_ENTRY_INFOA head;
        head.dwStructSize = sizeof(INTERNET_CACHE_ENTRY_INFOA);
        head.lpszSourceUrlName = url;
        head.lpszLocalFileName = local;
        head.CacheEntryType = row.type;
        head.dwUseCount = row.useCount;
        head.dwHitRate = row.hitRate;
        head.dwSizeLow = static_cast<DWORD>(row.size & 0xFFFFFFFFu);
        head.dwSizeHigh = static_cast<DWORD>(row.size >> 32);
        head.LastModifiedTime = ToFileTime(row.modified);
        head.ExpireTime = ToFileTime(row.expires);
        head.LastAccessTime = ToFileTime(row.accessed);
        head.LastSyncTime = ToFileTime(row.synced);
        std::memcpy(base, &head, sizeof head);
    }

private:
    // Reads the next page after the last returned entry, skipping entries the pattern leaves out.
    void Fetch() {
        rows_.clear();
        arena_.clear();
        next_ = 0;
        generation_ = g_generation.load(std::memory_order_relaxed);
        std::lock_guard lock(store_->mutex);
        sqlite::Statement& q = store_->page;
        std::int64_t after = lastId_;
        while (rows_.empty()) {
            q.Reset();
            q.Bind(1, after).Bind(2, pageSize_);
            std::int64_t seen = 0;
            while (q.Step()) {
                ++seen;
                after = q.Int(0);
                const std::string_view url = q.BlobView(1);
                if (!prefix_.empty() && !StartsWithIgnoringCase(url, prefix_))
                    continue;
                Row row;
                row.id = after;
                row.type = static_cast<DWORD>(q.Int(2));
                row.urlOffset = arena_.size();
                row.urlLength = url.size();
                arena_.append(url);
                const std::string_view local = q.BlobView(3);
                row.localOffset = arena_.size();
                row.localLength = local.size();
                arena_.append(local);
                row.size = static_cast<std::uint64_t>(q.Int(4));
                row.useCount = static_cast<DWORD>(q.Int(5));
                row.hitRate = static_cast<DWORD>(q.Int(6));
                row.modified = q.Int(7);
                row.expires = q.Int(8);
                row.accessed = q.Int(9);
                row.synced = q.Int(10);
                rows_.push_back(row);
            }
            failed_ = q.LastCode() != SQLITE_DONE;
            q.Reset();
            if (failed_ || seen < pageSize_)
                break; // the store has nothing after this page
        }
        pageSize_ = std::min(pageSize_ * 4, kLargestPage);
    }

    std::shared_ptr<Store> store_;
    std::string prefix_;
    std::int64_t lastId_ = 0;
    std::int64_t pageSize_ = kFirstPage;
    std::uint64_t generation_ = 0;
    std::vector<Row> rows_;
    std::string arena_;
    std::size_t next_ = 0;
    bool failed_ = false;
};

// Open walks of this thread. Handles are numbers that are never reused, so a closed or made-up
// handle is recognised instead of being followed.
struct WalkTable {
    std::unordered_map<std::uintptr_t, std::unique_ptr<Walk>> walks;
    std::uintptr_t lastHandle = 0;
    std::uintptr_t cachedHandle = 0;
    Walk* cachedWalk = nullptr;

    Walk* Find(HANDLE handle) {
        const auto key = reinterpret_cast<std::uintptr_t>(handle);
        if (key != 0 && key == cachedHandle)
            return cachedWalk;
        const auto it = walks.find(key);
        if (it == walks.end())
            return nullptr;
        cachedHandle = key;
        cachedWalk = it->second.get();
        return cachedWalk;
    }
};

thread_local WalkTable t_walks;

// Hands out the walk's next entry under the size contract shared by the first and next calls.
bool Deliver(Walk& walk, INTERNET_CACHE_ENTRY_INFOA* info, DWORD* size) {
    const Row* row = walk.Peek();
    if (row == nullptr) {
        SetLastError(walk.Failed() ? ERROR_READ_FAULT : ERROR_NO_MORE_ITEMS);
        return false;
    }
    const std::size_t needed = walk.RecordSize(*row);
    if (needed > 0xFFFFFFFFu) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    if (info == nullptr || *size < needed) {
        *size = static_cast<DWORD>(needed);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    walk.WriteRecord(*row, info);
    walk.Advance();
    *size = static_cast<DWORD>(needed);
    SetLastError(ERROR_SUCCESS);
    return true;
}

// A local file name is relative to the Cache folder and never leaves it.
bool IsSafeLocalName(std::string_view name) {
    if (name.empty())
        return true;
    if (name.find(':') != std::string_view::npos || name.front() == '\\' || name.front() == '/')
        return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = name.size();
        if (name.substr(start, end - start) == "..")
            return false;
        start = end + 1;
    }
    return true;
}

// The POSIX path of a local file when it lies inside the Cache folder (after every link on the
// way is resolved); empty otherwise. A link in the cache tree can never lead a delete outside it.
fs::path LocalFilePath(const std::string& folder, std::string_view name) {
    if (name.empty() || !IsSafeLocalName(name))
        return {};
    const fs::path file = world::ToPosix(folder + "\\" + std::string(name));
    std::error_code ec;
    const fs::path root = fs::weakly_canonical(world::ToPosix(folder), ec);
    if (ec)
        return {};
    const fs::path parent = fs::weakly_canonical(file.parent_path(), ec);
    if (ec)
        return {};
    const auto [rootEnd, parentIt] = std::mismatch(root.begin(), root.end(), parent.begin());
    if (rootEnd != root.end())
        return {};
    return parent / file.filename();
}

// Removes a local file (a link is removed itself, never its target); a missing file is fine.
void RemoveLocalFile(const Store& store, std::string_view name) {
    const fs::path file = LocalFilePath(store.folder, name);
    if (!file.empty())
        ::unlink(file.c_str());
}

std::uint64_t LocalFileSize(const Store& store, std::string_view name) {
    const fs::path file = LocalFilePath(store.folder, name);
    struct stat st {};
    if (file.empty() || ::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

} // namespace

std::string UrlCacheFolder() {
    return world::ProfilePath() + "\\Local Settings\\Temporary Internet Files";
}

std::string UrlCacheLocalFilePath(std::string_view localFile) {
    return LocalFilePath(UrlCacheFolder(), localFile).string();
}

HANDLE FindFirstUrlCacheEntryA(const char* pattern, INTERNET_CACHE_ENTRY_INFOA* info, DWORD* size) {
    if (size == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::shared_ptr<Store> store = CurrentStore();
    if (!store) {
        SetLastError(ERROR_OPEN_FAILED);
        return nullptr;
    }
    std::string prefix = pattern ? pattern : "";
    if (prefix == "*" || prefix == "*.*")
        prefix.clear();
    auto walk = std::make_unique<Walk>(std::move(store), std::move(prefix));
    if (!Deliver(*walk, info, size))
        return nullptr;
    const std::uintptr_t key = ++t_walks.lastHandle;
    t_walks.walks.emplace(key, std::move(walk));
    return reinterpret_cast<HANDLE>(key);
}

BOOL FindNextUrlCacheEntryA(HANDLE handle, INTERNET_CACHE_ENTRY_INFOA* info, DWORD* size) {
    Walk* walk = t_walks.Find(handle);
    if (walk == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (size == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Deliver(*walk, info, size) ? 1 : 0;
}

BOOL FindCloseUrlCache(HANDLE handle) {
    const auto key = reinterpret_cast<std::uintptr_t>(handle);
    if (t_walks.walks.erase(key) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (t_walks.cachedHandle == key) {
        t_walks.cachedHandle = 0;
        t_walks.cachedWalk = nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return 1;
}

BOOL DeleteUrlCacheEntryA(const char* url) {
    if (url == nullptr || *url == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::shared_ptr<Store> store = CurrentStore();
    if (!store) {
        SetLastError(ERROR_OPEN_FAILED);
        return 0;
    }
    std::string localFile;
    {
        std::lock_guard lock(store->mutex);
        sqlite::Transaction tx(store->db);
        store->find.Reset();
        store->find.BindBlob(1, url);
        if (!store->find.Step()) {
            store->find.Reset();
            SetLastError(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        const std::int64_t id = store->find.Int(0);
        localFile = store->find.Blob(1);
        store->find.Reset();
        sqlite::Statement del = store->db.Prepare("DELETE FROM entries WHERE id = ?1");
        del.Bind(1, id);
        if (!tx.Active() || !del.Run() || !tx.Commit()) {
            SetLastError(ERROR_READ_FAULT);
            return 0;
        }
        g_generation.fetch_add(1, std::memory_order_relaxed);
    }
    RemoveLocalFile(*store, localFile);
    SetLastError(ERROR_SUCCESS);
    return 1;
}

BOOL CommitUrlCacheEntryA(const char* url, const char* localFile, DWORD cacheEntryType) {
    const std::string_view local = localFile ? localFile : "";
    if (url == nullptr || *url == '\0' || !IsSafeLocalName(local)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::shared_ptr<Store> store = CurrentStore();
    if (!store) {
        SetLastError(ERROR_OPEN_FAILED);
        return 0;
    }
    const std::uint64_t size = LocalFileSize(*store, local);
    FILETIME nowTime;
    GetSystemTimeAsFileTime(&nowTime);
    const auto now = static_cast<std::int64_t>(FileTimeToUint64(nowTime));
    std::string oldLocal;
    {
        std::lock_guard lock(store->mutex);
        sqlite::Transaction tx(store->db);
        store->find.Reset();
        store->find.BindBlob(1, url);
        const bool exists = store->find.Step();
        const std::int64_t id = exists ? store->find.Int(0) : 0;
        if (exists)
            oldLocal = store->find.Blob(1);
        store->find.Reset();
        sqlite::Statement write =
            exists ? store->db.Prepare("UPDATE entries SET type = ?2, local_file = ?3, size = ?4, "
                                       "modified = ?5, accessed = ?5, synced = ?5 WHERE id = ?1")
                   : store->db.Prepare("INSERT INTO entries(url, type, local_file, size, "
                                       "modified, accessed, synced) VALUES(?1, ?2, ?3, ?4, ?5, "
                                       "?5, ?5)");
        if (exists)
            write.Bind(1, id);
        else
            write.BindBlob(1, url);
        write.Bind(2, cacheEntryType)
            .BindBlob(3, local)
            .Bind(4, static_cast<std::int64_t>(size))
            .Bind(5, now);
        if (!tx.Active() || !write.Run() || !tx.Commit()) {
            SetLastError(ERROR_READ_FAULT);
            return 0;
        }
        g_generation.fetch_add(1, std::memory_order_relaxed);
    }
    if (!oldLocal.empty() && oldLocal != local)
        RemoveLocalFile(*store, oldLocal);
    SetLastError(ERROR_SUCCESS);
    return 1;
}

} // namespace corvane::platform

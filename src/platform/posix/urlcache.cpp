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
    modified INTEGER NOT NULL DEFAULT 0,
    accessed INTEGER NOT NULL DEFAULT 0,
    expires INTEGER NOT NULL DEFAULT 0);
)sql";

FILETIME ToFileTime(std::int64_t t) {
    return Uint64ToFileTime(static_cast<std::uint64_t>(t));
}

// One entry as the store holds it in memory. Its texts live in the snapshot's arena, so the
// snapshot costs no allocation per entry.
struct Row {
    std::int64_t id = 0;
    DWORD type = 0;
    bool deleted = false;
    std::uint64_t size = 0;
    std::int64_t modified = 0, accessed = 0, expires = 0;
    std::size_t urlOffset = 0, urlLength = 0, localOffset = 0, localLength = 0;
};

// The entries in walk order, read in one pass and kept while no other program changes the file.
// The scanner walks the whole cache every 200 ms; with the snapshot a walk is a copy out of
// memory instead of a read of every row. Changes this process makes are applied to the snapshot
// as well: a deleted entry is marked (so open walks keep their places), an added one appended.
struct Snapshot {
    std::vector<Row> rows; // ordered by id
    std::string arena;
    std::int64_t dataVersion = -1; // the file's change counter as of the last read
    std::uint64_t epoch = 0;       // bumped on every re-read, so open walks find their place again
    bool valid = false;

    Row* Find(std::int64_t id) {
        auto it = std::lower_bound(rows.begin(), rows.end(), id,
                                   [](const Row& r, std::int64_t v) { return r.id < v; });
        return it != rows.end() && it->id == id ? &*it : nullptr;
    }
    std::size_t Append(std::string_view text) {
        const std::size_t at = arena.size();
        arena.append(text);
        return at;
    }
};

// Bumped whenever a walk started now could return something else than one started before: a
// store opened or re-read, an entry added, replaced or deleted by this process.
std::atomic<std::uint64_t> g_changes{1};

void NoteChange() {
    g_changes.fetch_add(1, std::memory_order_relaxed);
}

// One open store file with its snapshot and the statements a walk, a commit and a delete use. A
// walk holds the store it started on, so switching worlds never mixes two stores in one walk.
struct Store {
    std::mutex mutex; // guards the connection, its statements and the snapshot
    sqlite::Database db;
    sqlite::Statement all;
    sqlite::Statement version;
    sqlite::Statement find;
    Snapshot snapshot;
    fs::path file;
    dev_t device = 0; // the file the connection has open, to notice one put in its place
    ino_t inode = 0;
    std::atomic<bool> broken{false}; // a read found the file damaged
    std::string folder; // the Cache folder as a Windows path, joined to every local file

    // Makes the snapshot current: re-reads every entry when another program changed the file
    // since the last read. False when the file cannot be read. Called with the mutex held.
    bool Refresh() {
        Snapshot& s = snapshot;
        version.Reset();
        if (!version.Step()) {
            version.Reset();
            broken = true;
            return false;
        }
        const std::int64_t now = version.Int(0);
        version.Reset();
        if (s.valid && now == s.dataVersion)
            return true;
        s.valid = false;
        s.rows.clear();
        s.arena.clear();
        ++s.epoch;
        NoteChange();
        all.Reset();
        while (all.Step()) {
            Row row;
            row.id = all.Int(0);
            const std::string_view url = all.BlobView(1);
            row.urlLength = url.size();
            row.urlOffset = s.Append(url);
            row.type = static_cast<DWORD>(all.Int(2));
            const std::string_view local = all.BlobView(3);
            row.localLength = local.size();
            row.localOffset = s.Append(local);
            row.size = static_cast<std::uint64_t>(all.Int(4));
            row.modified = all.Int(5);
            row.accessed = all.Int(6);
            row.expires = all.Int(7);
            s.rows.push_back(row);
        }
        const bool ok = all.LastCode() == SQLITE_DONE;
        all.Reset();
        if (!ok) {
            broken = true;
            return false;
        }
        s.dataVersion = now;
        s.valid = true;
        return true;
    }
};

std::mutex g_openMutex;
std::shared_ptr<Store> g_store;

// The store of the current world, opened once per process and again when the prefix changes, when
// another program replaced or removed the file, or when a read found it damaged (opening moves a
// damaged file aside and starts a fresh one).
std::shared_ptr<Store> CurrentStore() {
    const fs::path file = world::UrlCacheFile();
    struct stat st {};
    const bool exists = ::stat(file.c_str(), &st) == 0;
    std::lock_guard lock(g_openMutex);
    if (g_store && g_store->file == file && !g_store->broken && exists &&
        g_store->device == st.st_dev && g_store->inode == st.st_ino)
        return g_store;
    g_store.reset();
    auto store = std::make_shared<Store>();
    std::string error;
    if (!store->db.Open(file, kSchema, error))
        return nullptr;
    if (::stat(file.c_str(), &st) == 0) {
        store->device = st.st_dev;
        store->inode = st.st_ino;
    }
    store->all = store->db.Prepare("SELECT id, url, type, local_file, size, modified, accessed, "
                                   "expires FROM entries ORDER BY id");
    store->version = store->db.Prepare("PRAGMA data_version");
    store->find = store->db.Prepare("SELECT id, local_file FROM entries WHERE url = ?1");
    if (!store->all.Valid() || !store->version.Valid() || !store->find.Valid())
        return nullptr;
    store->file = file;
    store->folder = UrlCacheFolder();
    g_store = store;
    NoteChange();
    return store;
}

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

// A walk over a store's snapshot. It remembers the last entry it returned, so it goes on after
// that entry whatever was deleted, added or re-read meanwhile. All its calls are made with the
// store's mutex held.
class Walk {
public:
    Walk(std::shared_ptr<Store> store, std::string prefix)
        : store_(std::move(store)), prefix_(std::move(prefix)) {}

    Store& Owner() const { return *store_; }

    // The entry the next call hands out, or null at the end.
    const Row* Peek() {
        Snapshot& s = store_->snapshot;
        if (epoch_ != s.epoch) {
            index_ = static_cast<std::size_t>(
                std::upper_bound(s.rows.begin(), s.rows.end(), lastId_,
                                 [](std::int64_t v, const Row& r) { return v < r.id; }) -
                s.rows.begin());
            epoch_ = s.epoch;
        }
        for (; index_ < s.rows.size(); ++index_) {
            const Row& row = s.rows[index_];
            if (row.deleted)
                continue;
            if (prefix_.empty() ||
                StartsWithIgnoringCase(
                    std::string_view(s.arena).substr(row.urlOffset, row.urlLength), prefix_))
                return &row;
        }
        return nullptr;
    }

    // Marks the peeked entry as returned: the walk goes on after it.
    void Advance() {
        lastId_ = store_->snapshot.rows[index_].id;
        ++index_;
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
        const std::string& arena = store_->snapshot.arena;
        char* base = reinterpret_cast<char*>(info);
        char* url = base + sizeof(INTERNET_CACHE_ENTRY_INFOA);
        std::memcpy(url, arena.data() + row.urlOffset, row.urlLength);
        url[row.urlLength] = '\0';
        char* local = nullptr;
        if (row.localLength > 0) {
            local = url + row.urlLength + 1;
            char* p = local;
            std::memcpy(p, store_->folder.data(), store_->folder.size());
            p += store_->folder.size();
            *p++ = '\\';
            std::memcpy(p, arena.data() + row.localOffset, row.localLength);
            p[row.localLength] = '\0';
        }
        INTERNET_CACHE_ENTRY_INFOA head;
        head.dwStructSize = sizeof(INTERNET_CACHE_ENTRY_INFOA);
        head.lpszSourceUrlName = url;
        head.lpszLocalFileName = local;
        head.CacheEntryType = row.type;
        head.dwSizeLow = static_cast<DWORD>(row.size & 0xFFFFFFFFu);
        head.dwSizeHigh = static_cast<DWORD>(row.size >> 32);
        head.LastModifiedTime = ToFileTime(row.modified);
        head.ExpireTime = ToFileTime(row.expires);
        head.LastAccessTime = ToFileTime(row.accessed);
        head.LastSyncTime = ToFileTime(row.modified);
        std::memcpy(base, &head, sizeof head);
    }

private:
    std::shared_ptr<Store> store_;
    std::string prefix_;
    std::int64_t lastId_ = 0;
    std::size_t index_ = 0;
    std::uint64_t epoch_ = 0;
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
// Called with the store's mutex held.
bool Deliver(Walk& walk, INTERNET_CACHE_ENTRY_INFOA* info, DWORD* size) {
    const Row* row = walk.Peek();
    if (row == nullptr) {
        SetLastError(ERROR_NO_MORE_ITEMS);
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

// Applies an added or replaced entry to the snapshot, so the next walk needs no re-read.
void PatchSnapshot(Snapshot& s, std::int64_t id, std::string_view url, DWORD type,
                   std::string_view local, std::uint64_t size, std::int64_t now) {
    if (!s.valid)
        return;
    Row* row = s.Find(id);
    if (row == nullptr) {
        if (!s.rows.empty() && s.rows.back().id > id) {
            s.valid = false; // not at the end: let the next walk read the store again
            return;
        }
        Row added;
        added.id = id;
        added.urlLength = url.size();
        added.urlOffset = s.Append(url);
        s.rows.push_back(added);
        row = &s.rows.back();
    }
    row->type = type;
    row->deleted = false;
    row->localLength = local.size();
    row->localOffset = s.Append(local);
    row->size = size;
    row->modified = row->accessed = now;
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
    Store& owner = *store;
    std::lock_guard lock(owner.mutex);
    if (!owner.Refresh()) {
        SetLastError(ERROR_READ_FAULT);
        return nullptr;
    }
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
    std::lock_guard lock(walk->Owner().mutex);
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

BOOL FlushErasedUrlCacheEntries() {
    std::shared_ptr<Store> store = CurrentStore();
    if (!store)
        return 0;
    std::lock_guard lock(store->mutex);
    return store->db.TruncateLog() ? 1 : 0;
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
            store->broken = true;
            SetLastError(ERROR_READ_FAULT);
            return 0;
        }
        if (Row* row = store->snapshot.valid ? store->snapshot.Find(id) : nullptr)
            row->deleted = true;
        NoteChange();
    }
    RemoveLocalFile(*store, localFile);
    SetLastError(ERROR_SUCCESS);
    return 1;
}

bool CountListedUrlCacheEntries(std::uint64_t& count) {
    std::shared_ptr<Store> store = CurrentStore();
    if (!store)
        return false;
    std::lock_guard lock(store->mutex);
    Snapshot& s = store->snapshot;
    store->version.Reset();
    const bool versioned = store->version.Step();
    const std::int64_t version = versioned ? store->version.Int(0) : -1;
    store->version.Reset();
    if (s.valid && versioned && version == s.dataVersion) {
        // The snapshot is current: count from memory.
        count = 0;
        bool first = true;
        for (const Row& row : s.rows) {
            if (row.deleted)
                continue;
            count += first || (row.type & NORMAL_CACHE_ENTRY) ? 1 : 0;
            first = false;
        }
        return true;
    }
    // Otherwise the store counts without handing out a single entry: the first entry always,
    // every later one with the normal-entry bit.
    sqlite::Statement q = store->db.Prepare(
        "SELECT count(*) FROM entries WHERE (type & 1) != 0 OR id = (SELECT min(id) FROM entries)");
    if (!q.Valid() || !q.Step())
        return false;
    count = static_cast<std::uint64_t>(q.Int(0));
    return true;
}

bool UrlCacheChangeCount(std::uint64_t& count) {
    std::shared_ptr<Store> store = CurrentStore();
    if (!store)
        return false;
    std::lock_guard lock(store->mutex);
    // Looking at the file's change counter re-reads the store if another program changed it,
    // which counts as a change here.
    if (!store->Refresh())
        return false;
    count = g_changes.load(std::memory_order_relaxed);
    return true;
}

BOOL CommitUrlCacheEntryA(const char* url, const char* localFile, DWORD cacheEntryType) {
    if (url == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return CommitUrlCacheEntries(
        {UrlCacheAddition{url, localFile ? localFile : "", cacheEntryType}});
}

BOOL CommitUrlCacheEntries(const std::vector<UrlCacheAddition>& entries) {
    for (const UrlCacheAddition& entry : entries) {
        if (entry.url.empty() || entry.url.find('\0') != std::string::npos ||
            !IsSafeLocalName(entry.localFile)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
    }
    std::shared_ptr<Store> store = CurrentStore();
    if (!store) {
        SetLastError(ERROR_OPEN_FAILED);
        return 0;
    }
    std::vector<std::uint64_t> sizes;
    sizes.reserve(entries.size());
    for (const UrlCacheAddition& entry : entries)
        sizes.push_back(LocalFileSize(*store, entry.localFile));
    FILETIME nowTime;
    GetSystemTimeAsFileTime(&nowTime);
    const auto now = static_cast<std::int64_t>(FileTimeToUint64(nowTime));
    std::vector<std::string> oldLocals;
    {
        std::lock_guard lock(store->mutex);
        sqlite::Transaction tx(store->db);
        sqlite::Statement update =
            store->db.Prepare("UPDATE entries SET type = ?2, local_file = ?3, size = ?4, "
                              "modified = ?5, accessed = ?5 WHERE id = ?1");
        sqlite::Statement insert = store->db.Prepare("INSERT INTO entries(url, type, local_file, "
                                                     "size, modified, accessed) VALUES(?1, ?2, "
                                                     "?3, ?4, ?5, ?5)");
        bool ok = tx.Active();
        std::vector<std::int64_t> ids;
        ids.reserve(entries.size());
        for (std::size_t i = 0; ok && i < entries.size(); ++i) {
            const UrlCacheAddition& entry = entries[i];
            store->find.Reset();
            store->find.BindBlob(1, entry.url);
            const bool exists = store->find.Step();
            const std::int64_t id = exists ? store->find.Int(0) : 0;
            if (exists)
                oldLocals.push_back(store->find.Blob(1));
            store->find.Reset();
            sqlite::Statement& write = exists ? update : insert;
            write.Reset();
            if (exists)
                write.Bind(1, id);
            else
                write.BindBlob(1, entry.url);
            write.Bind(2, entry.type)
                .BindBlob(3, entry.localFile)
                .Bind(4, static_cast<std::int64_t>(sizes[i]))
                .Bind(5, now);
            ok = write.Run();
            ids.push_back(exists ? id : sqlite3_last_insert_rowid(store->db.Handle()));
            if (exists && oldLocals.back() == entry.localFile)
                oldLocals.pop_back(); // the entry still uses its file
        }
        if (!ok || !tx.Commit()) {
            store->broken = true;
            SetLastError(ERROR_READ_FAULT);
            return 0;
        }
        for (std::size_t i = 0; i < entries.size(); ++i)
            PatchSnapshot(store->snapshot, ids[i], entries[i].url, entries[i].type,
                          entries[i].localFile, sizes[i], now);
        NoteChange();
    }
    for (const std::string& oldLocal : oldLocals)
        if (!oldLocal.empty())
            RemoveLocalFile(*store, oldLocal);
    SetLastError(ERROR_SUCCESS);
    return 1;
}

} // namespace corvane::platform

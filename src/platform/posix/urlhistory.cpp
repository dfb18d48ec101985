#include "platform/urlhistory.h"

#include "platform/sqlitedb.h"
#include "platform/world.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

namespace corvane::platform {

namespace {

constexpr std::string_view kSchema = R"sql(
CREATE TABLE IF NOT EXISTS urls(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    url BLOB NOT NULL UNIQUE,
    title BLOB NOT NULL DEFAULT x'',
    visited INTEGER NOT NULL DEFAULT 0);
)sql";

constexpr std::int64_t kFirstPage = 32;
constexpr std::int64_t kLargestPage = 4096;

// Every change this process makes to a history store bumps the generation, so an enumerator
// never hands out a record of a page read before a deletion.
std::atomic<std::uint64_t> g_generation{1};

bool HasNul(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

} // namespace

bool CoTaskText::Assign(std::string_view bytes) {
    Reset();
    auto* block = static_cast<char*>(CoTaskMemAlloc(bytes.size() + 1));
    if (block == nullptr)
        return false;
    std::memcpy(block, bytes.data(), bytes.size());
    block[bytes.size()] = '\0';
    text_ = block;
    return true;
}

// The open store file; shared by the store object and its enumerators, so an enumerator stays
// usable after the store object ends.
struct IUrlHistoryStg2::Impl {
    std::mutex mutex;
    sqlite::Database db;
    sqlite::Statement page;
    // The same page without a filter: comparing every URL with an empty prefix costs as much as
    // reading it.
    sqlite::Statement pageAll;
    // The largest id in the store (0 when empty).
    sqlite::Statement largestId;
    // The enumerator whose walk in large batches still steps a page statement between two of
    // its batches, and that statement (null: none). A query run anew for every batch would start
    // a read transaction each time (file locks and checks); everything else that uses the
    // connection ends that walk first, so nothing is written or emptied under an open read and
    // the walk goes on with a fresh query after the last record it handed out.
    const IEnumSTATURL::Impl* cursorOwner = nullptr;
    sqlite::Statement* cursor = nullptr;

    // Ends the walk that holds a statement open, if any. The caller holds the lock.
    void EndCursor() {
        if (cursor != nullptr)
            cursor->Reset();
        cursor = nullptr;
        cursorOwner = nullptr;
    }
};

struct IEnumSTATURL::Impl {
    struct Row {
        std::int64_t visited = 0;
        std::size_t urlOffset = 0, urlLength = 0, titleOffset = 0, titleLength = 0;
    };

    std::shared_ptr<IUrlHistoryStg2::Impl> store;
    std::string prefix;
    DWORD flags = 0;
    std::int64_t lastId = 0;
    std::int64_t pageSize = kFirstPage;
    std::uint64_t generation = 0;
    std::vector<std::int64_t> ids;
    std::vector<Row> rows;
    std::string arena;
    std::size_t next = 0;
    std::size_t bytesPerRow = 0; // of the last page, to size the next one's arena at once
    // The largest id in the store when the open walk's query started (see FillDirect).
    std::int64_t cursorLargestId = 0;
    std::uint64_t cursorGeneration = 0;

    Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl() {
        if (store)
            EndOwnCursor();
    }

    void EndOwnCursor() {
        std::lock_guard lock(store->mutex);
        if (store->cursorOwner == this)
            store->EndCursor();
    }
    void Restart() {
        EndOwnCursor();
        lastId = 0;
        Drop();
    }
    void Drop() {
        ids.clear();
        rows.clear();
        arena.clear();
        next = 0;
        pageSize = kFirstPage;
    }

    // True when no record of a page read since the last change is left to hand out.
    bool PageUsedUp() {
        if (generation != g_generation.load(std::memory_order_relaxed))
            Drop();
        return next >= rows.size();
    }

    // The next record, reading a page when needed; S_FALSE at the end, E_FAIL when the store fails.
    HRESULT Peek(const Row*& row) {
        if (PageUsedUp()) {
            if (const HRESULT hr = Fetch(); FAILED(hr))
                return hr;
        }
        row = next < rows.size() ? &rows[next] : nullptr;
        return row ? S_OK : S_FALSE;
    }

    HRESULT Fetch() {
        ids.clear();
        rows.clear();
        arena.clear();
        next = 0;
        generation = g_generation.load(std::memory_order_relaxed);
        // Pages grow fourfold; sizing them from the last one saves growing them row by row.
        const auto expected = static_cast<std::size_t>(pageSize);
        ids.reserve(expected);
        rows.reserve(expected);
        arena.reserve(bytesPerRow * expected);
        std::lock_guard lock(store->mutex);
        sqlite::Statement& q = Query(pageSize);
        while (q.Step()) {
            Row row;
            ids.push_back(q.Int(0));
            const std::string_view url = q.BlobView(1);
            row.urlOffset = arena.size();
            row.urlLength = url.size();
            arena.append(url);
            const std::string_view title = q.BlobView(2);
            row.titleOffset = arena.size();
            row.titleLength = title.size();
            arena.append(title);
            row.visited = q.Int(3);
            rows.push_back(row);
        }
        const bool ok = q.LastCode() == SQLITE_DONE;
        q.Reset();
        if (!rows.empty())
            bytesPerRow = arena.size() / rows.size() + 1;
        pageSize = std::min(pageSize * 4, kLargestPage);
        return ok ? S_OK : E_FAIL;
    }

    // The page statement for this walk, reset and bound to read up to `limit` rows after the last
    // record handed out. The caller holds the store's lock.
    sqlite::Statement& Query(std::int64_t limit) {
        store->EndCursor();
        sqlite::Statement& q = prefix.empty() ? store->pageAll : store->page;
        q.Reset();
        q.Bind(1, lastId).Bind(3, limit);
        if (!prefix.empty())
            q.BindBlob(2, prefix);
        return q;
    }

    // Fills up to `count` records straight from the store, with no page in between; a caller
    // that asks for many records at once gets their texts copied once, not twice. Reports the
    // records filled in `filled`; S_FALSE when the store had fewer. A batch that fills up leaves
    // its query open for the next one (see IUrlHistoryStg2::Impl::cursor).
    //
    // Only the id of the row the walk stops at is read, not every row's. At the end of the batch
    // it is the last row filled. At a record that cannot be filled, the walk goes on from that
    // row: no row lies between it and the one before, as new rows take ids above every id ever
    // used. At the store's end it is the largest id of the rows the query saw, asked while the
    // query runs (so of the same state of the store); past it only rows added later can come.
    HRESULT FillDirect(std::uint32_t count, STATURL* records, std::uint32_t& filled) {
        filled = 0;
        std::lock_guard lock(store->mutex);
        // A change made through another connection of this process since the query started is
        // not in its view of the store: the walk then goes on with a query anew.
        const std::uint64_t now = g_generation.load(std::memory_order_relaxed);
        const bool goingOn = store->cursorOwner == this && cursorGeneration == now;
        if (!goingOn) {
            cursorGeneration = now;
            store->cursor = &Query(-1); // no limit: the walk stops where the batch is full
            store->cursorOwner = this;
            cursorLargestId = lastId;
        }
        sqlite::Statement& q = *store->cursor;
        HRESULT result = S_OK;
        while (filled < count && q.Step()) {
            if (!goingOn && filled == 0 && !LargestId(cursorLargestId)) {
                result = E_FAIL;
                break;
            }
            if (!Fill(q.BlobView(1), q.BlobView(2), q.Int(3), records[filled])) {
                lastId = q.Int(0) - 1;
                result = E_OUTOFMEMORY;
                break;
            }
            ++filled;
        }
        if (result == S_OK && filled == count) {
            lastId = q.Int(0);
            return S_OK;
        }
        if (result == S_OK && q.LastCode() == SQLITE_DONE) {
            lastId = std::max(lastId, cursorLargestId);
            result = S_FALSE;
        } else if (result == S_OK) {
            // The store failed part-way: the walk goes on after the last record filled, found by
            // its URL; when the store cannot say, the walk ends rather than repeat records.
            result = E_FAIL;
            store->EndCursor();
            if (filled > 0 && !IdOfUrl(records[filled - 1].pwcsUrl.Get(), lastId))
                lastId = cursorLargestId;
        }
        store->EndCursor();
        return result;
    }

    // The largest id in the store, read in the running query's transaction. The caller holds
    // the store's lock.
    bool LargestId(std::int64_t& id) {
        sqlite::Statement& largest = store->largestId;
        largest.Reset();
        const bool ok = largest.Step();
        if (ok)
            id = largest.Int(0);
        largest.Reset();
        return ok;
    }

    // The id of the row holding `url`; false when the store cannot say. The caller holds the
    // store's lock.
    bool IdOfUrl(std::string_view url, std::int64_t& id) {
        sqlite::Statement find = store->db.Prepare("SELECT id FROM urls WHERE url = ?1");
        find.BindBlob(1, url);
        if (!find.Step())
            return false;
        id = find.Int(0);
        return true;
    }

    // Fills a record from a row of the page; false when memory for its texts cannot be had.
    bool Fill(const Row& row, STATURL& record) const {
        const std::string_view bytes(arena);
        return Fill(bytes.substr(row.urlOffset, row.urlLength),
                    bytes.substr(row.titleOffset, row.titleLength), row.visited, record);
    }

    bool Fill(std::string_view url, std::string_view title, std::int64_t visited,
              STATURL& record) const {
        if (!record.pwcsUrl.Assign(url))
            return false;
        if (title.empty() || (flags & STATURL_QUERYFLAG_NOTITLE)) {
            record.pwcsTitle.Reset();
        } else if (!record.pwcsTitle.Assign(title)) {
            record.pwcsUrl.Reset();
            return false;
        }
        record.ftLastVisited = Uint64ToFileTime(static_cast<std::uint64_t>(visited));
        record.ftLastUpdated = record.ftLastVisited;
        record.ftExpires = FILETIME{};
        record.dwFlags = 0;
        return true;
    }
};

HRESULT IEnumSTATURL::SetFilter(std::string_view urlStartsWith, DWORD flags) {
    impl_->prefix.assign(urlStartsWith);
    impl_->flags = flags;
    impl_->Restart();
    return S_OK;
}

HRESULT IEnumSTATURL::Next(std::uint32_t count, STATURL* records, std::uint32_t* fetched) {
    if (fetched != nullptr)
        *fetched = 0;
    if (records == nullptr)
        return E_POINTER;
    if (fetched == nullptr && count != 1)
        return E_INVALIDARG;
    std::uint32_t filled = 0;
    HRESULT result = S_OK;
    while (filled < count) {
        if (count - filled >= kStatUrlDirectBatch && impl_->PageUsedUp()) {
            std::uint32_t direct = 0;
            result = impl_->FillDirect(count - filled, records + filled, direct);
            filled += direct;
            break;
        }
        const Impl::Row* row = nullptr;
        const HRESULT hr = impl_->Peek(row);
        if (hr != S_OK) {
            result = hr;
            break;
        }
        if (!impl_->Fill(*row, records[filled])) {
            result = E_OUTOFMEMORY;
            break;
        }
        impl_->lastId = impl_->ids[impl_->next];
        ++impl_->next;
        ++filled;
    }
    if (fetched != nullptr)
        *fetched = filled;
    if (FAILED(result))
        return result;
    return filled == count ? S_OK : S_FALSE;
}

HRESULT IEnumSTATURL::Reset() {
    impl_->Restart();
    return S_OK;
}

IUrlHistoryStg2::IUrlHistoryStg2(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}
IUrlHistoryStg2::~IUrlHistoryStg2() = default;

HRESULT IUrlHistoryStg2::Create(std::unique_ptr<IUrlHistoryStg2>& store) {
    store.reset();
    auto impl = std::make_shared<Impl>();
    std::string error;
    if (!impl->db.Open(world::UrlHistoryFile(), kSchema, error))
        return E_FAIL;
    // The store's pages stay in memory between walks, up to 16 MiB (about a hundred thousand
    // visits), so a repeated refresh reads them from the file only once; SQLite drops them when
    // another connection changes the store. Failing to set it costs only speed.
    impl->db.Exec("PRAGMA cache_size = -16384");
    impl->page = impl->db.Prepare("SELECT id, url, title, visited FROM urls WHERE id > ?1 AND "
                                  "substr(url, 1, length(?2)) = ?2 ORDER BY id LIMIT ?3");
    impl->pageAll = impl->db.Prepare(
        "SELECT id, url, title, visited FROM urls WHERE id > ?1 ORDER BY id LIMIT ?3");
    impl->largestId = impl->db.Prepare("SELECT ifnull(max(id), 0) FROM urls");
    if (!impl->page.Valid() || !impl->pageAll.Valid() || !impl->largestId.Valid())
        return E_FAIL;
    store.reset(new IUrlHistoryStg2(std::move(impl)));
    return S_OK;
}

HRESULT IUrlHistoryStg2::EnumUrls(std::unique_ptr<IEnumSTATURL>& enumerator) {
    auto impl = std::make_shared<IEnumSTATURL::Impl>();
    impl->store = impl_;
    enumerator.reset(new IEnumSTATURL(std::move(impl)));
    return S_OK;
}

HRESULT IUrlHistoryStg2::DeleteUrl(std::string_view url, DWORD /*flags*/) {
    if (url.empty() || HasNul(url))
        return E_INVALIDARG;
    std::lock_guard lock(impl_->mutex);
    impl_->EndCursor();
    sqlite::Statement del = impl_->db.Prepare("DELETE FROM urls WHERE url = ?1");
    del.BindBlob(1, url);
    if (!del.Run())
        return E_FAIL;
    g_generation.fetch_add(1, std::memory_order_relaxed);
    return sqlite3_changes(impl_->db.Handle()) > 0 ? S_OK : S_FALSE;
}

HRESULT IUrlHistoryStg2::ClearHistory() {
    std::lock_guard lock(impl_->mutex);
    impl_->EndCursor();
    if (!impl_->db.Exec("DELETE FROM urls"))
        return E_FAIL;
    g_generation.fetch_add(1, std::memory_order_relaxed);
    return S_OK;
}

HRESULT IUrlHistoryStg2::FlushErased() {
    std::lock_guard lock(impl_->mutex);
    impl_->EndCursor();
    return impl_->db.TruncateLog() ? S_OK : S_FALSE;
}

HRESULT IUrlHistoryStg2::AddUrl(std::string_view url, std::string_view title, DWORD /*flags*/) {
    return AddUrls({Visit{std::string(url), std::string(title)}});
}

HRESULT IUrlHistoryStg2::AddUrls(const std::vector<Visit>& visits) {
    for (const Visit& visit : visits)
        if (visit.url.empty() || HasNul(visit.url) || HasNul(visit.title))
            return E_INVALIDARG;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    std::lock_guard lock(impl_->mutex);
    impl_->EndCursor();
    // One transaction for the whole batch: a seeded world of many thousand visits is written in
    // one commit, and a failure part-way leaves the store as it was.
    sqlite::Transaction tx(impl_->db);
    sqlite::Statement add = impl_->db.Prepare(
        "INSERT INTO urls(url, title, visited) VALUES(?1, ?2, ?3) "
        "ON CONFLICT(url) DO UPDATE SET title = excluded.title, visited = excluded.visited");
    if (!tx.Active() || !add.Valid())
        return E_FAIL;
    for (const Visit& visit : visits) {
        add.Reset();
        add.BindBlob(1, visit.url)
            .BindBlob(2, visit.title)
            .Bind(3, static_cast<std::int64_t>(FileTimeToUint64(now)));
        if (!add.Run())
            return E_FAIL;
    }
    if (!tx.Commit())
        return E_FAIL;
    g_generation.fetch_add(1, std::memory_order_relaxed);
    return S_OK;
}

} // namespace corvane::platform

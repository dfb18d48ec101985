#include "platform/registry.h"

#include "platform/casing.h"
#include "platform/sqlitedb.h"
#include "platform/world.h"

#include <atomic>
#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <unistd.h>

namespace corvane::platform {
namespace {

// Keys form a tree under the row with id 1, the root HKEY_CURRENT_USER. `fold` holds the name's
// upper-case form: equality on it is the registry's comparison without regard to case, while
// `name` keeps the creation case. Key ids never come back (AUTOINCREMENT), so a handle to a
// deleted key can't silently start naming a newer one. Value ids grow with each new value: they
// give creation order. `tail` keeps the odd last byte of string data that a Unicode .reg file
// gave: no character of the A-calls stands for it, but export writes it back.
//
// Version 2 replaced the earlier full case folding by the upper-case form (files made before are
// converted once; a name that would now clash with another keeps its old form) and added `tail`.
constexpr int kSchemaVersion = 2;
constexpr std::string_view kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER,
  name TEXT NOT NULL,
  fold TEXT NOT NULL);
CREATE UNIQUE INDEX IF NOT EXISTS keys_child ON keys(parent, fold);
CREATE TABLE IF NOT EXISTS vals(
  id INTEGER PRIMARY KEY,
  key INTEGER NOT NULL,
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL);
CREATE UNIQUE INDEX IF NOT EXISTS vals_name ON vals(key, fold);
INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES(1, NULL, 'HKEY_CURRENT_USER', '');
ALTER TABLE vals ADD COLUMN tail BLOB;
UPDATE OR IGNORE keys SET fold = corvane_upper(name) WHERE parent IS NOT NULL;
UPDATE OR IGNORE vals SET fold = corvane_upper(name);
)sql";

constexpr std::int64_t kRootId = 1;
constexpr HKEY kFirstHandle = 0x10;
constexpr HKEY kHandleStep = 4;

bool IsPredefinedRoot(HKEY key) {
    return key >= 0x80000000u && key <= 0x8000000Fu;
}

std::string Fold(std::string_view name) {
    return UpperName(name);
}

// The name rule as an SQL function, so the conversion of an older hive runs inside SQLite.
void UpperFunction(sqlite3_context* context, int, sqlite3_value** args) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
    const std::string form = UpperName(
        std::string_view(text ? text : "", static_cast<size_t>(sqlite3_value_bytes(args[0]))));
    sqlite3_result_text(context, form.data(), static_cast<int>(form.size()), SQLITE_TRANSIENT);
}

bool AddFunctions(sqlite3* db) {
    return sqlite3_create_function(db, "corvane_upper", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                   nullptr, UpperFunction, nullptr, nullptr) == SQLITE_OK;
}

std::vector<std::string> SplitPath(const char* subKey) {
    std::vector<std::string> parts;
    if (subKey == nullptr)
        return parts;
    std::string_view rest(subKey);
    while (!rest.empty()) {
        const size_t end = std::min(rest.find('\\'), rest.size());
        if (end > 0)
            parts.emplace_back(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return parts;
}

// What an open handle stands for. Owned by the handle table; RegCloseKey destroys it.
struct KeyObject {
    std::int64_t id;
    std::filesystem::path hive; // a handle only stands for a key of the hive it was opened in
};

struct Hive {
    std::mutex mutex;
    std::unique_ptr<sqlite::Database> db;
    std::filesystem::path file;
    pid_t pid = 0;
    std::map<HKEY, std::unique_ptr<KeyObject>> handles;
    HKEY next = kFirstHandle;
    int batchDepth = 0;
    std::unique_ptr<sqlite::Transaction> batch;
};

Hive& TheHive() {
    static Hive hive;
    return hive;
}

// Opens the current world's hive when this process has none open, or when the world changed.
bool Connect(Hive& h) {
    if (h.db && h.pid != ::getpid()) {
        // A connection inherited through fork belongs to the parent; using or closing it here
        // could disturb the parent's locks, so the child leaves it alone and opens its own.
        (void)h.batch.release();
        (void)h.db.release();
        h.batchDepth = 0;
    }
    const std::filesystem::path file = world::RegistryFile();
    if (h.db && (h.file == file || h.batch))
        return true;
    h.db.reset();
    auto db = std::make_unique<sqlite::Database>();
    std::string error;
    if (!db->Open(file, kSchema, error, kSchemaVersion, AddFunctions))
        return false;
    h.db = std::move(db);
    h.file = file;
    h.pid = ::getpid();
    return true;
}

bool KeyExists(Hive& h, std::int64_t id) {
    auto st = h.db->Prepare("SELECT 1 FROM keys WHERE id = ?1");
    st.Bind(1, id);
    return st.Step();
}

// Writes the hive refused (a read-only or damaged file), counted so that a caller that ignores
// each call's status, as the list erasers do, can still tell afterwards that a change was lost.
std::atomic<unsigned long> g_failedWrites{0};

LONG CountedWrite(LONG rc) {
    if (rc == ERROR_CANTWRITE || rc == ERROR_BADDB)
        ++g_failedWrites;
    return rc;
}

// The key id a handle stands for; ERROR_INVALID_HANDLE for what is not an open key.
LONG Resolve(Hive& h, HKEY key, std::int64_t& id) {
    if (key == HKEY_CURRENT_USER) {
        id = kRootId;
        return ERROR_SUCCESS;
    }
    const auto it = h.handles.find(key);
    if (it == h.handles.end() || it->second->hive != h.file)
        return ERROR_INVALID_HANDLE;
    id = it->second->id;
    return ERROR_SUCCESS;
}

// Connects to the current world's hive and resolves the handle in it. The roots this world does
// not provide fail quietly: reads find nothing there, writes are refused.
LONG Begin(Hive& h, HKEY key, bool writing, std::int64_t& id) {
    if (IsPredefinedRoot(key) && key != HKEY_CURRENT_USER)
        return writing ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    if (!Connect(h))
        return writing ? CountedWrite(ERROR_BADDB) : ERROR_BADDB;
    return Resolve(h, key, id);
}

// Finds the child of `parent` named `name` (any case); 0 when there is none.
std::int64_t FindChild(Hive& h, std::int64_t parent, std::string_view name) {
    auto st = h.db->Prepare("SELECT id FROM keys WHERE parent = ?1 AND fold = ?2");
    st.Bind(1, parent).BindText(2, Fold(name));
    return st.Step() ? st.Int(0) : 0;
}

HKEY NewHandle(Hive& h, std::int64_t id) {
    while (h.handles.count(h.next) != 0 || h.next == 0 || IsPredefinedRoot(h.next))
        h.next = h.next + kHandleStep >= 0x80000000u ? kFirstHandle : h.next + kHandleStep;
    const HKEY handle = h.next;
    h.handles[handle] = std::make_unique<KeyObject>(KeyObject{id, h.file});
    h.next = h.next + kHandleStep >= 0x80000000u ? kFirstHandle : h.next + kHandleStep;
    return handle;
}

// Runs a write either inside the process's open RegTransaction or as a transaction of its own.
template <class Body> LONG Write(Hive& h, Body&& body) {
    if (h.batch)
        return CountedWrite(body());
    sqlite::Transaction t(*h.db);
    if (!t.Active())
        return CountedWrite(ERROR_CANTWRITE);
    const LONG rc = body();
    if (rc != ERROR_SUCCESS)
        return CountedWrite(rc); // rolled back by the transaction's destructor
    return CountedWrite(t.Commit() ? ERROR_SUCCESS : ERROR_CANTWRITE);
}

std::string ValueName(const char* name) {
    return name ? std::string(name) : std::string();
}

LONG OpenOrCreate(HKEY key, const char* subKey, HKEY* result, bool create) {
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    Hive& h = TheHive();
    std::lock_guard lock(h.mutex);
    std::int64_t id = 0;
    if (const LONG rc = Begin(h, key, create, id); rc != ERROR_SUCCESS)
        return rc;
    const std::vector<std::string> parts = SplitPath(subKey);
    const std::int64_t base = id;
    auto walk = [&](bool creating) -> LONG {
        id = base;
        if (!KeyExists(h, id))
            return ERROR_KEY_DELETED;
        for (const std::string& part : parts) {
            std::int64_t child = FindChild(h, id, part);
            if (child == 0) {
                if (!creating)
                    return ERROR_FILE_NOT_FOUND;
                auto st = h.db->Prepare("INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3)");
                st.Bind(1, id).BindText(2, part).BindText(3, Fold(part));
                if (!st.Run())
                    return ERROR_CANTWRITE;
                child = sqlite3_last_insert_rowid(h.db->Handle());
            }
            id = child;
        }
        return ERROR_SUCCESS;
    };
    // Opening a path that exists completely needs no write transaction, so try that first.
    LONG rc = walk(false);
    if (rc == ERROR_FILE_NOT_FOUND && create)
        rc = Write(h, [&] { return walk(true); });
    if (rc != ERROR_SUCCESS)
        return rc;
    *result = NewHandle(h, id);
    return ERROR_SUCCESS;
}

} // namespace

LONG RegOpenKeyA(HKEY key, const char* subKey, HKEY* result) {
    return OpenOrCreate(key, subKey, result, false);
}

LONG RegCreateKeyA(HKEY key, const char* subKey, HKEY* result) {
    return OpenOrCreate(key, subKey, result, true);
}

LONG RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* size) {
    if (reserved != nullptr || (data != nullptr && size == nullptr))
        return ERROR_INVALID_PARAMETER;
    Hive& h = TheHive();
    std::lock_guard lock(h.mutex);
    std::int64_t id = 0;
    if (const LONG rc = Begin(h, key, false, id); rc != ERROR_SUCCESS)
        return rc;
    auto st = h.db->Prepare("SELECT type, data FROM vals WHERE key = ?1 AND fold = ?2");
    st.Bind(1, id).BindText(2, Fold(ValueName(name)));
    if (!st.Step()) {
        if (st.LastCode() != SQLITE_DONE)
            return ERROR_CANTREAD;
        return KeyExists(h, id) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
    }
    const auto storedType = static_cast<DWORD>(st.Int(0));
    const std::string bytes = st.Blob(1);
    const auto needed = static_cast<DWORD>(bytes.size());
    if (type != nullptr)
        *type = storedType;
    if (data == nullptr) {
        if (size != nullptr)
            *size = needed;
        return ERROR_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (needed > 0)
        std::memcpy(data, bytes.data(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

namespace {

LONG SetValue(HKEY key, std::string_view valueName, DWORD type, std::string_view bytes,
              std::string_view tail) {
    Hive& h = TheHive();
    std::lock_guard lock(h.mutex);
    std::int64_t id = 0;
    if (const LONG rc = Begin(h, key, true, id); rc != ERROR_SUCCESS)
        return rc;
    return Write(h, [&]() -> LONG {
        if (!KeyExists(h, id))
            return ERROR_KEY_DELETED;
        // A value written again keeps its name's creation case and its place in the order.
        auto st = h.db->Prepare("INSERT INTO vals(key, name, fold, type, data, tail) "
                                "VALUES(?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT(key, fold) "
                                "DO UPDATE SET type = excluded.type, data = excluded.data, "
                                "tail = excluded.tail");
        st.Bind(1, id).BindText(2, valueName).BindText(3, Fold(valueName)).Bind(4, type);
        st.BindBlob(5, bytes);
        if (!tail.empty())
            st.BindBlob(6, tail);
        return st.Run() ? ERROR_SUCCESS : ERROR_CANTWRITE;
    });
}

} // namespace

LONG RegSetValueExA(HKEY key, const char* name, DWORD /*reserved*/, DWORD type, const BYTE* data,
                    DWORD size) {
    if (data == nullptr && size != 0)
        return ERROR_INVALID_PARAMETER;
    const std::string_view bytes(reinterpret_cast<const char*>(data), data ? size : 0);
    return SetValue(key, ValueName(name), type, bytes, {});
}

LONG RegSetValueWithTail(HKEY key, std::string_view name, DWORD type, std::string_view data,
                         std::string_view tail) {
    if (name.find('\0') != std::string_view::npos || tail.size() > 1)
        return ERROR_INVALID_PARAMETER;
    return SetValue(key, name, type, data, tail);
}

LONG RegDeleteValueA(HKEY key, const char* name) {
    Hive& h = TheHive();
    std::lock_guard lock(h.mutex);
    std::int64_t id = 0;
    if (const LONG rc = Begin(h, key, true, id); rc != ERROR_SUCCESS)
        return rc;
    return Write(h, [&]() -> LONG {
        auto st = h.db->Prepare("DELETE FROM vals WHERE key = ?1 AND fold = ?2");
        st.Bind(1, id).BindText(2, Fold(ValueName(name)));
        if (!st.Run())
            return ERROR_CANTWRITE;
        if (sqlite3_changes(h.db->Handle()) > 0)
            return ERROR_SUCCESS;
        return KeyExists(h, id) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
    });
}

LONG RegDeleteTreeA(HKEY key, const char* subKey) {
    Hive& h = TheHive();
    std::lock_guard lock(h.mutex);
    std::int64_t id = 0;
    if (const LONG rc = Begin(h, key, true, id); rc != ERROR_SUCCESS)
        return rc;
    const std::vector<std::string> parts = SplitPath(subKey);
    return Write(h, [&]() -> LONG {
        if (!KeyExists(h, id))
            return ERROR_KEY_DELETED;
        for (const std::string& part : parts) {
            id = FindChild(h, id, part);
            if (id == 0)
                return ERROR_FILE_NOT_FOUND;
        }
        // The whole subtree, the key itself included unless only its contents go.
        constexpr std::string_view kTree = "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL "
                                           "SELECT keys.id FROM keys JOIN tree ON keys.parent = "
                                           "tree.id) ";
        auto vals = h.db->Prepare(std::string(kTree) + "DELETE FROM vals WHERE key IN tree");
        auto keys = h.db->Prepare(std::string(kTree) +
                                  "DELETE FROM keys WHERE id IN tree AND (?2 OR id != ?1)");
        vals.Bind(1, id);
        keys.Bind(1, id).Bind(2, parts.empty() ? 0 : 1);
        return vals.Run() && keys.Run() ? ERROR_SUCCESS : ERROR_CANTWRITE;
    });
}

unsigned long RegFailedWriteCount() {
    return g_failedWrites.load();
}

LONG RegCloseKey(HKEY key) {
    if (IsPredefinedRoot(key))
        return ERROR_SUCCESS;
    Hive& h = TheHive();
    std::lock_guard lock(h.mutex);
    return h.handles.erase(key) > 0 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

namespace {

// The start of a listing: a readable handle to a key that still exists.
LONG BeginListing(Hive& h, HKEY key, std::int64_t& id) {
    if (const LONG rc = Begin(h, key, false, id); rc != ERROR_SUCCESS)
        return rc;
    return KeyExists(h, id) ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

} // namespace

LONG RegListSubKeys(HKEY key, std::vector<std::string>& names) {
    names.clear();
    Hive& h = TheHive();
    std::lock_guard lock(h.mutex);
    std::int64_t id = 0;
    if (const LONG rc = BeginListing(h, key, id); rc != ERROR_SUCCESS)
        return rc;
    std::vector<std::pair<std::string, std::string>> rows; // upper-case form, name
    auto st = h.db->Prepare("SELECT name FROM keys WHERE parent = ?1");
    st.Bind(1, id);
    while (st.Step()) {
        std::string name = st.Text(0);
        rows.emplace_back(UpperName(name), std::move(name));
    }
    if (st.LastCode() != SQLITE_DONE)
        return ERROR_CANTREAD;
    std::sort(rows.begin(), rows.end());
    for (auto& row : rows)
        names.push_back(std::move(row.second));
    return ERROR_SUCCESS;
}

LONG RegListValues(HKEY key, std::vector<RegValue>& values) {
    values.clear();
    Hive& h = TheHive();
    std::lock_guard lock(h.mutex);
    std::int64_t id = 0;
    if (const LONG rc = BeginListing(h, key, id); rc != ERROR_SUCCESS)
        return rc;
    auto st = h.db->Prepare("SELECT name, type, data, tail FROM vals WHERE key = ?1 ORDER BY id");
    st.Bind(1, id);
    while (st.Step())
        values.push_back(
            RegValue{st.Text(0), static_cast<DWORD>(st.Int(1)), st.Blob(2), st.Blob(3)});
    return st.LastCode() == SQLITE_DONE ? ERROR_SUCCESS : ERROR_CANTREAD;
}

LONG RegKeyPath(HKEY key, std::string& path) {
    path.clear();
    Hive& h = TheHive();
    std::lock_guard lock(h.mutex);
    std::int64_t id = 0;
    if (const LONG rc = Begin(h, key, false, id); rc != ERROR_SUCCESS)
        return rc;
    std::vector<std::string> names;
    auto st = h.db->Prepare("SELECT parent, name FROM keys WHERE id = ?1");
    while (id != kRootId) {
        st.Reset();
        st.Bind(1, id);
        if (!st.Step())
            return ERROR_KEY_DELETED;
        names.push_back(st.Text(1));
        id = st.Int(0);
    }
    path = "HKEY_CURRENT_USER";
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        path += "\\" + *it;
    return ERROR_SUCCESS;
}

RegTransaction::RegTransaction() {
    Hive& h = TheHive();
    std::lock_guard lock(h.mutex);
    if (h.batchDepth > 0 && h.pid == ::getpid()) {
        ++h.batchDepth;
        active_ = true;
        return;
    }
    if (!Connect(h))
        return;
    auto t = std::make_unique<sqlite::Transaction>(*h.db);
    if (!t->Active())
        return;
    h.batch = std::move(t);
    h.batchDepth = 1;
    active_ = true;
    outermost_ = true;
}

RegTransaction::~RegTransaction() {
    if (!active_)
        return;
    Hive& h = TheHive();
    std::lock_guard lock(h.mutex);
    if (h.batchDepth > 0 && --h.batchDepth == 0)
        h.batch.reset(); // rolls back what was not committed
}

bool RegTransaction::Commit() {
    if (!active_)
        return false;
    if (!outermost_)
        return true;
    Hive& h = TheHive();
    std::lock_guard lock(h.mutex);
    if (!h.batch)
        return false;
    const bool ok = h.batch->Commit();
    h.batch.reset(); // later writes of this object's lifetime commit on their own
    return ok;
}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        Reset();
        key_ = other.key_;
        other.key_ = 0;
    }
    return *this;
}

void RegKey::Reset() {
    if (key_ != 0)
        RegCloseKey(key_);
    key_ = 0;
}

bool RegFlushErased() {
    Hive& h = TheHive();
    std::lock_guard lock(h.mutex);
    if (h.batch || !Connect(h))
        return false;
    return h.db->TruncateLog();
}

void RegReleaseHive() {
    Hive& h = TheHive();
    std::lock_guard lock(h.mutex);
    if (h.batch)
        return; // a transaction in progress keeps its connection
    if (h.db && h.pid != ::getpid())
        (void)h.db.release();
    h.db.reset();
    h.file.clear();
}

} // namespace corvane::platform

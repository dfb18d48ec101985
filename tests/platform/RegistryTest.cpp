#include "platform/registry.h"
#include "platform/world.h"
#include "support/ChildRole.h"
#include "support/TempWorld.h"
#include "traces/CleanIT.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace corvane::platform;
using corvane::testing::TempWorld;
namespace fs = std::filesystem;
namespace world = corvane::world;

namespace {

LONG Set(HKEY key, const char* name, DWORD type, const std::string& data) {
    return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
}

// Reads a value whole; the status of the read and what it found.
LONG Get(HKEY key, const char* name, DWORD& type, std::string& data) {
    DWORD size = 0;
    type = 0xDEAD;
    if (const LONG rc = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
        rc != ERROR_SUCCESS)
        return rc;
    data.assign(size + 1, '?');
    const LONG rc =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    data.resize(size);
    return rc;
}

std::vector<std::string> ValueNames(HKEY key) {
    std::vector<RegValue> values;
    EXPECT_EQ(RegListValues(key, values), ERROR_SUCCESS);
    std::vector<std::string> names;
    for (const auto& v : values)
        names.push_back(v.name);
    return names;
}

} // namespace

TEST(Registry, CreateMakesEveryMissingKeyAndOpenFindsThemInAnyCase) {
    TempWorld w;
    RegKey created;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Corvane Test\\Deep\\Leaf", created.Out()),
              ERROR_SUCCESS);
    EXPECT_NE(created.Get(), 0u);

    RegKey opened;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "SOFTWARE\\corvane test\\DEEP\\leaf", opened.Out()),
              ERROR_SUCCESS);
    std::string path;
    ASSERT_EQ(RegKeyPath(opened.Get(), path), ERROR_SUCCESS);
    EXPECT_EQ(path, "HKEY_CURRENT_USER\\Software\\Corvane Test\\Deep\\Leaf");

    // Creating it again in another case makes nothing new and keeps the first case.
    RegKey again;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "software\\CORVANE TEST", again.Out()),
              ERROR_SUCCESS);
    std::vector<std::string> subKeys;
    ASSERT_EQ(RegListSubKeys(again.Get(), subKeys), ERROR_SUCCESS);
    EXPECT_EQ(subKeys, std::vector<std::string>{"Deep"});

    RegKey missing;
    HKEY raw = 0x1234;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Corvane Test\\Nope", &raw),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(raw, 0u);
    // Opening below an open key works relative to it.
    RegKey relative;
    EXPECT_EQ(RegOpenKeyA(again.Get(), "deep\\LEAF", relative.Out()), ERROR_SUCCESS);
}

TEST(Registry, ValuesKeepTypeBytesAndCreationCase) {
    TempWorld w;
    RegKey key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Values", key.Out()), ERROR_SUCCESS);
    const std::string noNul = "no terminator";
    const std::string innerNul("ab\0cd\0", 6);
    const std::string dword("\x2a\0\0\0", 4);
    ASSERT_EQ(Set(key.Get(), "NoNul", REG_SZ, noNul), ERROR_SUCCESS);
    ASSERT_EQ(Set(key.Get(), "InnerNul", REG_SZ, innerNul), ERROR_SUCCESS);
    ASSERT_EQ(Set(key.Get(), "Count", REG_DWORD, dword), ERROR_SUCCESS);
    ASSERT_EQ(Set(key.Get(), "Odd", 0x1234, "x"), ERROR_SUCCESS);
    ASSERT_EQ(Set(key.Get(), nullptr, REG_SZ, std::string("dflt\0", 5)), ERROR_SUCCESS);
    ASSERT_EQ(Set(key.Get(), "Empty", REG_BINARY, ""), ERROR_SUCCESS);

    DWORD type;
    std::string data;
    ASSERT_EQ(Get(key.Get(), "nonul", type, data), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(data, noNul);
    ASSERT_EQ(Get(key.Get(), "INNERNUL", type, data), ERROR_SUCCESS);
    EXPECT_EQ(data, innerNul);
    ASSERT_EQ(Get(key.Get(), "Count", type, data), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(data, dword);
    ASSERT_EQ(Get(key.Get(), "Odd", type, data), ERROR_SUCCESS);
    EXPECT_EQ(type, 0x1234u);
    ASSERT_EQ(Get(key.Get(), "", type, data), ERROR_SUCCESS); // "" and null: the default value
    EXPECT_EQ(data, std::string("dflt\0", 5));
    ASSERT_EQ(Get(key.Get(), "Empty", type, data), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(data, "");

    // Writing again in another case replaces the data but keeps the name and its place.
    ASSERT_EQ(Set(key.Get(), "NONUL", REG_BINARY, "new"), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key.Get()),
              (std::vector<std::string>{"NoNul", "InnerNul", "Count", "Odd", "", "Empty"}));
    ASSERT_EQ(Get(key.Get(), "NoNul", type, data), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(data, "new");
}

TEST(Registry, QueryReportsSizesAndLeavesMissingValuesUntouched) {
    TempWorld w;
    RegKey key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Sizes", key.Out()), ERROR_SUCCESS);
    ASSERT_EQ(Set(key.Get(), "Text", REG_SZ, std::string("hello\0", 6)), ERROR_SUCCESS);

    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key.Get(), "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u);

    BYTE small[3] = {'x', 'x', 'x'};
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key.Get(), "Text", nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);

    type = 0;
    size = 77;
    EXPECT_EQ(RegQueryValueExA(key.Get(), "Absent", nullptr, &type, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(size, 77u);

    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExA(key.Get(), "Text", &reserved, &type, nullptr, &size),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExA(key.Get(), "Text", nullptr, &type, small, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST(Registry, BadHandlesOtherRootsAndDeletedKeysFailQuietly) {
    TempWorld w;
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(0, "x", nullptr, &type, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExA(0x4444, "x", nullptr, &type, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(RegCloseKey(0x4444), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteValueA(0, "x"), ERROR_INVALID_HANDLE);

    HKEY machine = 99;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software", &machine), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(machine, 0u);
    EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software", &machine), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Set(HKEY_USERS, "x", REG_SZ, "y"), ERROR_ACCESS_DENIED);

    // A closed handle is no longer valid; the key itself stays.
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Gone", &key), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(Set(key, "x", REG_SZ, "y"), ERROR_INVALID_HANDLE);

    // A handle to a key deleted meanwhile reports it, and writes through it go nowhere.
    RegKey open;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Gone", open.Out()), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "software\\gone"), ERROR_SUCCESS);
    EXPECT_EQ(Set(open.Get(), "x", REG_SZ, "y"), ERROR_KEY_DELETED);
    EXPECT_EQ(RegQueryValueExA(open.Get(), "x", nullptr, &type, nullptr, &size), ERROR_KEY_DELETED);
    RegKey recreated;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Gone", recreated.Out()), ERROR_SUCCESS);
    EXPECT_EQ(Set(open.Get(), "x", REG_SZ, "y"), ERROR_KEY_DELETED);
    EXPECT_TRUE(ValueNames(recreated.Get()).empty());
}

TEST(Registry, DeleteValueAndTree) {
    TempWorld w;
    RegKey key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Tree\\A\\B", key.Out()), ERROR_SUCCESS);
    ASSERT_EQ(Set(key.Get(), "v", REG_SZ, "1"), ERROR_SUCCESS);
    RegKey sibling;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\TreeSibling", sibling.Out()),
              ERROR_SUCCESS);
    ASSERT_EQ(Set(sibling.Get(), "keep", REG_SZ, "1"), ERROR_SUCCESS);

    EXPECT_EQ(RegDeleteValueA(key.Get(), "V"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key.Get(), "v"), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(Set(key.Get(), "v", REG_SZ, "1"), ERROR_SUCCESS);

    EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Tree\\Missing"), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Tree"), ERROR_SUCCESS);
    RegKey probe;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Tree", probe.Out()), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Tree\\A\\B", probe.Out()),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ValueNames(sibling.Get()), std::vector<std::string>{"keep"});

    // With no subkey the key is emptied but stays.
    ASSERT_EQ(RegDeleteTreeA(sibling.Get(), nullptr), ERROR_SUCCESS);
    EXPECT_TRUE(ValueNames(sibling.Get()).empty());
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\TreeSibling", probe.Out()), ERROR_SUCCESS);
}

TEST(Registry, SubKeysListSortedWithoutRegardToCase) {
    TempWorld w;
    RegKey parent;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Sorted", parent.Out()), ERROR_SUCCESS);
    for (const char* name : {"beta", "Alpha", "Ärger", "GAMMA", "alphabet", "Al_x"}) {
        RegKey child;
        ASSERT_EQ(RegCreateKeyA(parent.Get(), name, child.Out()), ERROR_SUCCESS);
    }
    std::vector<std::string> names;
    ASSERT_EQ(RegListSubKeys(parent.Get(), names), ERROR_SUCCESS);
    // By the upper-case form: "ALP" < "AL_" because 'P' < '_'.
    EXPECT_EQ(names,
              (std::vector<std::string>{"Alpha", "alphabet", "Al_x", "beta", "GAMMA", "Ärger"}));
    // Case-insensitive beyond ASCII.
    RegKey upper;
    EXPECT_EQ(RegOpenKeyA(parent.Get(), "äRGER", upper.Out()), ERROR_SUCCESS);
}

TEST(Registry, TransactionKeepsAllOrNothing) {
    TempWorld w;
    {
        RegTransaction transaction;
        ASSERT_TRUE(transaction.Active());
        RegKey key;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Batch", key.Out()), ERROR_SUCCESS);
        ASSERT_EQ(Set(key.Get(), "a", REG_SZ, "1"), ERROR_SUCCESS);
        // No commit: everything goes.
    }
    RegKey probe;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Batch", probe.Out()), ERROR_FILE_NOT_FOUND);
    {
        RegTransaction transaction;
        RegKey key;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Batch", key.Out()), ERROR_SUCCESS);
        ASSERT_EQ(Set(key.Get(), "a", REG_SZ, "1"), ERROR_SUCCESS);
        EXPECT_TRUE(transaction.Commit());
    }
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Batch", probe.Out()), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(probe.Get()), std::vector<std::string>{"a"});
}

TEST(Registry, HiveIsTheWorldsAndFollowsTheWorld) {
    TempWorld first;
    RegKey key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\FirstOnly", key.Out()), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(first.Prefix() / "registry.sqlite"));
    {
        TempWorld second;
        RegKey probe;
        EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\FirstOnly", probe.Out()),
                  ERROR_FILE_NOT_FOUND);
        // A handle opened in the first world names nothing in this one.
        EXPECT_EQ(Set(key.Get(), "x", REG_SZ, "y"), ERROR_INVALID_HANDLE);
    }
    ::setenv("CORVANE_PREFIX", first.Prefix().c_str(), 1);
    RegKey probe;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\FirstOnly", probe.Out()), ERROR_SUCCESS);
}

namespace {

std::vector<fs::path> DamagedFiles(const fs::path& prefix) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(prefix))
        if (entry.path().filename().string().rfind("registry.sqlite.damaged-", 0) == 0)
            found.push_back(entry.path());
    return found;
}

// Replaces the hive by `mangle`'s result and checks that the registry moves it aside with one
// line on standard error and works on a fresh hive.
void ExpectDamagedHiveReplaced(const TempWorld& w, const std::string& damagedBytes) {
    RegReleaseHive();
    TempWorld::Write(world::RegistryFile(), damagedBytes);
    ::testing::internal::CaptureStderr();
    RegKey key;
    const LONG rc = RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Fresh", key.Out());
    const std::string err = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(rc, ERROR_SUCCESS);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("registry.sqlite"), std::string::npos) << err;
    EXPECT_EQ(Set(key.Get(), "ok", REG_SZ, "1"), ERROR_SUCCESS);
    RegKey old;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Old", old.Out()), ERROR_FILE_NOT_FOUND);
    const auto damaged = DamagedFiles(w.Prefix());
    ASSERT_EQ(damaged.size(), 1u);
    std::ifstream in(damaged[0], std::ios::binary);
    const std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, damagedBytes);
}

} // namespace

TEST(Registry, TextFileAsHiveIsMovedAsideAndReplaced) {
    TempWorld w;
    ExpectDamagedHiveReplaced(w, "this is not a database, just some text\n");
}

TEST(Registry, TruncatedHiveIsMovedAsideAndReplaced) {
    TempWorld w;
    {
        RegKey key;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Old", key.Out()), ERROR_SUCCESS);
        for (int i = 0; i < 100; ++i)
            ASSERT_EQ(Set(key.Get(), ("v" + std::to_string(i)).c_str(), REG_BINARY,
                          std::string(2000, static_cast<char>(i))),
                      ERROR_SUCCESS);
    }
    RegReleaseHive(); // the last connection folds the log into the file
    std::ifstream in(world::RegistryFile(), std::ios::binary);
    const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(whole.size(), 100000u);
    ExpectDamagedHiveReplaced(w, whole.substr(0, whole.size() / 2));
}

// Two processes write 1,000 values each into the same key at the same time; every value of both
// must be there afterwards. The writers are this test program started again in the child role
// below, each writing in its own transactions.
TEST(Registry, TwoProcessesWritingAtOnceLoseNothing) {
    TempWorld w;
    std::vector<pid_t> children;
    for (const char* tag : {"a", "b"}) {
        const std::string exe = fs::read_symlink("/proc/self/exe").string();
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            env.emplace_back(*e);
        env.push_back("CORVANE_TEST_WRITER_PREFIX=" + w.Prefix().string());
        env.push_back(std::string("CORVANE_TEST_WRITER_TAG=") + tag);
        env.push_back("CORVANE_TEST_CHILD=registry-writer");
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string arg0 = exe;
        char* argv[] = {arg0.data(), nullptr};
        // The writers' own test reports would only clutter this one's; their exit status counts.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int rc = ::posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ASSERT_EQ(rc, 0);
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    RegKey key;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Concurrent", key.Out()), ERROR_SUCCESS);
    std::vector<RegValue> values;
    ASSERT_EQ(RegListValues(key.Get(), values), ERROR_SUCCESS);
    ASSERT_EQ(values.size(), 2000u);
    for (const char* tag : {"a", "b"})
        for (int i = 0; i < 1000; ++i) {
            DWORD type;
            std::string data;
            const std::string name = tag + std::to_string(i);
            ASSERT_EQ(Get(key.Get(), name.c_str(), type, data), ERROR_SUCCESS) << name;
            EXPECT_EQ(data, name);
        }
}

namespace {

// The writer that TwoProcessesWritingAtOnceLoseNothing starts twice.
int WriteOneThousandValues() {
    const char* prefix = std::getenv("CORVANE_TEST_WRITER_PREFIX");
    const char* tag = std::getenv("CORVANE_TEST_WRITER_TAG");
    if (!prefix || !tag)
        return 2;
    ::setenv("CORVANE_PREFIX", prefix, 1);
    for (int i = 0; i < 1000; ++i) {
        RegKey key;
        if (RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Concurrent", key.Out()) != ERROR_SUCCESS)
            return 1;
        const std::string name = tag + std::to_string(i);
        if (Set(key.Get(), name.c_str(), REG_SZ, name) != ERROR_SUCCESS)
            return 1;
    }
    return 0;
}

const corvane::testing::ChildRole kWriter("registry-writer", WriteOneThousandValues);

} // namespace

// Names compare as Windows compares them: each character upper-cased on its own, one to one.
// Full case folding would merge names that Windows keeps apart.
TEST(Registry, NamesCompareByUpperCasingEachCharacterOnItsOwn) {
    TempWorld w;
    RegKey key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Case", key.Out()), ERROR_SUCCESS);
    const std::pair<const char*, const char*> twoNames[] = {
        {"K", "\u212A"},      // the Kelvin sign is its own upper case
        {"\u03C9", "\u2126"}, // small omega and the Ohm sign
        {"SS", "\u00DF"},     // sharp s has no one-to-one upper case
        {"I", "\u0130"},      // capital I with a dot
    };
    for (const auto& [a, b] : twoNames) {
        ASSERT_EQ(Set(key.Get(), a, REG_SZ, a), ERROR_SUCCESS);
        ASSERT_EQ(Set(key.Get(), b, REG_SZ, b), ERROR_SUCCESS);
        DWORD type;
        std::string data;
        ASSERT_EQ(Get(key.Get(), a, type, data), ERROR_SUCCESS);
        EXPECT_EQ(data, a);
        ASSERT_EQ(Get(key.Get(), b, type, data), ERROR_SUCCESS);
        EXPECT_EQ(data, b) << "one name overwrote the other";
    }
    ASSERT_EQ(Set(key.Get(), "\u00E9t\u00E9", REG_SZ, "summer"), ERROR_SUCCESS);
    DWORD type;
    std::string data;
    EXPECT_EQ(Get(key.Get(), "\u00C9T\u00C9", type, data), ERROR_SUCCESS);
    EXPECT_EQ(data, "summer");
    EXPECT_EQ(ValueNames(key.Get()).size(), 9u);

    RegKey sub;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\\u00C9T\u00C9\\Key", sub.Out()),
              ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "software\\\u00E9t\u00E9\\KEY", sub.Out()),
              ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\\u00C9T\u00C9\\\u212Aey", sub.Out()),
              ERROR_FILE_NOT_FOUND);
}

// The letter-list eraser deletes through the registry, so the letter "k" takes the value "k" (or
// "K") and never one named with the Kelvin sign.
TEST(Registry, LetterListErasersKeepValuesOnlyFullFoldingWouldMatch) {
    TempWorld w;
    const char* path = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";
    RegKey key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path, key.Out()), ERROR_SUCCESS);
    ASSERT_EQ(Set(key.Get(), "\u212A", REG_SZ, std::string("kelvin\0", 7)), ERROR_SUCCESS);
    ASSERT_EQ(Set(key.Get(), "K", REG_SZ, std::string("plain\0", 6)), ERROR_SUCCESS);
    ASSERT_EQ(Set(key.Get(), "MRUList", REG_SZ, std::string("k\0", 2)), ERROR_SUCCESS);
    corvane::CleanIT::CleanRunMRU();
    EXPECT_EQ(ValueNames(key.Get()), std::vector<std::string>{"\u212A"});
}

// A hive written before the name rule changed (names stored with their full case folding) is
// converted once when opened: its keys and values are found by the new rule.
TEST(Registry, AHiveOfTheEarlierNameFormIsConvertedWhenOpened) {
    TempWorld w;
    RegReleaseHive();
    fs::remove(world::RegistryFile());
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(world::RegistryFile().c_str(), &raw), SQLITE_OK);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
    ASSERT_EQ(sqlite3_exec(db.get(), R"sql(
        PRAGMA journal_mode=WAL;
        CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER,
                          name TEXT NOT NULL, fold TEXT NOT NULL);
        CREATE UNIQUE INDEX keys_child ON keys(parent, fold);
        CREATE TABLE vals(id INTEGER PRIMARY KEY, key INTEGER NOT NULL, name TEXT NOT NULL,
                          fold TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL);
        CREATE UNIQUE INDEX vals_name ON vals(key, fold);
        INSERT INTO keys VALUES(1, NULL, 'HKEY_CURRENT_USER', '');
        INSERT INTO keys VALUES(2, 1, 'Software', 'software');
        INSERT INTO keys VALUES(3, 2, 'Été', 'été');
        INSERT INTO vals VALUES(1, 3, 'Name', 'name', 1, CAST('kept' AS BLOB));
    )sql",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    db.reset();
    RegKey key;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "SOFTWARE\\\u00C9T\u00C9", key.Out()), ERROR_SUCCESS);
    DWORD type;
    std::string data;
    ASSERT_EQ(Get(key.Get(), "NAME", type, data), ERROR_SUCCESS);
    EXPECT_EQ(data, "kept");
    ASSERT_EQ(Set(key.Get(), "name", REG_SZ, "again"), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key.Get()), std::vector<std::string>{"Name"});
}

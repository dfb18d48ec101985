// The stores as several programs share them: the tray instance, corvanectl and a second writer
// all use one hive at once. Only SQLite's own verdict makes a file "damaged", a damaged file is
// moved aside only while nobody else has it open, and readers never wait for a writer.

#include "platform/registry.h"
#include "platform/world.h"
#include "support/ChildRole.h"
#include "support/Corvanectl.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace corvane::platform;
using corvane::testing::RunCorvanectl;
using corvane::testing::TempWorld;
namespace fs = std::filesystem;
namespace world = corvane::world;

namespace {

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

size_t DamagedCount(const fs::path& prefix) {
    size_t n = 0;
    for (const auto& entry : fs::directory_iterator(prefix))
        if (entry.path().filename().string().find(".damaged-") != std::string::npos)
            ++n;
    return n;
}

// Starts this test program again in a child role, in the test's world, with extra settings.
pid_t StartRole(const char* role, const std::vector<std::string>& extra) {
    const std::string exe = fs::read_symlink("/proc/self/exe").string();
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    env.push_back(std::string("CORVANE_TEST_CHILD=") + role);
    env.push_back("CORVANE_TEST_PREFIX=" + world::Prefix().string());
    env.insert(env.end(), extra.begin(), extra.end());
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string arg0 = exe;
    char* argv[] = {arg0.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(rc, 0);
    return rc == 0 ? pid : -1;
}

int ExitStatus(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A child role works in the world of the test that started it (the test program gives every
// process a world of its own at start).
bool UseTestersWorld() {
    const char* prefix = std::getenv("CORVANE_TEST_PREFIX");
    return prefix && ::setenv("CORVANE_PREFIX", prefix, 1) == 0;
}

constexpr int kBigValues = 100;
constexpr size_t kBigSize = 60 * 1024;

// A writer of large values: each one in its own transaction; the names of those reported
// written go, one a line, to the file CORVANE_TEST_REPORT.
int WriteBigValues() {
    const char* tag = std::getenv("CORVANE_TEST_TAG");
    const char* report = std::getenv("CORVANE_TEST_REPORT");
    if (!tag || !report || !UseTestersWorld())
        return 2;
    std::ofstream out(report);
    for (int i = 0; i < kBigValues; ++i) {
        RegKey key;
        if (RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Big", key.Out()) != ERROR_SUCCESS)
            continue;
        const std::string name = tag + std::to_string(i);
        const std::string data(kBigSize, name.back());
        if (RegSetValueExA(key.Get(), name.c_str(), 0, REG_BINARY,
                           reinterpret_cast<const BYTE*>(data.data()),
                           static_cast<DWORD>(data.size())) == ERROR_SUCCESS)
            out << name << '\n' << std::flush;
    }
    return 0;
}

// A reader that lists and reads the values until CORVANE_TEST_STOP exists; fails on any read
// that the hive refused (a missing key or value is no failure: the writers may not be there yet).
int ReadBigValues() {
    const char* stop = std::getenv("CORVANE_TEST_STOP");
    if (!stop || !UseTestersWorld())
        return 2;
    int failures = 0;
    while (!fs::exists(stop)) {
        RegKey key;
        const LONG open = RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Big", key.Out());
        if (open == ERROR_FILE_NOT_FOUND)
            continue;
        if (open != ERROR_SUCCESS) {
            ++failures;
            continue;
        }
        std::vector<RegValue> values;
        if (RegListValues(key.Get(), values) != ERROR_SUCCESS)
            ++failures;
        for (const RegValue& v : values)
            if (v.data.size() != kBigSize)
                ++failures;
    }
    return failures == 0 ? 0 : 1;
}

const corvane::testing::ChildRole kBigWriter("hive-big-writer", WriteBigValues);
const corvane::testing::ChildRole kBigReader("hive-big-reader", ReadBigValues);

} // namespace

// Two writers of 60 KB values and a reader at once: every value a writer was told is written is
// there afterwards, the reader never fails, and nothing was taken for damaged.
TEST(StoreSharing, TwoWritersOfLargeValuesAndAReaderLoseNothing) {
    TempWorld w;
    const fs::path stop = w.Root() / "stop";
    const pid_t reader = StartRole("hive-big-reader", {"CORVANE_TEST_STOP=" + stop.string()});
    std::vector<std::pair<pid_t, fs::path>> writers;
    for (const char* tag : {"a", "b"}) {
        const fs::path report = w.Root() / (std::string("written-") + tag);
        writers.emplace_back(
            StartRole("hive-big-writer", {std::string("CORVANE_TEST_TAG=") + tag,
                                          "CORVANE_TEST_REPORT=" + report.string()}),
            report);
    }
    for (const auto& [pid, report] : writers)
        EXPECT_EQ(ExitStatus(pid), 0);
    std::ofstream(stop) << "done";
    EXPECT_EQ(ExitStatus(reader), 0) << "a reader failed while the writers worked";

    EXPECT_EQ(DamagedCount(w.Prefix()), 0u) << "a healthy hive was taken for damaged";
    RegKey key;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Big", key.Out()), ERROR_SUCCESS);
    std::vector<RegValue> values;
    ASSERT_EQ(RegListValues(key.Get(), values), ERROR_SUCCESS);
    std::set<std::string> present;
    for (const RegValue& v : values)
        present.insert(v.name);
    size_t reported = 0;
    for (const auto& [pid, report] : writers) {
        std::ifstream in(report);
        for (std::string name; std::getline(in, name); ++reported)
            EXPECT_TRUE(present.count(name)) << name << " was reported written but is gone";
    }
    EXPECT_EQ(reported, 2u * kBigValues);
}

// A reader opens the hive without writing anything, so a writer that holds its transaction for
// long does not make `reg query` fail.
TEST(StoreSharing, ReadersDoNotWaitForAWriterThatHoldsItsTransaction) {
    TempWorld w;
    ASSERT_EQ(RunCorvanectl({"reg", "set", "HKCU\\Software\\Held", "v", "sz", "kept"}).exitCode, 0);
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(world::RegistryFile().c_str(), &raw), SQLITE_OK);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> writer(raw, sqlite3_close);
    ASSERT_EQ(sqlite3_exec(writer.get(), "BEGIN IMMEDIATE; UPDATE vals SET type = type", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    const auto query = RunCorvanectl({"reg", "query", "HKCU\\Software\\Held", "v"});
    EXPECT_EQ(query.exitCode, 0) << query.err;
    EXPECT_EQ(query.out, "v\tsz\tkept\n");
    sqlite3_exec(writer.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

// A damaged hive that another program still has open is left where it is: that program may
// still rely on it and its log. Once nobody has it open, it is moved aside as before.
TEST(StoreSharing, ADamagedHiveIsMovedAsideOnlyWhenNobodyHasItOpen) {
    TempWorld w;
    RegReleaseHive();
    const std::string junk = "this is not a database but another program has it open\n";
    TempWorld::Write(world::RegistryFile(), junk);
    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        ::close(release[1]); // so that the parent's close is the end of the pipe
        // What an SQLite reader of the file holds: a shared lock on its shared-lock range.
        const int fd = ::open(world::RegistryFile().c_str(), O_RDONLY);
        struct flock lock {};
        lock.l_type = F_RDLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = 0x40000002;
        lock.l_len = 1;
        const bool locked = fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0;
        char c = locked ? 'y' : 'n';
        (void)!::write(ready[1], &c, 1);
        (void)!::read(release[0], &c, 1);
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    ::testing::internal::CaptureStderr();
    RegKey key;
    EXPECT_NE(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Fresh", key.Out()), ERROR_SUCCESS);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(DamagedCount(w.Prefix()), 0u);
    EXPECT_EQ(ReadAll(world::RegistryFile()), junk);

    ::close(release[1]);
    EXPECT_EQ(ExitStatus(holder), 0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Fresh", key.Out()), ERROR_SUCCESS);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(DamagedCount(w.Prefix()), 1u);
    ::close(ready[0]);
    ::close(ready[1]);
    ::close(release[0]);
}

// An erase that deleted rows leaves no copy of them in the store files: not in freed pages of
// the database and not in its write-ahead log, even while another program keeps the stores open.
TEST(StoreSharing, ErasedAddressesLeaveNoBytesInTheStoreFiles) {
    TempWorld w;
    const std::string secret = "secret-erased-address.example";
    ASSERT_EQ(RunCorvanectl({"cache", "add", "http://" + secret + "/page.html"}).exitCode, 0);
    ASSERT_EQ(RunCorvanectl({"history", "add", "http://" + secret + "/", "A title"}).exitCode, 0);
    ASSERT_EQ(
        RunCorvanectl({"reg", "set", "HKCU\\Software\\Microsoft\\Internet Explorer\\TypedURLs",
                       "url1", "sz", "http://" + secret + "/typed"})
            .exitCode,
        0);
    // Another program (the tray instance, say) has every store open: the log stays in place.
    std::vector<std::unique_ptr<sqlite3, int (*)(sqlite3*)>> others;
    for (const fs::path& file :
         {world::RegistryFile(), world::UrlCacheFile(), world::UrlHistoryFile()}) {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
        others.emplace_back(raw, sqlite3_close);
        ASSERT_EQ(
            sqlite3_exec(raw, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr),
            SQLITE_OK);
    }
    const auto erase = RunCorvanectl({"erase", "history"});
    ASSERT_EQ(erase.exitCode, 0) << erase.err;
    EXPECT_EQ(RunCorvanectl({"cache", "list"}).out.find(secret), std::string::npos);
    for (const auto& entry : fs::directory_iterator(w.Prefix())) {
        if (entry.path().filename().string().find(".sqlite") == std::string::npos)
            continue;
        EXPECT_EQ(ReadAll(entry.path()).find(secret), std::string::npos)
            << entry.path() << " still holds the erased address";
    }
}

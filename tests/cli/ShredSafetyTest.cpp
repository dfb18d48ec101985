// corvanectl shred and erase against real faults: injected I/O errors and counted flushes at
// the system call (through strace), paths taken exactly as written, places that are refused,
// options counted only where the grammar puts them, and erasers that fail saying so.

#include "platform/world.h"
#include "support/Corvanectl.h"
#include "support/InPlace.h"
#include "support/TempWorld.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <sys/stat.h>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::RunCorvanectl;
using testing::TempWorld;

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string Ctl() {
    return std::string(CORVANE_BIN_DIR) + "/corvanectl";
}

bool HaveStrace() {
    return testing::RunProgram({"strace", "-V"}).exitCode == 0;
}

// Every write failing with EIO: the file stays whole and the command fails, naming it.
TEST(ShredFaults, AnInjectedWriteErrorLeavesTheFileAndFails) {
    if (!HaveStrace())
        GTEST_SKIP() << "strace is not installed";
    TempWorld world;
    const fs::path file = TempWorld::Write(world.Posix("C:\\docs\\eio.txt"), "secret");
    // Only the calls on this file fail; the stores of the world work as usual.
    const auto r =
        testing::RunProgram({"strace", "-f", "-qq", "-o", "/dev/null", "-P", file.string(), "-e",
                             "inject=pwrite64:error=EIO", Ctl(), "shred", file.string(), "--yes"});
    if (r.err.find("ptrace") != std::string::npos)
        GTEST_SKIP() << "this machine does not allow tracing: " << r.err;
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("eio.txt: not overwritten: a write failed"), std::string::npos) << r.err;
    EXPECT_EQ(Read(file), "secret");
}

// Eleven passes reach the disk: eleven fdatasync calls on the one file, counted by the kernel's
// side of the call rather than at the files service.
TEST(ShredFaults, EachOfTheElevenPassesIsFlushedAtTheSystemCall) {
    if (!HaveStrace())
        GTEST_SKIP() << "strace is not installed";
    TempWorld world;
    const fs::path file = TempWorld::Write(world.Posix("C:\\docs\\flush.txt"), "data");
    const fs::path log = world.Root() / "strace.log";
    const auto r =
        testing::RunProgram({"strace", "-f", "-qq", "-o", log.string(), "-P", file.string(), "-e",
                             "trace=fdatasync,pwrite64", Ctl(), "shred", file.string(), "--yes"});
    if (r.err.find("ptrace") != std::string::npos)
        GTEST_SKIP() << "this machine does not allow tracing: " << r.err;
    ASSERT_EQ(r.exitCode, testing::ShredStatusIn(file.parent_path())) << r.err;
    // The calls in order, one letter each: every pass is writes ("w") ended by a successful
    // flush ("f"), eleven times over.
    std::string calls;
    std::istringstream lines(Read(log));
    for (std::string line; std::getline(lines, line);) {
        if (std::regex_search(line, std::regex("fdatasync\\(\\d+\\) += 0")))
            calls += 'f';
        else if (line.find("pwrite64(") != std::string::npos)
            calls += 'w';
    }
    EXPECT_TRUE(std::regex_match(calls, std::regex("(w+f){11}"))) << calls;
}

TEST(ShredPaths, APosixPathIsTakenExactlyAsWritten) {
    TempWorld world;
    const fs::path file = TempWorld::Write(world.Posix("C:\\docs\\secret.txt"), "lower");
    const fs::path upper = file.parent_path() / "SECRET.TXT";
    auto r = RunCorvanectl({"--yes", "shred", upper.string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(Read(file), "lower");
    // Windows paths keep the lookup Windows gives them.
    r = RunCorvanectl({"--yes", "shred", "C:\\DOCS\\SECRET.TXT"});
    EXPECT_EQ(r.exitCode, testing::ShredStatusIn(file.parent_path())) << r.err;
    EXPECT_FALSE(fs::exists(file));
}

TEST(ShredPaths, TheWorldsOwnFolderAndVirtualFileSystemsAreRefused) {
    TempWorld world;
    ASSERT_EQ(RunCorvanectl({"world", "init"}).exitCode, 0);
    const std::string prefix = world.Prefix().string();
    for (const std::string& place :
         {prefix, world.Root().string(), (world.Prefix() / "registry.sqlite").string(),
          std::string("/proc"), std::string("/proc/self"), std::string("/sys"),
          std::string("/sys/kernel"), std::string("/dev"), std::string("/dev/null")}) {
        SCOPED_TRACE(place);
        const auto r = RunCorvanectl({"--yes", "shred", place});
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_NE(r.err.find("never shredded"), std::string::npos) << r.err;
    }
    EXPECT_TRUE(fs::exists(world.Prefix() / "registry.sqlite"));
    EXPECT_TRUE(fs::is_directory(world::DriveC()));
}

TEST(CommandLine, OptionsCountOnlyWhereTheGrammarPutsThem) {
    TempWorld world;
    auto r = RunCorvanectl({"reg", "set", "HKCU\\Software\\T", "v", "sz", "--help"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = RunCorvanectl({"reg", "set", "HKCU\\Software\\T", "w", "sz", "--yes"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = RunCorvanectl({"reg", "query", "HKCU\\Software\\T"});
    EXPECT_NE(r.out.find("v\tsz\t--help"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("w\tsz\t--yes"), std::string::npos) << r.out;
    // "--yes" before the path is not the shred's answer: nothing is shredded unasked.
    const fs::path file = TempWorld::Write(world.Posix("C:\\k.txt"), "keep");
    r = RunCorvanectl({"shred", "--yes", file.string()});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(Read(file), "keep");
    EXPECT_EQ(RunCorvanectl({"--help"}).exitCode, 0);
}

// With stores nobody else may write, the eraser fails step by step and says so.
TEST(EraseFaults, ErasingHistoryFromReadOnlyStoresFailsWithALinePerStep) {
    testing::Unprivileged nobody;
    if (const std::string why = nobody.Unavailable(); !why.empty())
        GTEST_SKIP() << why;
    TempWorld world;
    ASSERT_EQ(RunCorvanectl({"seed", "demo"}).exitCode, 0);
    const std::string before = RunCorvanectl({"history", "list"}).out;
    ASSERT_FALSE(before.empty());
    // The world and its hive are nobody's, but the browser stores and the files stay root's:
    // nobody may read them and remove names, but write none of them.
    ::chmod(world.Root().c_str(), 0755);
    ASSERT_EQ(::chown(world.Prefix().c_str(), nobody.Uid(), nobody.Gid()), 0);
    for (const auto& entry : fs::recursive_directory_iterator(world.Prefix())) {
        if (entry.is_directory() || entry.path().filename().string().rfind("registry", 0) == 0)
            ASSERT_EQ(::chown(entry.path().c_str(), nobody.Uid(), nobody.Gid()), 0);
        else
            ::chmod(entry.path().c_str(), 0644);
    }
    const auto r = nobody.Run({"--prefix", world.Prefix().string(), "erase", "history"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_GE(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
    EXPECT_EQ(RunCorvanectl({"history", "list"}).out, before);
}

// A hive nobody may write: the list erasers change nothing, and each erase says so and fails,
// while a writable hive still erases and succeeds.
TEST(EraseFaults, ListErasersOnAHiveThatRefusesWritesFailWithALine) {
    testing::Unprivileged nobody;
    if (const std::string why = nobody.Unavailable(); !why.empty())
        GTEST_SKIP() << why;
    TempWorld world;
    ASSERT_EQ(RunCorvanectl({"seed", "demo"}).exitCode, 0);
    const std::string runKey =
        "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";
    const std::string before = RunCorvanectl({"reg", "query", runKey}).out;
    ASSERT_NE(before.find("MRUList"), std::string::npos) << before;
    // The world is nobody's, but the hive stays root's: nobody may read it and write nothing.
    ::chmod(world.Root().c_str(), 0755);
    for (const auto& entry : fs::recursive_directory_iterator(world.Prefix()))
        if (entry.is_directory())
            ASSERT_EQ(::chown(entry.path().c_str(), nobody.Uid(), nobody.Gid()), 0);
        else
            ::chmod(entry.path().c_str(), 0644);
    ASSERT_EQ(::chown(world.Prefix().c_str(), nobody.Uid(), nobody.Gid()), 0);
    for (const std::string eraser : {"run", "typed"}) {
        SCOPED_TRACE(eraser);
        const auto r = nobody.Run({"--prefix", world.Prefix().string(), "erase", eraser});
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_NE(r.err.find("could not be written"), std::string::npos) << r.err;
    }
    EXPECT_EQ(RunCorvanectl({"reg", "query", runKey}).out, before);
    const auto r = RunCorvanectl({"erase", "run"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(RunCorvanectl({"reg", "query", runKey}).out.find("MRUList"), std::string::npos);
}

} // namespace
} // namespace corvane

// corvanectl world folder, erase history|all|temp and watch, run as programs on a temporary
// world.

#include "eraser/FolderErasers.h"
#include "platform/registry.h"
#include "platform/world.h"
#include "support/Corvanectl.h"
#include "support/InPlace.h"
#include "support/NamedProcess.h"
#include "support/TempWorld.h"
#include "traces/RegRWModule.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::NamedProcess;
using testing::TempWorld;

constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// A corvanectl that keeps running (the watch), whose standard output is read line by line.
class RunningCtl {
public:
    RunningCtl(const TempWorld& world, std::vector<std::string> words, const char* timeScale) {
        int out[2];
        if (::pipe(out) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::close(out[0]);
            ::setenv("CORVANE_TIME_SCALE", timeScale, 1);
            const std::string ctl = std::string(CORVANE_BIN_DIR) + "/corvanectl";
            words.insert(words.begin(), {ctl, "--prefix", world.Prefix().string()});
            std::vector<char*> argv;
            for (auto& w : words)
                argv.push_back(w.data());
            argv.push_back(nullptr);
            ::execv(ctl.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        fd_ = out[0];
    }
    ~RunningCtl() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (fd_ >= 0)
            ::close(fd_);
    }

    // The next line of output, or "" when none comes within the time allowed.
    std::string Line(int ms = 10000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            const auto nl = buffer_.find('\n');
            if (nl != std::string::npos) {
                std::string line = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            pollfd p{fd_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return {};
            char chunk[512];
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n <= 0)
                return {};
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }
    // Waits for the program to end; its exit code.
    int Wait(int signal = 0) {
        if (signal)
            ::kill(pid_, signal);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    std::string buffer_;
};

TEST(EraserCommands, WorldFolderPrintsTheFoldersTheErasersRead) {
    TempWorld world;
    const eraser::BrowserFolders folders = eraser::ReadBrowserFolders();
    const std::pair<const char*, std::string> cases[] = {{"cookies", folders.CookiesFolder},
                                                         {"cache", folders.CacheFolder},
                                                         {"history", folders.HistoryFolder},
                                                         {"temp", folders.TempFolder}};
    for (const auto& [word, win] : cases) {
        const testing::CtlResult r = testing::RunCorvanectl({"world", "folder", word});
        EXPECT_EQ(r.out, world::ToPosix(win) + "\n") << word;
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
    EXPECT_EQ(testing::RunCorvanectl({"world", "folder", "desktop"}).exitCode, 2);
    // An empty value (a missing one would be put back by the world's first-run set-up).
    RegRWModule::SaveRegString(platform::HKEY_CURRENT_USER, kShellFolders, "Cookies", "");
    const testing::CtlResult missing = testing::RunCorvanectl({"world", "folder", "cookies"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.empty());
}

TEST(EraserCommands, EraseTempHistoryAndAll) {
    TempWorld world;
    const eraser::BrowserFolders folders = eraser::ReadBrowserFolders();
    const fs::path temp = world.Posix(folders.TempFolder);
    const fs::path cookies = world.Posix(folders.CookiesFolder);
    TempWorld::Write(temp / "sub" / "t.tmp", "t");
    const fs::path cookie = TempWorld::Write(cookies / "me@site[1].txt", "c");

    // Where the temporary folder's file system keeps old data, each wiped file is said so and the
    // erase ends with 3 instead of 0.
    const int done = testing::ShredStatusIn(world.Root());
    const testing::CtlResult erased = testing::RunCorvanectl({"erase", "temp"});
    EXPECT_EQ(erased.exitCode, done);
    EXPECT_EQ(erased.err.find("the old data may survive") != std::string::npos, done == 3)
        << erased.err;
    EXPECT_TRUE(fs::is_directory(temp));
    EXPECT_TRUE(fs::is_empty(temp));
    EXPECT_TRUE(fs::exists(cookie));
    EXPECT_EQ(testing::RunCorvanectl({"erase", "history"}).exitCode, done);
    EXPECT_FALSE(fs::exists(cookie));

    TempWorld::Write(cookies / "again.txt", "c");
    TempWorld::Write(temp / "again.tmp", "t");
    EXPECT_EQ(testing::RunCorvanectl({"erase", "all"}).exitCode, done);
    EXPECT_TRUE(fs::is_empty(cookies));
    EXPECT_TRUE(fs::is_empty(temp));
}

// With the clock sped up a hundredfold, the watcher sees the browser start and end and erases,
// and an interrupt ends it cleanly.
TEST(EraserCommands, WatchErasesOnceAfterTheBrowserCloses) {
    TempWorld world;
    const fs::path cookies = world.Posix(eraser::ReadBrowserFolders().CookiesFolder);
    const fs::path cookie = TempWorld::Write(cookies / "me@site[1].txt", "c");
    RunningCtl watch(world, {"watch"}, "100");
    ASSERT_NE(watch.Line().find("watching for iexplore.exe"), std::string::npos);
    // The watcher looks at every process of the machine, so this test does not insist that
    // nothing happened before its own browser ran: another test may run one meanwhile.
    fs::create_directories(world.Root() / "bin");
    NamedProcess browser(world.Root() / "bin", "iexplore.exe");
    ::usleep(300'000); // several ticks see it running
    browser.Stop();
    EXPECT_NE(watch.Line().find("erasing"), std::string::npos);
    EXPECT_NE(watch.Line().find("erased"), std::string::npos);
    EXPECT_FALSE(fs::exists(cookie));
    EXPECT_EQ(watch.Wait(SIGINT), 0);
}

} // namespace
} // namespace corvane

// The browser check against real processes and a recorded process list, and the watcher's two
// states.

#include "eraser/CheckProcess.h"
#include "eraser/BrowserWatcher.h"
#include "platform/processes.h"
#include "platform/world.h"
#include "support/NamedProcess.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using platform::DWORD;
using testing::NamedProcess;

// The real process list narrowed to this test's own children, so that programs other tests
// start at the same time can't change the answers.
class OwnChildren : public platform::ProcfsProcessSource {
public:
    OwnChildren() : scope_(*this) {}
    bool EnumProcesses(DWORD* ids, DWORD cb, DWORD* bytesReturned) override {
        std::vector<DWORD> all(65536);
        DWORD bytes = 0;
        if (!ProcfsProcessSource::EnumProcesses(all.data(), 65536 * 4, &bytes))
            return false;
        DWORD n = 0;
        for (DWORD i = 0; i < bytes / 4 && n < cb / 4; ++i)
            if (ParentOf(all[i]) == ::getpid())
                ids[n++] = all[i];
        *bytesReturned = n * 4;
        return true;
    }

private:
    static pid_t ParentOf(DWORD pid) {
        std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const auto close = stat.rfind(')');
        if (close == std::string::npos)
            return -1;
        std::istringstream fields(stat.substr(close + 2));
        std::string state;
        pid_t parent = -1;
        fields >> state >> parent;
        return parent;
    }
    platform::ScopedProcessSource scope_;
};

TEST(IsProcessRunning, ComparesTheWholeLastPieceInUpperCase) {
    testing::TempWorld world;
    OwnChildren children;
    const fs::path bin = world.Root() / "bin";
    fs::create_directories(bin);
    EXPECT_FALSE(CheckProcess::IsProcessRunning("iexplore.exe"));
    {
        NamedProcess upper(bin, "IEXPLORE.EXE");
        EXPECT_TRUE(CheckProcess::IsProcessRunning("iexplore.exe"));
        EXPECT_TRUE(CheckProcess::IsProcessRunning("  iExplore.exe "));
    }
    {
        NamedProcess x(bin, "xiexplore.exe");
        NamedProcess bak(bin, "iexplore.exe.bak");
        EXPECT_FALSE(CheckProcess::IsProcessRunning("iexplore.exe"));
        EXPECT_TRUE(CheckProcess::IsProcessRunning("xiexplore.exe"));
    }
    {
        // A name longer than the kernel's 15-character process name is still found whole.
        NamedProcess longName(bin, "a-rather-long-browser-name.exe");
        EXPECT_TRUE(CheckProcess::IsProcessRunning("A-RATHER-LONG-BROWSER-NAME.EXE"));
    }
    NamedProcess lower(bin, "iexplore.exe");
    EXPECT_TRUE(CheckProcess::IsProcessRunning("iexplore.exe"));
}

TEST(Processes, ModuleNameIsTheExecutableAsAWindowsPath) {
    testing::TempWorld world;
    platform::ProcfsProcessSource source;
    NamedProcess plain(world.Root(), "plain.exe");
    NamedProcess emulated(world.Root(), "loader", "C:\\Program Files\\Web\\IEXPLORE.EXE");

    DWORD ids[4096];
    DWORD bytes = 0;
    ASSERT_TRUE(source.EnumProcesses(ids, sizeof ids, &bytes));
    EXPECT_NE(std::find(ids, ids + bytes / 4, static_cast<DWORD>(plain.Pid())), ids + bytes / 4);
    DWORD few[2];
    ASSERT_TRUE(source.EnumProcesses(few, sizeof few, &bytes));
    EXPECT_EQ(bytes, 8u);

    auto moduleName = [&](pid_t pid, DWORD size) {
        platform::ProcessHandle h = source.OpenProcess(0x410, false, static_cast<DWORD>(pid));
        EXPECT_TRUE(h.IsOpen());
        platform::HMODULE modules[50] = {};
        DWORD needed = 0;
        EXPECT_TRUE(source.EnumProcessModules(h, modules, 200, &needed));
        std::vector<char> name(size);
        const DWORD n = source.GetModuleFileNameExA(h, modules[0], name.data(), size);
        EXPECT_TRUE(source.CloseHandle(h));
        return std::string(name.data(), n);
    };
    EXPECT_EQ(moduleName(plain.Pid(), 260),
              world::ToWindows((world.Root() / "plain.exe").string()));
    EXPECT_EQ(moduleName(plain.Pid(), 260).substr(0, 3), "Z:\\");
    EXPECT_EQ(moduleName(plain.Pid(), 6), "Z:\\tm");
    EXPECT_EQ(moduleName(emulated.Pid(), 260), "C:\\Program Files\\Web\\IEXPLORE.EXE");
    EXPECT_FALSE(source.OpenProcess(0x410, false, 0x7FFFFFF0).IsOpen());
}

// A process list replayed from a recording: 300 processes, one of them the browser.
class RecordedProcesses : public platform::ProcessSource {
public:
    RecordedProcesses() : scope_(*this) {}
    std::vector<DWORD> bufferSizes;
    std::vector<DWORD> opened;
    DWORD browserPid = 0;
    int closes = 0;

    bool EnumProcesses(DWORD* ids, DWORD cb, DWORD* bytesReturned) override {
        bufferSizes.push_back(cb);
        const DWORD n = std::min<DWORD>(300, cb / 4);
        for (DWORD i = 0; i < n; ++i)
            ids[i] = 1000 + i;
        *bytesReturned = n * 4;
        return true;
    }
    platform::ProcessHandle OpenProcess(DWORD, bool, DWORD pid) override {
        opened.push_back(pid);
        if (pid % 7 == 0)
            return {}; // another user's process
        return platform::ProcessHandle(pid, -1);
    }
    bool EnumProcessModules(const platform::ProcessHandle&, platform::HMODULE* m, DWORD,
                            DWORD* needed) override {
        m[0] = 1;
        *needed = 4;
        return true;
    }
    DWORD GetModuleFileNameExA(const platform::ProcessHandle& h, platform::HMODULE, char* name,
                               DWORD size) override {
        const std::string path = h.Pid() == browserPid
                                     ? "C:\\Program Files\\iexplore.exe"
                                     : "Z:\\usr\\bin\\p" + std::to_string(h.Pid());
        const DWORD n = std::min<DWORD>(static_cast<DWORD>(path.size()), size - 1);
        std::memcpy(name, path.data(), n);
        name[n] = '\0';
        return n;
    }
    bool CloseHandle(platform::ProcessHandle& h) override {
        ++closes;
        return h.Close();
    }

private:
    platform::ScopedProcessSource scope_;
};

TEST(IsProcessRunning, GrowsTheListByDoublingAndExaminesEveryProcess) {
    RecordedProcesses list;
    EXPECT_FALSE(CheckProcess::IsProcessRunning("iexplore.exe"));
    EXPECT_EQ(list.bufferSizes, (std::vector<DWORD>{16, 32, 64, 128, 256, 512, 1024, 2048}));
    ASSERT_EQ(list.opened.size(), 300u);
    EXPECT_EQ(list.opened.front(), 1000u);
    EXPECT_EQ(list.opened.back(), 1299u);
    EXPECT_EQ(list.closes, 300 - 43); // the ones that opened are closed again

    RecordedProcesses withBrowser;
    withBrowser.browserPid = 1299;
    EXPECT_TRUE(CheckProcess::IsProcessRunning("IEXPLORE.EXE"));
    withBrowser.browserPid = 1150;
    withBrowser.opened.clear();
    EXPECT_TRUE(CheckProcess::IsProcessRunning("iexplore.exe"));
    EXPECT_EQ(withBrowser.opened.back(), 1150u) << "the search goes on after a match";
}

TEST(BrowserWatcher, OneEraseForEachRunOfTheBrowser) {
    std::deque<bool> running;
    std::vector<std::string> events;
    eraser::BrowserWatcher watcher({
        [&] {
            const bool r = !running.empty() && running.front();
            if (!running.empty())
                running.pop_front();
            return r;
        },
        [&] { events.push_back("icon2"); },
        [&] { events.push_back("erase"); },
        [&] { events.push_back("icon1"); },
    });
    EXPECT_FALSE(watcher.TCheck.Enabled());
    EXPECT_FALSE(watcher.TClosed.Enabled());
    EXPECT_EQ(watcher.TCheck.Interval(), 2000);
    watcher.Start();
    ASSERT_TRUE(watcher.TCheck.Enabled());

    auto tick = [&] {
        if (watcher.TCheck.Enabled())
            watcher.TCheck_Timer();
        else if (watcher.TClosed.Enabled())
            watcher.TClosed_Timer();
    };
    // Nothing seen: nothing erased.
    running = {false, false, false};
    for (int i = 0; i < 3; ++i)
        tick();
    EXPECT_TRUE(events.empty());
    // Seen, still there twice (several browser windows), then gone: exactly one erase.
    running = {true, true, true, false, false, false};
    for (int i = 0; i < 6; ++i)
        tick();
    EXPECT_EQ(events, (std::vector<std::string>{"icon2", "erase", "icon1"}));
    EXPECT_TRUE(watcher.TCheck.Enabled());
    EXPECT_FALSE(watcher.TClosed.Enabled());
    // A second run of the browser brings a second erase.
    running = {true, false};
    tick();
    EXPECT_TRUE(watcher.TClosed.Enabled());
    tick();
    EXPECT_EQ(events.size(), 6u);
}

} // namespace
} // namespace corvane

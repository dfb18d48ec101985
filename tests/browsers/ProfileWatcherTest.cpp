// The watcher of the real profiles: a profile is cleaned once each time its browser closes, and
// never while it is open or when it was closed all along.

#include "browsers/ProfileWatcher.h"
#include "browsers/BrowserHome.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

namespace corvane::browsers {
namespace {

struct FakeBrowsers {
    std::map<std::string, bool> open;
    bool ended = true; // the browser process has ended once it let go
    std::vector<std::string> cleaned;
    std::vector<std::string> events;

    ProfileWatcher::Hooks Hooks() {
        return {
            [this](const Profile& p) { events.push_back("busy " + p.id); },
            [this](const ProfileReport& r) { events.push_back("done " + r.id); },
            [this] {
                std::vector<Profile> profiles;
                for (const auto& [id, isOpen] : open) {
                    Profile p;
                    p.id = id;
                    profiles.push_back(p);
                }
                return profiles;
            },
            [this](const Profile& p) { return open[p.id]; },
            [this](const Profile& p) {
                cleaned.push_back(p.id);
                ProfileReport r;
                r.id = p.id;
                // A browser started again during the wait keeps its profile.
                r.outcome = open[p.id] ? Outcome::InUse : Outcome::Cleaned;
                return r;
            },
            [this](const Profile&) { return ended; },
        };
    }
};

TEST(ProfileWatcher, CleansEachProfileOnceWhenItsBrowserCloses) {
    FakeBrowsers browsers;
    browsers.open = {{"a", false}, {"b", true}};
    ProfileWatcher watcher(browsers.Hooks());
    watcher.Refresh();
    EXPECT_EQ(watcher.Followed(), 2u);

    watcher.Check(); // a closed all along, b open: nothing to clean
    EXPECT_TRUE(browsers.cleaned.empty());
    browsers.open["b"] = false;
    watcher.Check();
    EXPECT_EQ(browsers.cleaned, std::vector<std::string>{"b"});
    EXPECT_EQ(browsers.events, (std::vector<std::string>{"busy b", "done b"}));
    watcher.Check(); // still closed: once per browser run
    EXPECT_EQ(browsers.cleaned.size(), 1u);

    // A new run of the browser on a, and a refresh in between, keep what was seen.
    browsers.open["a"] = true;
    watcher.Check();
    watcher.Refresh();
    browsers.open["a"] = false;
    watcher.Check();
    EXPECT_EQ(browsers.cleaned, (std::vector<std::string>{"b", "a"}));
}

TEST(ProfileWatcher, ABrowserBackWithinTheWaitIsCleanedAtItsNextClose) {
    FakeBrowsers browsers;
    browsers.open = {{"a", true}};
    ProfileWatcher::Hooks hooks = browsers.Hooks();
    hooks.BusyBegin = [&](const Profile&) { browsers.open["a"] = true; }; // restarted at once
    ProfileWatcher watcher(hooks);
    watcher.Refresh();
    watcher.Check();
    browsers.open["a"] = false;
    watcher.Check();
    ASSERT_EQ(browsers.cleaned.size(), 1u); // tried, found it open again
    browsers.open["a"] = false;
    watcher.Check();
    EXPECT_EQ(browsers.cleaned.size(), 2u); // the profile was still counted as open
}

// A browser as the kernel sees it: a process that locks the profile, lets go of the lock on a
// word (as Firefox does only at its end, here while it still runs) and ends on a second word.
class LockingProcess {
public:
    explicit LockingProcess(const std::filesystem::path& file) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        EXPECT_EQ(::pipe(words_), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            int fd = ::open(file.c_str(), O_RDWR | O_CREAT, 0600);
            struct flock lock {};
            lock.l_type = F_WRLCK;
            const char ok = fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0;
            [[maybe_unused]] auto w = ::write(ready[1], &ok, 1);
            char word;
            for (int i = 0; i < 2 && ::read(words_[0], &word, 1) == 1; ++i)
                ::close(fd);
            ::_exit(0);
        }
        char ok = 0;
        EXPECT_EQ(::read(ready[0], &ok, 1), 1);
        EXPECT_EQ(ok, 1);
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~LockingProcess() {
        while (said_ < 2)
            Say();
        ::waitpid(pid_, nullptr, 0);
        ::close(words_[0]);
        ::close(words_[1]);
    }
    // The first word lets go of the lock, the second ends the process; waits until it has.
    void Say() {
        [[maybe_unused]] auto w = ::write(words_[1], "x", 1);
        ++said_;
        ::usleep(50000);
    }
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int words_[2] = {-1, -1};
    int said_ = 0;
};

TEST(ProfileWatcher, AProfileIsCleanedOnlyOnceTheProcessThatHeldItHasEnded) {
    testing::BrowserHome home;
    Profile profile;
    profile.id = "firefox:p";
    profile.folder = profile.lockFolder = home.Home() / "p";
    std::filesystem::create_directories(profile.folder);
    int cleaned = 0;
    ProfileWatcher::Hooks hooks;
    hooks.Profiles = [&] { return std::vector<Profile>{profile}; };
    hooks.Clean = [&](const Profile&) {
        ++cleaned;
        return ProfileReport();
    };
    ProfileWatcher watcher(hooks);
    watcher.Refresh();

    LockingProcess browser(profile.folder / ".parentlock");
    pid_t holder = 0;
    EXPECT_TRUE(IsFirefoxProfileLocked(profile.folder, &holder));
    EXPECT_EQ(holder, browser.Pid());
    watcher.Check();
    browser.Say(); // the lock is let go, the process still runs
    watcher.Check();
    EXPECT_EQ(cleaned, 0);
    EXPECT_TRUE(watcher.Waiting());
    // Ended, not yet reaped by its parent: a zombie has written its last.
    browser.Say();
    EXPECT_TRUE(ProcessSeen::Of(browser.Pid()).Ended());
    watcher.Check();
    EXPECT_EQ(cleaned, 1);
    EXPECT_FALSE(watcher.Waiting());
    EXPECT_FALSE(ProcessSeen::Of(::getpid()).Ended());
}

} // namespace
} // namespace corvane::browsers

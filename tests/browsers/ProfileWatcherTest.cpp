// The watcher of the real profiles: a profile is cleaned once each time its browser closes, and
// never while it is open or when it was closed all along.

#include "browsers/ProfileWatcher.h"
#include "browsers/BrowserHome.h"

#include <gtest/gtest.h>

#include <map>

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

    testing::LockHolder browser(profile.folder / ".parentlock");
    pid_t holder = 0;
    EXPECT_TRUE(IsFirefoxProfileLocked(profile.folder, &holder));
    EXPECT_EQ(holder, browser.Pid());
    watcher.Check();
    browser.LetGo(); // the process still runs
    watcher.Check();
    EXPECT_EQ(cleaned, 0);
    EXPECT_TRUE(watcher.Waiting());
    // Ended, not yet reaped by its parent: a zombie has written its last.
    browser.End();
    EXPECT_TRUE(ProcessSeen::Of(browser.Pid()).Ended());
    watcher.Check();
    EXPECT_EQ(cleaned, 1);
    EXPECT_FALSE(watcher.Waiting());
    EXPECT_FALSE(ProcessSeen::Of(::getpid()).Ended());
}

} // namespace
} // namespace corvane::browsers

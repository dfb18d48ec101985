// Discovery of the user's real profiles, the in-use test and the recorded choice, on layouts
// made in a private home.

#include "browsers/BrowserHome.h"
#include "browsers/Consent.h"
#include "browsers/InUse.h"
#include "browsers/Profile.h"
#include "support/Corvanectl.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace corvane::browsers {
namespace {

using testing::BrowserHome;
using testing::LockHolder;
namespace fs = std::filesystem;

const Profile* Named(const Discovery& found, const std::string& name) {
    for (const Profile& profile : found.profiles)
        if (profile.name == name)
            return &profile;
    return nullptr;
}

bool Mentions(const std::vector<std::string>& lines, const std::string& text) {
    for (const auto& line : lines)
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

TEST(BrowserDiscovery, FindsEveryFamilyAndLayoutWithIdsNamesAndCaches) {
    BrowserHome home;
    const fs::path esr =
        home.AddFirefox(home.Home() / ".mozilla/firefox", "ab12.default-esr", "default-esr");
    home.AddFirefox(home.Config() / "mozilla/firefox", "cd34.work", "work");
    home.AddFirefox(home.Home() / "snap/firefox/common/.mozilla/firefox", "ef.default", "default");
    // An absolute Path is taken as written.
    const fs::path elsewhere = home.Home() / "profiles/absolute";
    fs::create_directories(elsewhere);
    std::ofstream(home.Home() / ".mozilla/firefox/profiles.ini", std::ios::app)
        << "[Profile9]\nName=abs\nIsRelative=0\nPath=" << elsewhere.string() << "\n";
    BrowserHome::AddChromium(home.Config() / "chromium", {"Default", "Profile 1"});
    BrowserHome::AddChromium(home.Config() / "BraveSoftware/Brave-Browser", {"Default"});
    BrowserHome::AddChromium(home.Home() / ".var/app/com.google.Chrome/config/google-chrome",
                             {"Default"});

    const Discovery found = DiscoverProfiles();
    EXPECT_TRUE(found.problems.empty()) << found.problems.front();
    ASSERT_EQ(found.profiles.size(), 8u);

    const Profile* ff = Named(found, "Firefox ESR - default-esr");
    ASSERT_NE(ff, nullptr);
    EXPECT_EQ(ff->id, "firefox:" + esr.string());
    EXPECT_EQ(ff->family, Family::Firefox);
    EXPECT_EQ(ff->cacheFolders.front(), home.Cache() / "mozilla/firefox/ab12.default-esr");
    EXPECT_NE(Named(found, "Firefox - work"), nullptr);
    EXPECT_NE(Named(found, "Firefox (snap) - default"), nullptr);
    const Profile* abs = Named(found, "Firefox - abs");
    ASSERT_NE(abs, nullptr);
    EXPECT_EQ(abs->folder, elsewhere);

    const Profile* cr = Named(found, "Chromium - Profile 1");
    ASSERT_NE(cr, nullptr);
    EXPECT_EQ(cr->id, "chromium:" + (home.Config() / "chromium/Profile 1").string());
    EXPECT_EQ(cr->lockFolder, home.Config() / "chromium");
    EXPECT_EQ(cr->cacheFolders.front(), home.Cache() / "chromium/Profile 1");
    EXPECT_NE(Named(found, "Brave - Default"), nullptr);
    EXPECT_NE(Named(found, "Google Chrome (flatpak) - Default"), nullptr);

    Profile again;
    ASSERT_TRUE(FindProfile(cr->id, again));
    EXPECT_EQ(again.name, cr->name);
    EXPECT_FALSE(FindProfile("chromium:/nowhere", again));
}

TEST(BrowserDiscovery, BadFilesAreReportedAndTheOtherProfilesStillFound) {
    BrowserHome home;
    fs::create_directories(home.Home() / ".mozilla/firefox");
    std::ofstream(home.Home() / ".mozilla/firefox/profiles.ini")
        << "[Profile0]\nName=x\nthis line is not ini\n";
    fs::create_directories(home.Config() / "mozilla/firefox"); // a root without profiles.ini
    fs::create_directories(home.Config() / "vivaldi");
    std::ofstream(home.Config() / "vivaldi/Local State") << "{\"profile\": {\"info_cache\": ";
    BrowserHome::AddChromium(home.Config() / "google-chrome", {"Default", "../escape"});
    // A listed profile whose folder is gone.
    std::ofstream(home.Config() / "google-chrome/Local State")
        << R"({"profile": {"info_cache": {"Default": {}, "../escape": {}, "Gone": {}}}})";

    const Discovery found = DiscoverProfiles();
    ASSERT_EQ(found.profiles.size(), 1u);
    EXPECT_EQ(found.profiles[0].name, "Google Chrome - Default");
    EXPECT_TRUE(Mentions(found.problems, "profiles.ini: malformed at line 3"));
    EXPECT_TRUE(Mentions(found.problems,
                         (home.Config() / "mozilla/firefox/profiles.ini").string() + ": missing"));
    EXPECT_TRUE(Mentions(found.problems, "vivaldi/Local State: malformed"));
    EXPECT_TRUE(Mentions(found.problems, "\"../escape\" is not a folder name"));
    EXPECT_TRUE(Mentions(found.problems, "Gone: profile folder missing"));

    // The command line says the same on standard error and still lists what it found.
    const auto listed = testing::RunCorvanectl({"browsers", "list"});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_NE(listed.err.find("malformed at line 3"), std::string::npos);
    EXPECT_EQ(listed.out, found.profiles[0].id + "\tGoogle Chrome - Default\tundecided\tclosed\n");
}

TEST(BrowserDiscovery, ALinkedProfileIsFollowedOnlyWhileItStaysInTheHome) {
    BrowserHome home;
    const fs::path root = home.Home() / ".mozilla/firefox";
    fs::create_directories(root);
    const fs::path inside = home.Home() / "kept/profile";
    const fs::path outside = home.World().Root() / "outside-home/profile";
    fs::create_directories(inside);
    fs::create_directories(outside);
    fs::create_directory_symlink(inside, root / "in.default");
    fs::create_directory_symlink(outside, root / "out.default");
    std::ofstream(root / "profiles.ini") << "[Profile0]\nName=in\nPath=in.default\n"
                                         << "[Profile1]\nName=out\nPath=out.default\n";

    const Discovery found = DiscoverProfiles();
    ASSERT_EQ(found.profiles.size(), 1u);
    EXPECT_EQ(found.profiles[0].folder, root / "in.default");
    EXPECT_TRUE(Mentions(found.problems, "outside the home folder, not followed"));
}

TEST(BrowserInUse, FirefoxByTheLockNotByTheLockFileOrLink) {
    BrowserHome home;
    const fs::path folder = home.Home() / "p";
    fs::create_directories(folder);
    EXPECT_FALSE(IsFirefoxProfileLocked(folder)); // never used
    // The `lock` link and an unlocked .parentlock stay after a clean exit: not in use.
    fs::create_symlink("127.0.0.1:+4242", folder / "lock");
    std::ofstream(folder / ".parentlock");
    EXPECT_FALSE(IsFirefoxProfileLocked(folder));
    {
        LockHolder browser(folder / ".parentlock");
        EXPECT_TRUE(IsFirefoxProfileLocked(folder));
        browser.Release();
        EXPECT_FALSE(IsFirefoxProfileLocked(folder));
    }
}

TEST(BrowserInUse, ChromiumByTheHostAndALiveProcess) {
    BrowserHome home;
    const fs::path data = home.Config() / "chromium";
    fs::create_directories(data);
    EXPECT_FALSE(IsChromiumUserDataLocked(data));
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    const auto lockTo = [&](const std::string& target) {
        fs::remove(data / "SingletonLock");
        fs::create_symlink(target, data / "SingletonLock");
        return IsChromiumUserDataLocked(data);
    };
    EXPECT_TRUE(lockTo(std::string(host) + "-" + std::to_string(::getpid())));
    // A pid that has ended: the lock is stale.
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    EXPECT_FALSE(lockTo(std::string(host) + "-" + std::to_string(gone)));
    // Another machine sharing this home cannot be asked: the profile counts as open there.
    EXPECT_TRUE(lockTo("some-other-host-12345"));
    EXPECT_FALSE(lockTo("garbage"));
}

TEST(BrowserConsent, ChoicesAreKeptPerProfileInTheHiveAndSetFromTheCommandLine) {
    BrowserHome home;
    BrowserHome::AddChromium(home.Config() / "chromium", {"Default", "Profile 1"});
    const std::string a = "chromium:" + (home.Config() / "chromium/Default").string();
    const std::string b = "chromium:" + (home.Config() / "chromium/Profile 1").string();
    EXPECT_EQ(GetConsent(a), Consent::Undecided);

    auto run = testing::RunCorvanectl({"browsers", "enable", a});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    run = testing::RunCorvanectl({"browsers", "disable", b});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(GetConsent(a), Consent::Enabled);
    EXPECT_EQ(GetConsent(b), Consent::Disabled);
    run = testing::RunCorvanectl({"browsers", "list"});
    EXPECT_EQ(run.out, a + "\tChromium - Default\tenabled\tclosed\n" + b +
                           "\tChromium - Profile 1\tdisabled\tclosed\n");

    std::string error;
    ASSERT_TRUE(SetConsent(a, Consent::Undecided, error)) << error;
    EXPECT_EQ(GetConsent(a), Consent::Undecided);
    // Only the profile not decided on is asked about, by name.
    const std::vector<Profile> ask = UndecidedProfiles();
    ASSERT_EQ(ask.size(), 1u);
    EXPECT_EQ(ask[0].id, a);
    const std::string question = ConsentQuestion(ask[0]);
    EXPECT_NE(question.find("\"Chromium - Default\""), std::string::npos);
    EXPECT_NE(question.find("Never touched: bookmarks, passwords"), std::string::npos);
    EXPECT_EQ(testing::RunCorvanectl({"browsers", "enable", "chromium:/no/such"}).exitCode, 1);
    EXPECT_EQ(testing::RunCorvanectl({"browsers", "enable"}).exitCode, 2);
}

} // namespace
} // namespace corvane::browsers

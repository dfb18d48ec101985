// Discovery of the user's real profiles, the in-use test and the recorded choice, on layouts
// made in a private home.

#include "browsers/BrowserHome.h"
#include "browsers/Consent.h"
#include "browsers/InUse.h"
#include "browsers/Profile.h"
#include "support/Corvanectl.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corvane::browsers {
namespace {

using testing::BrowserHome;
using testing::LockHolder;
using testing::TempWorld;
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
    home.AddFirefox(home.Home() / ".librewolf", "lw.default", "lw");
    home.AddFirefox(home.Home() / ".var/app/io.gitlab.librewolf-community/.librewolf", "f.default",
                    "flw");
    home.AddFirefox(home.Home() / ".waterfox", "wf.default", "wf");
    // An absolute Path is taken as written; its cache folder in the cache root is named after
    // the folder.
    const fs::path elsewhere = home.Home() / "profiles/absolute";
    fs::create_directories(elsewhere);
    std::ofstream(home.Home() / ".mozilla/firefox/profiles.ini", std::ios::app)
        << "[Profile9]\nName=abs\nIsRelative=0\nPath=" << elsewhere.string() << "/\n";
    for (const char* userData :
         {"chromium", "BraveSoftware/Brave-Browser", "google-chrome-beta", "google-chrome-unstable",
          "microsoft-edge-beta", "microsoft-edge-dev", "opera"})
        BrowserHome::AddChromium(home.Config() / userData, {"Default"});
    BrowserHome::AddChromium(home.Config() / "chromium", {"Default", "Profile 1"});
    // A snap's "current" is a link to its revision: followed, it stays in the home.
    fs::create_directories(home.Home() / "snap/vivaldi/42");
    fs::create_directory_symlink("42", home.Home() / "snap/vivaldi/current");
    for (const char* userData :
         {".var/app/com.google.Chrome/config/google-chrome", "snap/vivaldi/current/.config/vivaldi",
          ".var/app/io.github.ungoogled_software.ungoogled_chromium/config/chromium"})
        BrowserHome::AddChromium(home.Home() / userData, {"Default"});

    const Discovery found = DiscoverProfiles();
    EXPECT_TRUE(found.problems.empty()) << found.problems.front();
    ASSERT_EQ(found.profiles.size(), 18u);
    for (const char* name : {"Firefox - work", "Firefox (snap) - default", "Brave - Default",
                             "Google Chrome (flatpak) - Default", "Google Chrome Beta - Default",
                             "Google Chrome Dev - Default", "Microsoft Edge Beta - Default",
                             "Microsoft Edge Dev - Default", "Opera - Default"})
        EXPECT_NE(Named(found, name), nullptr) << name;

    const Profile* ff = Named(found, "Firefox ESR - default-esr");
    ASSERT_NE(ff, nullptr);
    EXPECT_EQ(ff->id, "firefox:" + esr.string());
    EXPECT_EQ(ff->family, Family::Firefox);
    EXPECT_EQ(ff->realFolder, esr);
    EXPECT_EQ(ff->cacheFolders,
              (std::vector<fs::path>{home.Cache() / "mozilla/firefox/ab12.default-esr", esr}));
    const Profile* abs = Named(found, "Firefox - abs");
    ASSERT_NE(abs, nullptr);
    EXPECT_EQ(abs->folder, elsewhere);
    EXPECT_EQ(abs->cacheFolders.front(), home.Cache() / "mozilla/firefox/absolute");
    // The other Firefox-family browsers keep their own cache roots.
    const std::pair<const char*, fs::path> caches[] = {
        {"LibreWolf - lw", home.Cache() / "librewolf/lw.default"},
        {"LibreWolf (flatpak) - flw",
         home.Home() / ".var/app/io.gitlab.librewolf-community/cache/librewolf/f.default"},
        {"Waterfox - wf", home.Cache() / "waterfox/wf.default"},
        {"Vivaldi (snap) - Default", home.Home() / "snap/vivaldi/42/.cache/vivaldi/Default"},
        {"Ungoogled Chromium (flatpak) - Default",
         home.Home() /
             ".var/app/io.github.ungoogled_software.ungoogled_chromium/cache/chromium/Default"}};
    for (const auto& [name, cache] : caches) {
        const Profile* profile = Named(found, name);
        ASSERT_NE(profile, nullptr) << name;
        EXPECT_EQ(profile->cacheFolders.front(), cache) << name;
    }

    const Profile* cr = Named(found, "Chromium - Profile 1");
    ASSERT_NE(cr, nullptr);
    EXPECT_EQ(cr->id, "chromium:" + (home.Config() / "chromium/Profile 1").string());
    EXPECT_EQ(cr->lockFolder, home.Config() / "chromium");
    EXPECT_EQ(cr->cacheFolders, (std::vector<fs::path>{home.Cache() / "chromium/Profile 1",
                                                       home.Config() / "chromium/Profile 1"}));
    EXPECT_EQ(Named(found, "Vivaldi (snap) - Default")->lockFolder,
              home.Home() / "snap/vivaldi/42/.config/vivaldi");

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
    // A pipe in a listing's place must not hold discovery up, nor a huge file fill the memory.
    fs::create_directories(home.Home() / ".waterfox");
    ASSERT_EQ(::mkfifo((home.Home() / ".waterfox/profiles.ini").c_str(), 0600), 0);
    fs::create_directories(home.Home() / ".librewolf");
    fs::resize_file(TempWorld::Write(home.Home() / ".librewolf/profiles.ini", "[Profile0]\n"),
                    2 << 20);
    fs::create_directories(home.Config() / "vivaldi");
    std::ofstream(home.Config() / "vivaldi/Local State") << "{\"profile\": {\"info_cache\": ";
    BrowserHome::AddChromium(home.Config() / "google-chrome", {"Default", "../escape"});
    // A listed profile whose folder is gone, a path for a name and a name with a NUL.
    std::ofstream(home.Config() / "google-chrome/Local State")
        << R"({"profile": {"info_cache": {"Default": {}, "../escape": {}, "Gone": {}, )"
        << R"("a\u0000b": {}, "a/b": {}}}})";

    const Discovery found = DiscoverProfiles();
    ASSERT_EQ(found.profiles.size(), 1u);
    EXPECT_EQ(found.profiles[0].name, "Google Chrome - Default");
    EXPECT_TRUE(Mentions(found.problems, "profiles.ini: malformed at line 3"));
    EXPECT_TRUE(Mentions(found.problems,
                         (home.Config() / "mozilla/firefox/profiles.ini").string() + ": missing"));
    EXPECT_TRUE(Mentions(found.problems, ".waterfox/profiles.ini: not a regular file"));
    EXPECT_TRUE(Mentions(found.problems, ".librewolf/profiles.ini: larger than 1024 KiB"));
    EXPECT_TRUE(Mentions(found.problems, "vivaldi/Local State: malformed"));
    EXPECT_TRUE(Mentions(found.problems, "\"../escape\" is not a folder name"));
    EXPECT_TRUE(Mentions(found.problems, "\"a?b\" is not a folder name"));
    EXPECT_TRUE(Mentions(found.problems, "\"a/b\" is not a folder name"));
    EXPECT_TRUE(Mentions(found.problems, "Gone: profile folder missing"));

    // The command line says the same on standard error and still lists what it found.
    const auto listed = testing::RunCorvanectl({"browsers", "list"});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_NE(listed.err.find("malformed at line 3"), std::string::npos);
    EXPECT_EQ(listed.out,
              found.profiles[0].id + "\tGoogle Chrome - Default\tundecided\tclosed\tall\n");
}

// The folders discovery judges by, with a runtime and a temporary folder of the test's own, so
// that "outside" below is outside every folder a link may lead to.
struct Contained {
    BrowserHome home;
    fs::path run = home.World().Root() / "run";
    fs::path ram = home.World().Root() / "ram";
    fs::path outside = home.World().Root() / "outside";
    UserFolders folders = [this] {
        UserFolders f = UserFolders::FromEnvironment();
        f.runtimeHome = run;
        f.tempFolder = ram;
        return f;
    }();

    Contained() {
        for (const fs::path& folder : {run, ram, outside})
            fs::create_directories(folder);
    }
    // A folder made at `target` and a link to it at `link`.
    static void Link(const fs::path& link, const fs::path& target) {
        fs::create_directories(target);
        fs::create_directories(link.parent_path());
        fs::create_directory_symlink(target, link);
    }
};

TEST(BrowserContainment, OnlyTheUsersOwnResolvedFoldersAreHandedOut) {
    Contained c;
    const fs::path root = c.home.Home() / ".mozilla/firefox";
    const fs::path caches = c.home.Cache() / "mozilla/firefox";
    Contained::Link(root / "in.default", c.home.Home() / "kept/profile");
    Contained::Link(root / "ram.default", c.ram / "psd/profile");
    Contained::Link(root / "run.default", c.run / "psd/profile");
    Contained::Link(root / "out.default", c.outside / "profile");
    fs::create_directory_symlink(c.home.Home(), root / "home.default");
    fs::create_directory_symlink("/etc", root / "etc.default");
    fs::create_directory_symlink(root / "in.default", root / "twin.default");
    // The cache of in.default is a link that leaves the cache root; ram.default's stays inside.
    Contained::Link(caches / "in.default", c.outside / "cache");
    Contained::Link(caches / "ram.default", caches / "elsewhere");
    std::ofstream ini(root / "profiles.ini");
    int n = 0;
    for (const char* path :
         {"in.default", "ram.default", "run.default", "out.default", "home.default", "etc.default",
          "twin.default", "../../escape", ".", "sub/../../../x"})
        ini << "[Profile" << n++ << "]\nName=" << path << "\nPath=" << path << "\n";
    fs::create_directories(c.home.Home() / "profiles/x");
    for (const fs::path& path : {fs::path("/"), c.home.Home(), c.home.World().Root(),
                                 fs::path("/usr/share"), c.home.Home() / "profiles/x"})
        ini << "[Profile" << n++ << "]\nName=" << path.string()
            << "\nIsRelative=0\nPath=" << path.string() << "\n";
    ini.close();
    // Chromium: a user-data folder kept in the runtime folder, a profile key that leads out of
    // its user-data folder and a cache folder that leads out of the home.
    const fs::path data = c.home.Config() / "chromium";
    Contained::Link(data, c.run / "chromium");
    BrowserHome::AddChromium(data, {"Default", "Profile 1"});
    fs::create_directory_symlink(c.home.Home() / "kept", data / "Linked");
    std::ofstream(data / "Local State")
        << R"({"profile": {"info_cache": {"Default": {}, "Profile 1": {}, "Linked": {}}}})";
    Contained::Link(c.home.Cache() / "chromium/Profile 1", c.outside / "chromium-cache");
    fs::create_directories(c.home.Cache() / "chromium/Default");

    const Discovery found = DiscoverProfiles(c.folders);
    std::vector<std::string> names;
    for (const Profile& profile : found.profiles)
        names.push_back(profile.name);
    EXPECT_EQ(names, (std::vector<std::string>{
                         "Firefox - in.default", "Firefox - ram.default", "Firefox - run.default",
                         "Firefox - " + (c.home.Home() / "profiles/x").string(),
                         "Chromium - Default", "Chromium - Profile 1"}));
    const auto refused = [&](const std::string& text) {
        EXPECT_TRUE(Mentions(found.problems, text)) << text;
    };
    refused("out.default: a link to " + (c.outside / "profile").string() +
            " outside the home folder, not followed");
    refused("home.default (a link to " + c.home.Home().string() + ") is the home folder, skipped");
    refused("etc.default: a link to /etc outside the home folder");
    refused("twin.default: the same folder as a profile listed before");
    refused("[Profile7] Path leaves " + root.string() + ", skipped");
    refused("[Profile8] Path leaves " + root.string() + ", skipped");
    refused("[Profile9] Path leaves " + root.string() + ", skipped");
    refused("/ is the root folder, skipped");
    refused(c.home.Home().string() + " is the home folder, skipped");
    refused(c.home.World().Root().string() + " holds the home folder, skipped");
    refused("/usr/share is a system folder, skipped");
    refused("Linked: leads to " + (c.home.Home() / "kept").string() + ", outside " +
            (c.run / "chromium").string());

    const Profile* in = Named(found, "Firefox - in.default");
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(in->folder, root / "in.default");
    EXPECT_EQ(in->realFolder, c.home.Home() / "kept/profile");
    EXPECT_EQ(in->lockFolder, in->realFolder);
    // Its cache link left the cache root: only the profile folder is left to hold a cache.
    EXPECT_EQ(in->cacheFolders, std::vector<fs::path>{in->realFolder});
    refused((caches / "in.default").string() + ": leads to " + (c.outside / "cache").string());
    const Profile* ram = Named(found, "Firefox - ram.default");
    ASSERT_NE(ram, nullptr);
    EXPECT_EQ(ram->cacheFolders,
              (std::vector<fs::path>{caches / "elsewhere", c.ram / "psd/profile"}));

    const Profile* cr = Named(found, "Chromium - Profile 1");
    ASSERT_NE(cr, nullptr);
    EXPECT_EQ(cr->lockFolder, c.run / "chromium");
    EXPECT_EQ(cr->realFolder, c.run / "chromium/Profile 1");
    EXPECT_EQ(cr->cacheFolders, std::vector<fs::path>{cr->realFolder});

    // The question names what will really be written: resolved folders, the cache folders that
    // exist and the user-data folder's shared store.
    const std::string question = ConsentQuestion(*Named(found, "Chromium - Default"));
    EXPECT_NE(question.find("\"Chromium - Default\" in\n" + (data / "Default").string()),
              std::string::npos);
    EXPECT_NE(question.find("writes only in:\n  " + (c.run / "chromium/Default").string() + "\n  " +
                            (c.home.Cache() / "chromium/Default").string() + " (its cache)\n  " +
                            (c.run / "chromium/segmentation_platform").string()),
              std::string::npos)
        << question;
    EXPECT_EQ(ConsentQuestion(*in).find(caches.string()), std::string::npos);

    // Folders another user owns are never handed out.
    c.folders.owner += 1;
    const Discovery foreign = DiscoverProfiles(c.folders);
    EXPECT_TRUE(foreign.profiles.empty());
    EXPECT_TRUE(Mentions(foreign.problems, "belongs to another user, skipped"));
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
    EXPECT_EQ(run.out, a + "\tChromium - Default\tenabled\tclosed\tall\n" + b +
                           "\tChromium - Profile 1\tdisabled\tclosed\tall\n");

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

// Against the real browsers: profiles made once per test run by driving Firefox ESR and Chromium
// headless (make-profiles.sh, a CTest fixture) are copied into a private home, cleaned, checked
// with SQLite and by their bytes, and opened again by the browser, which must run normally.

#include "browsers/BrowserHome.h"
#include "browsers/Consent.h"
#include "support/Corvanectl.h"
#include "support/RunUntil.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <spawn.h>

extern char** environ;

namespace corvane::browsers {
namespace {

using testing::BrowserHome;
using testing::Query;
using testing::ReadBytes;
using testing::ReadTree;
namespace fs = std::filesystem;

class RealBrowser : public ::testing::Test {
protected:
    void SetUp() override {
        const char* made = std::getenv("CORVANE_BROWSER_PROFILES");
        if (!made)
            GTEST_SKIP() << "no real profiles made (run through ctest, which makes them first)";
        ASSERT_TRUE(fs::exists(fs::path(made) / "ready")) << "the real profiles were not made";
        source_ = made;
        const auto options = fs::copy_options::recursive | fs::copy_options::copy_symlinks |
                             fs::copy_options::overwrite_existing;
        fs::copy(source_ / "home", home_.Home(), options);
        fs::copy(source_ / "config", home_.Config(), options);
        fs::copy(source_ / "cache", home_.Cache(), options);
        port_ = ReadBytes(source_ / "port");
    }

    fs::path Firefox() const { return home_.Home() / ".mozilla/firefox/corvtest.default-esr"; }
    fs::path FirefoxCache() const {
        return home_.Cache() / "mozilla/firefox/corvtest.default-esr/cache2";
    }
    fs::path Chromium() const { return home_.Config() / "chromium/Default"; }
    static std::string Id(const char* family, const fs::path& folder) {
        return std::string(family) + ":" + folder.string();
    }
    std::string Address(int page) const {
        return "127.0.0.1:" + port_ + "/page" + std::to_string(page);
    }
    void Enable(const std::string& id) {
        const auto run = testing::RunCorvanectl({"browsers", "enable", id});
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }
    // A local page for the browser's second start, so it needs no web site.
    std::string NewPage() const {
        const fs::path page = home_.World().Root() / "new-visit.html";
        std::ofstream(page) << "<html><title>after cleaning</title><body>new</body></html>";
        return "file://" + page.string();
    }
    static int Shell(const std::string& command) { return std::system(command.c_str()); }

    BrowserHome home_;
    fs::path source_;
    std::string port_;
};

TEST_F(RealBrowser, FirefoxClosedIsCleanedByEraseHistoryAndStartsAgain) {
    const fs::path ff = Firefox();
    ASSERT_NE(Query(ff / "places.sqlite", "SELECT count(*) FROM moz_historyvisits"), "0");
    ASSERT_NE(ReadTree(FirefoxCache()).find(Address(1)), std::string::npos);
    ASSERT_NE(ReadBytes(ff / "cookies.sqlite").find("corvane-header-cookie"), std::string::npos);
    // The browser may leave its last visits in the write-ahead log.
    ASSERT_NE(
        (ReadBytes(ff / "places.sqlite") + ReadBytes(ff / "places.sqlite-wal")).find(Address(3)),
        std::string::npos);
    const auto listed = testing::RunCorvanectl({"browsers", "list"});
    EXPECT_NE(
        listed.out.find(Id("firefox", ff) + "\tFirefox ESR - default-esr\tundecided\tclosed\n"),
        std::string::npos)
        << listed.out;
    Enable(Id("firefox", ff));

    const auto run = testing::RunCorvanectl({"erase", "history"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Firefox ESR - default-esr"), std::string::npos) << run.out;

    EXPECT_EQ(Query(ff / "places.sqlite", "SELECT count(*) FROM moz_historyvisits"), "0");
    EXPECT_EQ(Query(ff / "cookies.sqlite", "SELECT count(*) FROM moz_cookies"), "0");
    EXPECT_EQ(Query(ff / "formhistory.sqlite", "SELECT count(*) FROM moz_formhistory"), "0");
    EXPECT_FALSE(fs::exists(ff / "sessionstore-backups"));
    // The bookmarked page stays, with no trace of its visits.
    EXPECT_EQ(Query(ff / "places.sqlite",
                    "SELECT p.visit_count || ' ' || b.title FROM moz_bookmarks b JOIN moz_places p "
                    "ON p.id = b.fk WHERE b.guid = 'corvbookmark'"),
              "0 Corvane bookmark");
    const std::string bytes = ReadBytes(ff / "places.sqlite") +
                              ReadBytes(ff / "places.sqlite-wal") +
                              ReadBytes(ff / "cookies.sqlite") +
                              ReadBytes(ff / "formhistory.sqlite") + ReadTree(FirefoxCache());
    for (const std::string& gone :
         {Address(1), Address(3), std::string("corvane-header-cookie"),
          std::string("corvane-script-cookie"), std::string("corvane-form-firefox")})
        EXPECT_EQ(bytes.find(gone), std::string::npos) << gone;
    EXPECT_NE(ReadBytes(ff / "prefs.js").find("corvane.test.preference"), std::string::npos);

    // The browser opens the cleaned profile, keeps the bookmark and records a new visit.
    const fs::path shot = home_.World().Root() / "shot.png";
    Shell("timeout -s TERM 60 firefox-esr --headless --no-remote --profile '" + ff.string() +
          "' --screenshot '" + shot.string() + "' '" + NewPage() + "' >/dev/null 2>&1");
    EXPECT_TRUE(fs::exists(shot));
    EXPECT_EQ(
        Query(ff / "places.sqlite",
              "SELECT count(*) FROM moz_places p JOIN moz_historyvisits v ON v.place_id = p.id "
              "WHERE p.url LIKE '%new-visit.html'"),
        "1");
    EXPECT_EQ(
        Query(ff / "places.sqlite", "SELECT title FROM moz_bookmarks WHERE guid = 'corvbookmark'"),
        "Corvane bookmark");
}

TEST_F(RealBrowser, ChromiumClosedIsCleanedAndStartsAgain) {
    const fs::path cr = Chromium();
    const fs::path cache = home_.Cache() / "chromium/Default/Cache/Cache_Data";
    ASSERT_NE(ReadTree(cache).find(Address(2)), std::string::npos);
    ASSERT_NE(ReadBytes(cr / "History").find(Address(1)), std::string::npos);
    // Chromium encrypts cookie values; their names are plain.
    ASSERT_NE(ReadBytes(cr / "Cookies").find("headercookie1"), std::string::npos);
    Enable(Id("chromium", cr));

    const auto run = testing::RunCorvanectl({"erase", "browsers"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Chromium - Default"), std::string::npos);
    EXPECT_EQ(Query(cr / "History", "SELECT count(*) FROM urls"), "0");
    EXPECT_EQ(Query(cr / "History", "SELECT count(*) FROM visits"), "0");
    EXPECT_EQ(Query(cr / "Cookies", "SELECT count(*) FROM cookies"), "0");
    EXPECT_EQ(Query(cr / "Web Data", "SELECT count(*) FROM autofill"), "0");
    EXPECT_FALSE(fs::exists(cr / "Sessions"));
    EXPECT_FALSE(fs::exists(cr / "Sessions_Encrypted"));
    const std::string bytes = ReadBytes(cr / "History") + ReadBytes(cr / "Cookies") +
                              ReadBytes(cr / "Web Data") + ReadTree(cache);
    for (const std::string& gone : {Address(1), Address(2), Address(3), std::string("headercookie"),
                                    std::string("corvane-form-chromium")})
        EXPECT_EQ(bytes.find(gone), std::string::npos) << gone;
    EXPECT_NE(ReadBytes(cr / "Bookmarks").find("Corvane bookmark"), std::string::npos);
    EXPECT_FALSE(ReadBytes(cr / "Preferences").empty());

    const int rc = Shell("timeout -s TERM 60 chromium --headless=new --no-sandbox --disable-gpu "
                         "--no-first-run --user-data-dir='" +
                         cr.parent_path().string() + "' --dump-dom '" + NewPage() +
                         "' 2>/dev/null | grep -q 'after cleaning'");
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(Query(cr / "History", "SELECT count(*) FROM urls WHERE url LIKE '%new-visit.html'"),
              "1");
    EXPECT_NE(ReadBytes(cr / "Bookmarks").find("Corvane bookmark"), std::string::npos);
}

TEST_F(RealBrowser, InUseAndUndecidedProfilesAreLeftUnchanged) {
    const fs::path ff = Firefox();
    Enable(Id("firefox", ff));
    const std::string ffBefore = ReadTree(ff) + ReadTree(FirefoxCache());
    const std::string crBefore = ReadTree(Chromium());
    {
        testing::LockHolder browser(ff / ".parentlock");
        const auto listed = testing::RunCorvanectl({"browsers", "list"});
        EXPECT_NE(listed.out.find("\tFirefox ESR - default-esr\tenabled\tin use\n"),
                  std::string::npos);
        EXPECT_NE(listed.out.find("\tChromium - Default\tundecided\tclosed\n"), std::string::npos);
        const auto run = testing::RunCorvanectl({"erase", "all"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(
            run.err.find("Firefox ESR - default-esr (" + Id("firefox", ff) + "): skipped, in use"),
            std::string::npos)
            << run.err;
    }
    EXPECT_EQ(ReadTree(ff) + ReadTree(FirefoxCache()), ffBefore);
    EXPECT_EQ(ReadTree(Chromium()), crBefore);

    // A running Chromium (its lock names a live process here) is skipped the same way.
    Enable(Id("chromium", Chromium()));
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    fs::create_symlink(std::string(host) + "-" + std::to_string(::getpid()),
                       Chromium().parent_path() / "SingletonLock");
    const auto run = testing::RunCorvanectl({"erase", "browsers", Id("chromium", Chromium())});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Chromium - Default"), std::string::npos);
    EXPECT_EQ(ReadTree(Chromium()), crBefore);
}

TEST_F(RealBrowser, SandboxedAndOtherChromiumFamilyLayoutsAreFoundAndCleaned) {
    const auto options = fs::copy_options::recursive | fs::copy_options::copy_symlinks;
    const fs::path snap = home_.Home() / "snap/firefox/common/.mozilla/firefox";
    const fs::path flatpak = home_.Home() / ".var/app/org.mozilla.firefox/.mozilla/firefox";
    for (const fs::path& root : {snap, flatpak}) {
        fs::create_directories(root);
        fs::copy(home_.Home() / ".mozilla/firefox", root, options);
    }
    const fs::path brave = home_.Config() / "BraveSoftware/Brave-Browser";
    const fs::path chrome = home_.Config() / "google-chrome";
    const fs::path crFlatpak = home_.Home() / ".var/app/org.chromium.Chromium/config/chromium";
    for (const fs::path& data : {brave, chrome, crFlatpak}) {
        fs::create_directories(data);
        fs::copy(home_.Config() / "chromium", data, options);
    }
    const auto listed = testing::RunCorvanectl({"browsers", "list"});
    for (const char* name :
         {"Firefox ESR - default-esr", "Firefox (snap) - default-esr",
          "Firefox (flatpak) - default-esr", "Chromium - Default", "Brave - Default",
          "Google Chrome - Default", "Chromium (flatpak) - Default"})
        EXPECT_NE(listed.out.find(std::string("\t") + name + "\tundecided\tclosed"),
                  std::string::npos)
            << name << "\n"
            << listed.out;

    Enable(Id("firefox", snap / "corvtest.default-esr"));
    Enable(Id("chromium", brave / "Default"));
    const auto run = testing::RunCorvanectl({"erase", "browsers"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(
        Query(snap / "corvtest.default-esr/cookies.sqlite", "SELECT count(*) FROM moz_cookies"),
        "0");
    EXPECT_EQ(Query(brave / "Default/Cookies", "SELECT count(*) FROM cookies"), "0");
    // The others were not agreed to.
    EXPECT_NE(
        Query(flatpak / "corvtest.default-esr/cookies.sqlite", "SELECT count(*) FROM moz_cookies"),
        "0");
    EXPECT_NE(Query(chrome / "Default/Cookies", "SELECT count(*) FROM cookies"), "0");
    EXPECT_NE(Query(Chromium() / "Cookies", "SELECT count(*) FROM cookies"), "0");
}

TEST_F(RealBrowser, WatchCleansFirefoxWhenItCloses) {
    const fs::path ff = Firefox();
    Enable(Id("firefox", ff));
    const fs::path log = home_.World().Root() / "watch.log";
    const std::string exe = std::string(CORVANE_BIN_DIR) + "/corvanectl";
    char* argv[] = {const_cast<char*>(exe.c_str()), const_cast<char*>("watch"), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t watch = 0;
    ASSERT_EQ(::posix_spawn(&watch, exe.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ASSERT_TRUE(testing::RunUntil(
        [&] { return ReadBytes(log).find("watching") != std::string::npos; }, 10000));

    // The browser runs for a few seconds, then closes.
    Shell("timeout -s TERM 8 firefox-esr --headless --no-remote --profile '" + ff.string() + "' '" +
          NewPage() + "' >/dev/null 2>&1");
    const bool cleaned = testing::RunUntil(
        [&] { return ReadBytes(log).find("default-esr (") != std::string::npos; }, 15000);
    ::kill(watch, SIGTERM);
    ::waitpid(watch, nullptr, 0);
    ASSERT_TRUE(cleaned) << ReadBytes(log);
    EXPECT_NE(ReadBytes(log).find("has closed; cleaning it"), std::string::npos);
    EXPECT_EQ(Query(ff / "places.sqlite", "SELECT count(*) FROM moz_historyvisits"), "0");
    EXPECT_EQ(Query(ff / "cookies.sqlite", "SELECT count(*) FROM moz_cookies"), "0");
}

} // namespace
} // namespace corvane::browsers

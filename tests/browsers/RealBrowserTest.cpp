// Against the real browsers: profiles made once per test run by driving Firefox ESR and Chromium
// headless (make-profiles.sh, a CTest fixture) are copied into a private home: profiles in use or
// not agreed to are left alone, the sandboxed and other Chromium-family layouts are found, and the
// watcher cleans a Firefox when it closes. What a clean leaves is in RealBrowserResidueTest.cpp.

#include "browsers/Consent.h"
#include "browsers/RealProfiles.h"
#include "support/Corvanectl.h"
#include "support/RunUntil.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <spawn.h>

extern char** environ;

namespace corvane::browsers {
namespace {

using testing::Query;
using testing::ReadBytes;
using testing::ReadTree;
namespace fs = std::filesystem;

class RealBrowser : public testing::RealProfileTest {};

TEST_F(RealBrowser, InUseAndUndecidedProfilesAreLeftUnchanged) {
    const fs::path ff = Firefox();
    Enable(Id("firefox", ff));
    const std::string ffBefore = ReadTree(ff) + ReadTree(FirefoxCache());
    const std::string crBefore = ReadTree(Chromium());
    {
        testing::LockHolder browser(ff / ".parentlock");
        const auto listed = testing::RunCorvanectl({"browsers", "list"});
        EXPECT_NE(listed.out.find("\tFirefox ESR - default-esr\tenabled\tin use\tall\n"),
                  std::string::npos);
        EXPECT_NE(listed.out.find("\tChromium - Default\tundecided\tclosed\tall\n"),
                  std::string::npos);
        const auto run = testing::RunCorvanectl({"erase", "all"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(
            run.err.find("Firefox ESR - default-esr (" + Id("firefox", ff) + "): skipped, in use"),
            std::string::npos)
            << run.err;
    }
    EXPECT_EQ(ReadTree(ff) + ReadTree(FirefoxCache()), ffBefore);
    EXPECT_EQ(ReadTree(Chromium()), crBefore);

    // A running Chromium (its lock names a live process) is skipped the same way.
    Enable(Id("chromium", Chromium()));
    const testing::ChromiumStarting chromium(Chromium().parent_path());
    ASSERT_TRUE(chromium.Appear());
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

// What a clean leaves of a real browsing session: the made profiles hold a marker for every kind
// of trace (site.py), one browser family is kept in the home, its profile is cleaned, and every
// file left under the home, config and cache folders is searched for every erased marker. What the
// user keeps (bookmarks, passwords, preferences, the downloaded file) must be byte for byte as it
// was, and the browser must start again on the cleaned profile, see its bookmark and record a new
// visit.

#include "browsers/Cleaner.h"
#include "browsers/RealProfiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace corvane::browsers {
namespace {

using testing::Describe;
using testing::ErasedMarkers;
using testing::FindResidue;
using testing::Query;
using testing::ReadBytes;
namespace fs = std::filesystem;

class RealBrowserResidue : public testing::RealProfileTest {
protected:
    std::vector<fs::path> Everywhere() const {
        return {home_.Home(), home_.Config(), home_.Cache()};
    }
    // Only one family stays in the home, so that every marker found afterwards is that family's.
    void KeepOnly(const char* family) {
        const bool firefox = std::string(family) == "firefox";
        for (const fs::path& other :
             firefox
                 ? std::vector<fs::path>{home_.Config() / "chromium", home_.Cache() / "chromium"}
                 : std::vector<fs::path>{home_.Home() / ".mozilla", home_.Cache() / "mozilla"})
            fs::remove_all(other);
        // The search must see every marker before the clean, or its silence afterwards says
        // nothing.
        std::vector<std::string> before;
        for (const auto& residue : FindResidue(Everywhere(), ErasedMarkers()))
            before.insert(before.end(), residue.markers.begin(), residue.markers.end());
        for (const std::string& marker : ErasedMarkers())
            EXPECT_NE(std::find(before.begin(), before.end(), marker), before.end())
                << family << " holds no " << marker << " before the clean";
    }
    void ExpectNoResidue(const char* family) const {
        const auto residue = FindResidue(Everywhere(), ErasedMarkers());
        EXPECT_TRUE(residue.empty())
            << family << ": erased traces left in " << residue.size() << " files:\n"
            << Describe(residue, home_.Home().parent_path());
    }
    fs::path Downloaded() const { return home_.Home() / "Downloads/corvane-fetched.txt"; }
};

TEST_F(RealBrowserResidue, FirefoxLeavesNoErasedTraceKeepsTheUsersAndStartsAgain) {
    const fs::path ff = Firefox();
    KeepOnly("firefox");
    const testing::Unchanged kept({ff / "prefs.js", ff / "logins.json", ff / "logins.db",
                                   ff / "key4.db", ff / "permissions.sqlite",
                                   ff / "content-prefs.sqlite", Downloaded()});
    const auto listed = testing::RunCorvanectl({"browsers", "list"});
    EXPECT_NE(listed.out.find(Id("firefox", ff) +
                              "\tFirefox ESR - default-esr\tundecided\tclosed\tall\n"),
              std::string::npos)
        << listed.out;
    Enable(Id("firefox", ff));

    // Erasing the history reaches the enabled profiles as well as the world.
    const auto run = testing::RunCorvanectl({"erase", "history"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Firefox ESR - default-esr"), std::string::npos) << run.out;

    ExpectNoResidue("firefox");
    EXPECT_EQ(kept.Changed(), "");
    // The bookmark stays with its page and that page's icon, without a trace of its visits.
    EXPECT_EQ(Query(ff / "places.sqlite",
                    "SELECT p.visit_count || ' ' || b.title FROM moz_bookmarks b JOIN moz_places p "
                    "ON p.id = b.fk WHERE b.guid = 'corvbookmark'"),
              "0 corvkeep-bookmark");
    EXPECT_EQ(Query(ff / "favicons.sqlite",
                    "SELECT count(*) FROM moz_icons WHERE icon_url LIKE '%/corvkeep-favicon.png'"),
              "1");

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
        "corvkeep-bookmark");
}

TEST_F(RealBrowserResidue, ChromiumLeavesNoErasedTraceKeepsTheUsersAndStartsAgain) {
    const fs::path cr = Chromium();
    KeepOnly("chromium");
    const testing::Unchanged kept({cr / "Bookmarks", cr / "Login Data", cr / "Preferences",
                                   cr.parent_path() / "Local State", Downloaded()});
    Enable(Id("chromium", cr));

    const auto run = testing::RunCorvanectl({"erase", "browsers"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Chromium - Default"), std::string::npos) << run.out;

    ExpectNoResidue("chromium");
    EXPECT_EQ(kept.Changed(), "");
    EXPECT_EQ(Query(cr / "Favicons",
                    "SELECT count(*) FROM favicons WHERE url LIKE '%/corvkeep-favicon.png'"),
              "1");

    const int rc = Shell("timeout -s TERM 60 chromium --headless=new --no-sandbox --disable-gpu "
                         "--no-first-run --user-data-dir='" +
                         cr.parent_path().string() + "' --dump-dom '" + NewPage() +
                         "' 2>/dev/null | grep -q 'after cleaning'");
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(Query(cr / "History", "SELECT count(*) FROM urls WHERE url LIKE '%new-visit.html'"),
              "1");
    EXPECT_NE(ReadBytes(cr / "Bookmarks").find("corvkeep-bookmark"), std::string::npos);
}

// Every SQLite file below the folders that SQLite, opening it as a browser would (a hot journal
// or log is replayed), does not find sound; one a line.
std::string UnsoundDatabases(const std::vector<fs::path>& folders) {
    std::string unsound;
    for (const fs::path& folder : folders)
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (!entry.is_regular_file() || entry.is_symlink() ||
                ReadBytes(entry.path()).rfind("SQLite format 3", 0) != 0)
                continue;
            sqlite3* db = nullptr;
            sqlite3_stmt* check = nullptr;
            std::string answer = "cannot open";
            if (sqlite3_open_v2(entry.path().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
                    SQLITE_OK &&
                sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &check, nullptr) == SQLITE_OK)
                answer = sqlite3_step(check) == SQLITE_ROW
                             ? reinterpret_cast<const char*>(sqlite3_column_text(check, 0))
                             : sqlite3_errmsg(db);
            sqlite3_finalize(check);
            sqlite3_close(db);
            if (answer != "ok")
                unsound += "  " + entry.path().string() + ": " + answer + "\n";
        }
    return unsound;
}

TEST_F(RealBrowserResidue, ACleanKilledAtAnyMomentLeavesEveryStoreSound) {
    const fs::path ff = Firefox(), cr = Chromium();
    const testing::Unchanged kept(
        {cr / "Bookmarks", cr / "Login Data", ff / "logins.db", ff / "key4.db", ff / "prefs.js"});
    Enable(Id("firefox", ff));
    Enable(Id("chromium", cr));
    const std::string exe = std::string(CORVANE_BIN_DIR) + "/corvanectl";
    char* argv[] = {const_cast<char*>(exe.c_str()), const_cast<char*>("erase"),
                    const_cast<char*>("browsers"), nullptr};
    // Each run is cut short later than the one before, on the stores the earlier ones left.
    for (const int ms : {2, 8, 20, 40, 80, 150}) {
        pid_t clean = 0;
        ASSERT_EQ(::posix_spawn(&clean, exe.c_str(), nullptr, nullptr, argv, environ), 0);
        ::usleep(static_cast<useconds_t>(ms) * 1000);
        ::kill(clean, SIGKILL);
        ::waitpid(clean, nullptr, 0);
        EXPECT_EQ(UnsoundDatabases(Everywhere()), "") << "killed after " << ms << " ms";
    }
    EXPECT_EQ(kept.Changed(), "");
    // The next clean finishes what the killed ones began.
    const auto run = testing::RunCorvanectl({"erase", "browsers"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    ExpectNoResidue("both");
    EXPECT_EQ(
        Query(ff / "places.sqlite", "SELECT title FROM moz_bookmarks WHERE guid = 'corvbookmark'"),
        "corvkeep-bookmark");
}

TEST_F(RealBrowserResidue, APreviewWritesNothingAndCountsWhatTheCleanThenErases) {
    Enable(Id("firefox", Firefox()));
    Enable(Id("chromium", Chromium()));
    std::string before;
    for (const fs::path& folder : Everywhere())
        before += testing::ReadTree(folder);
    const auto dry = testing::RunCorvanectl({"erase", "browsers", "--dry-run"});
    EXPECT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_NE(dry.out.find("Firefox ESR - default-esr (" + Id("firefox", Firefox()) +
                           "): would erase history "),
              std::string::npos)
        << dry.out;
    std::string after;
    for (const fs::path& folder : Everywhere())
        after += testing::ReadTree(folder);
    EXPECT_TRUE(after == before) << "the preview changed the profiles";

    const CleaningReport preview = PreviewEnabledProfiles();
    const CleaningReport clean = CleanEnabledProfiles();
    ASSERT_EQ(preview.profiles.size(), 2u);
    ASSERT_EQ(clean.profiles.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const ProfileReport& would = preview.profiles[i];
        const ProfileReport& did = clean.profiles[i];
        EXPECT_EQ(did.outcome, Outcome::Cleaned) << did.Line();
        ASSERT_EQ(would.erased.size(), did.erased.size()) << would.Line() << "\n" << did.Line();
        for (std::size_t k = 0; k < did.erased.size(); ++k) {
            EXPECT_EQ(would.erased[k].what, did.erased[k].what);
            EXPECT_EQ(would.erased[k].count, did.erased[k].count) << did.erased[k].what;
        }
    }
}

} // namespace
} // namespace corvane::browsers

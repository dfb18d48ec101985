// What a clean leaves of a real browsing session: the made profiles hold a marker for every kind
// of trace (site.py), one browser family is kept in the home, its profile is cleaned, and every
// file left under the home, config and cache folders is searched for every erased marker. What the
// user keeps (bookmarks, passwords, preferences, the downloaded file) must be byte for byte as it
// was, and the browser must start again on the cleaned profile, see its bookmark and record a new
// visit.

#include "browsers/RealProfiles.h"

#include <gtest/gtest.h>

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
    EXPECT_NE(
        listed.out.find(Id("firefox", ff) + "\tFirefox ESR - default-esr\tundecided\tclosed\n"),
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

} // namespace
} // namespace corvane::browsers

// The folder erasers on a real temporary world: the cached-URL list, the history erase with
// its cookie-folder rules, the temporary folder and the order of the full clean.

#include "eraser/FolderErasers.h"
#include "eraser/Shredding.h"
#include "platform/registry.h"
#include "platform/urlcache.h"
#include "platform/urlhistory.h"
#include "platform/world.h"
#include "support/RecordingFiles.h"
#include "support/TempWorld.h"
#include "traces/CURLHistory.h"
#include "traces/CleanIT.h"
#include "traces/RegRWModule.h"
#include "traces/modCache.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace corvane::eraser {
namespace {

namespace fs = std::filesystem;
using testing::RecordingFiles;
using testing::TempWorld;

constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kTypedURLs = "Software\\Microsoft\\Internet Explorer\\TypedURLs";

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class FolderErasersTest : public ::testing::Test {
protected:
    TempWorld world;
    BrowserFolders folders = ReadBrowserFolders();
    fs::path cookies = world.Posix(folders.CookiesFolder);
    fs::path cache = world.Posix(folders.CacheFolder);
    fs::path history = world.Posix(folders.HistoryFolder);
    fs::path temp = world.Posix(folders.TempFolder);
    StringList list1;
    CURLHistory urlHistory;

    std::vector<std::string> CacheUrls() {
        std::vector<std::string> urls;
        if (modCache::FindFirstCacheEntry()) {
            do
                urls.push_back(modCache::GetCacheEntryUrl());
            while (modCache::FindNextCacheEntry());
        }
        modCache::CloseCacheEnum();
        return urls;
    }
    static void AddHistory(const std::string& url) {
        std::unique_ptr<platform::IUrlHistoryStg2> store;
        ASSERT_EQ(platform::IUrlHistoryStg2::Create(store), platform::S_OK);
        ASSERT_EQ(store->AddUrl(url, "title", 0), platform::S_OK);
    }
};

TEST_F(FolderErasersTest, FoldersAreReadFromShellFoldersAndTheWorldsTemp) {
    EXPECT_EQ(folders.CookiesFolder, world::ProfilePath() + "\\Cookies");
    EXPECT_EQ(folders.TempFolder, world::TempPath());
    EXPECT_TRUE(fs::is_directory(cache));
    RegRWModule::DeleteRegValue(platform::HKEY_CURRENT_USER, kShellFolders, "Cache");
    const BrowserFolders again = ReadBrowserFolders();
    EXPECT_EQ(again.CacheFolder, "");
    EXPECT_EQ(again.HistoryFolder, folders.HistoryFolder);
}

TEST_F(FolderErasersTest, RefreshListsTheFirstEntryAlwaysAndLaterOnesWithTheNormalBit) {
    FolderErasers erasers(list1, urlHistory, folders);
    erasers.RefreshHistoryList();
    EXPECT_TRUE(list1.items.empty());
    ASSERT_TRUE(platform::CommitUrlCacheEntryA("Cookie:me@first/", "", 0x00100000));
    ASSERT_TRUE(platform::CommitUrlCacheEntryA("http://a/", "", 0x00000001));
    ASSERT_TRUE(platform::CommitUrlCacheEntryA("Visited: me@b", "", 0x00200000));
    ASSERT_TRUE(platform::CommitUrlCacheEntryA("http://c/", "", 0x00100001));
    list1.items = {"stale"};
    erasers.RefreshHistoryList();
    EXPECT_EQ(list1.items,
              (std::vector<std::string>{"Cookie:me@first/", "http://a/", "http://c/"}));
}

TEST_F(FolderErasersTest, EraseHistoryErasesEveryKindOfTraceAndLeavesTheListEmpty) {
    ASSERT_TRUE(platform::CommitUrlCacheEntryA("http://a/", "", 1));
    ASSERT_TRUE(platform::CommitUrlCacheEntryA("Visited: me@b", "", 0x00200000));
    ASSERT_TRUE(platform::CommitUrlCacheEntryA("http://c/", "", 1));
    RegRWModule::SaveRegString(platform::HKEY_CURRENT_USER, kTypedURLs, "url1", "http://typed/");
    TempWorld::Write(cache / "Content.IE5" / "index.dat", "cache db");
    TempWorld::Write(cache / "Content.IE5" / "keep.htm", "not ours to erase");
    TempWorld::Write(history / "History.IE5" / "index.dat", "history db");
    AddHistory("http://visited/");
    urlHistory.Refresh("", 0);
    ASSERT_EQ(urlHistory.Count(), 1);

    FolderErasers erasers(list1, urlHistory, folders);
    erasers.EraseHistory();
    // An entry without the normal bit that is not the first is not listed, so it stays.
    EXPECT_EQ(CacheUrls(), (std::vector<std::string>{"Visited: me@b"}));
    EXPECT_EQ(CleanIT::GetRegString(platform::HKEY_CURRENT_USER, kTypedURLs, "url1"), "");
    EXPECT_FALSE(fs::exists(cache / "Content.IE5" / "index.dat"));
    EXPECT_TRUE(fs::exists(cache / "Content.IE5" / "keep.htm"));
    EXPECT_FALSE(fs::exists(history / "History.IE5" / "index.dat"));
    EXPECT_EQ(urlHistory.Count(), 0);
    EXPECT_EQ(CURLHistory().Count(), 0);
    EXPECT_TRUE(list1.items.empty());
}

TEST_F(FolderErasersTest, CookieFilesAreWipedButNamesEndingInIndexDatDeletedPlainly) {
    for (const char* name : {"index.dat", "INDEX.DAT", "oldindex.dat", "me@site[1].txt"})
        TempWorld::Write(cookies / name, std::string(100, 'c'));
    const fs::path nested = TempWorld::Write(cookies / "sub" / "me@deep[1].txt", "deep");
    RecordingFiles rec;
    FolderErasers(list1, urlHistory, folders).EraseHistory();

    const std::string win = folders.CookiesFolder + "\\";
    EXPECT_EQ(rec.Count("readwrite", win + "index.dat"), 0);
    EXPECT_EQ(rec.Count("readwrite", win + "oldindex.dat"), 0);
    EXPECT_EQ(rec.Count("delete", win + "index.dat"), 1);
    EXPECT_EQ(rec.Count("delete", win + "oldindex.dat"), 1);
    EXPECT_EQ(rec.Count("flush", win + "INDEX.DAT"), kWipePasses);
    EXPECT_EQ(rec.Count("flush", win + "me@site[1].txt"), kWipePasses);
    EXPECT_EQ(rec.sizeAtDelete[win + "INDEX.DAT"], 8192);
    EXPECT_EQ(rec.sizeAtDelete[win + "index.dat"], 100);
    EXPECT_EQ(std::distance(fs::directory_iterator(cookies), fs::directory_iterator()), 1);
    EXPECT_EQ(Read(nested), "deep");
}

TEST_F(FolderErasersTest, MissingFolderValuesEraseNothingAnywhereElse) {
    // Joined to an empty folder these names would point at the top of drive C:.
    const fs::path strayCache = TempWorld::Write(world.Posix("C:\\Content.IE5\\index.dat"), "x");
    const fs::path strayHistory = TempWorld::Write(world.Posix("C:\\history.ie5\\index.dat"), "y");
    const fs::path top = TempWorld::Write(world.Posix("C:\\top.txt"), "z");
    BrowserFolders none;
    none.TempFolder = folders.TempFolder;
    FolderErasers(list1, urlHistory, none).EraseHistory();
    BrowserFolders rootCookies = none;
    rootCookies.CookiesFolder = "C:\\";
    FolderErasers(list1, urlHistory, rootCookies).EraseHistory();
    EXPECT_EQ(Read(strayCache), "x");
    EXPECT_EQ(Read(strayHistory), "y");
    EXPECT_EQ(Read(top), "z");
}

TEST_F(FolderErasersTest, CleanTempFolderEmptiesTheFolderButKeepsIt) {
    const fs::path a = TempWorld::Write(temp / "a.tmp", "a");
    const fs::path b = TempWorld::Write(temp / "b.tmp", std::string(9000, 'b'));
    RecordingFiles rec;
    FolderErasers erasers(list1, urlHistory, folders);
    EXPECT_TRUE(erasers.CleanTempFolder().Complete());
    EXPECT_TRUE(fs::is_directory(temp));
    EXPECT_TRUE(fs::is_empty(temp));
    EXPECT_EQ(rec.Count("flush"), 2 * kWipePasses);
    EXPECT_EQ(rec.Count("deletefolder"), 0);

    TempWorld::Write(temp / "x" / "y" / "deep.tmp", "deep");
    TempWorld::Write(temp / "top.tmp", "top");
    fs::create_directories(temp / "empty");
    erasers.CleanTempFolder();
    EXPECT_TRUE(fs::is_directory(temp));
    EXPECT_TRUE(fs::is_empty(temp));
    EXPECT_EQ(rec.sizeAtDelete[folders.TempFolder + "\\x\\y\\deep.tmp"], 8192);
}

TEST_F(FolderErasersTest, EraseAllRunsHistoryFirstTheRegistryListsInOrderAndTempLast) {
    const fs::path cookie = TempWorld::Write(cookies / "me@site[1].txt", "cookie");
    const fs::path tempFile = TempWorld::Write(temp / "t.tmp", "t");
    ASSERT_TRUE(platform::CommitUrlCacheEntryA("http://a/", "", 1));
    std::vector<std::string> order;
    auto step = [&](const char* name) {
        return [&, name] {
            order.push_back(name);
            // Each registry eraser runs after the history erase and before the temp folder.
            if (std::string(name) != "typed") {
                EXPECT_TRUE(list1.items.empty()) << name;
                EXPECT_FALSE(fs::exists(cookie)) << name;
            }
            EXPECT_TRUE(fs::exists(tempFile)) << name;
        };
    };
    RegistryErasers fake{step("typed"), step("find"),   step("media"),
                         step("paint"), step("recent"), step("run")};
    FolderErasers erasers(list1, urlHistory, folders, fake);
    // The real browser profiles come after the world's history steps, inside the history erase.
    erasers.CleanProfiles = [&] {
        step("profiles")();
        browsers::CleaningReport report;
        report.profiles.push_back(
            {"firefox:/p", "Firefox - p", browsers::Outcome::InUse, {}, {}, {}, {}});
        return report;
    };
    erasers.EraseAll();
    EXPECT_EQ(order, (std::vector<std::string>{"typed", "profiles", "find", "media", "paint",
                                               "recent", "run"}));
    // The skipped profile is kept for the caller to tell.
    ASSERT_EQ(erasers.LastProfileReport().NotCleaned().size(), 1u);
    EXPECT_EQ(erasers.LastProfileReport().NotCleaned()[0]->id, "firefox:/p");
    EXPECT_FALSE(fs::exists(tempFile));
    EXPECT_TRUE(CacheUrls().empty());
}

// A yield inside a cookie wipe lets a watcher tick or a button run the history erase again:
// the inner run empties the list under the outer loop, which then stops without harm.
TEST_F(FolderErasersTest, AnEraseReenteredThroughAYieldFinishesCleanly) {
    for (int i = 0; i < 5; ++i)
        TempWorld::Write(cookies / ("me@site[" + std::to_string(i) + "].txt"), "c");
    RecordingFiles rec;
    FolderErasers erasers(list1, urlHistory, folders);
    int inner = 0;
    rec.before = [&](const std::string& op, const std::string&) {
        if (op == "read" && inner++ == 0)
            erasers.EraseHistory();
    };
    erasers.EraseHistory();
    EXPECT_TRUE(fs::is_empty(cookies));
    EXPECT_TRUE(list1.items.empty());
}

} // namespace
} // namespace corvane::eraser

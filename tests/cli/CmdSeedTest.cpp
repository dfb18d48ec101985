#include "platform/urlcache.h"
#include "platform/urlhistory.h"
#include "support/Corvanectl.h"
#include "support/TempWorld.h"
#include "traces/CURLHistory.h"
#include "traces/CleanIT.h"
#include "traces/modCache.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

namespace fs = std::filesystem;
using corvane::testing::RunCorvanectl;
using corvane::testing::TempWorld;
namespace platform = corvane::platform;

namespace {

std::vector<fs::path> FilesIn(const fs::path& folder, bool recursive) {
    std::vector<fs::path> files;
    if (recursive) {
        for (const auto& e : fs::recursive_directory_iterator(folder))
            if (e.is_regular_file())
                files.push_back(e.path());
    } else {
        for (const auto& e : fs::directory_iterator(folder))
            if (e.is_regular_file())
                files.push_back(e.path());
    }
    return files;
}

} // namespace

TEST(CmdSeed, DemoLeavesTracesOfEveryKind) {
    TempWorld w;
    const auto run = RunCorvanectl({"seed", "demo"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string profile = corvane::world::ProfilePath();

    // Cookie files and the three index.dat databases.
    int cookieTexts = 0;
    for (const auto& f : FilesIn(w.Posix(profile + "\\Cookies"), false))
        cookieTexts +=
            f.extension() == ".txt" && f.filename().string().find('@') != std::string::npos;
    EXPECT_GE(cookieTexts, 3);
    for (const char* index : {"\\Cookies\\index.dat",
                              "\\Local Settings\\Temporary Internet Files\\Content.IE5\\index.dat",
                              "\\Local Settings\\History\\History.IE5\\index.dat"})
        EXPECT_TRUE(fs::is_regular_file(w.Posix(profile + index))) << index;

    // Cache entries of several types, the first without the normal bit, local files present.
    std::istringstream list(RunCorvanectl({"cache", "list"}).out);
    std::vector<std::pair<unsigned long, std::string>> entries;
    for (std::string line; std::getline(list, line);)
        entries.emplace_back(std::stoul(line.substr(0, 8), nullptr, 16), line.substr(9));
    ASSERT_GE(entries.size(), 5u);
    EXPECT_EQ(entries[0].first & platform::NORMAL_CACHE_ENTRY, 0u);
    std::set<unsigned long> types;
    for (const auto& e : entries)
        types.insert(e.first);
    EXPECT_GE(types.size(), 3u);
    const auto shown = corvane::modCache::ListCacheUrls();
    EXPECT_EQ(shown.front(), entries[0].second);
    EXPECT_LT(shown.size(), entries.size()); // later entries without the normal bit are hidden
    EXPECT_GE(FilesIn(w.Posix(platform::UrlCacheFolder() + "\\Content.IE5"), true).size(), 4u);

    // History entries with and without titles.
    corvane::CURLHistory history;
    ASSERT_GE(history.Count(), 3);
    int untitled = 0;
    for (const auto& item : history.NewEnum())
        untitled += item->Title() == "     (No Title Given)";
    EXPECT_GT(untitled, 0);
    EXPECT_LT(untitled, history.Count());

    // Recent documents and a temporary folder with files and nested subfolders.
    EXPECT_GE(FilesIn(w.Posix(profile + "\\Recent"), false).size(), 2u);
    const fs::path temp = w.Posix(corvane::world::TempPath());
    EXPECT_GE(FilesIn(temp, false).size(), 1u);
    bool nested = false;
    for (const auto& e : fs::recursive_directory_iterator(temp))
        nested |= e.is_directory() && e.path().parent_path() != temp;
    EXPECT_TRUE(nested);

    // The registry lists: typed addresses, the three letter lists and the two numbered lists.
    using corvane::CleanIT::GetRegString;
    const auto hkcu = platform::HKEY_CURRENT_USER;
    const std::string explorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    for (const char* name : {"url1", "url2"})
        EXPECT_FALSE(
            GetRegString(hkcu, "Software\\Microsoft\\Internet Explorer\\TypedURLs", name).empty())
            << name;
    for (const char* list : {"RunMRU", "Doc Find Spec MRU", "RecentDocs"}) {
        const std::string order = GetRegString(hkcu, explorer + list, "MRUList");
        EXPECT_GE(order.size(), 2u) << list;
        for (const char letter : order)
            EXPECT_FALSE(GetRegString(hkcu, explorer + list, std::string(1, letter)).empty())
                << list << " " << letter;
    }
    EXPECT_FALSE(
        GetRegString(hkcu, "Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList", "File0")
            .empty());
    EXPECT_FALSE(
        GetRegString(hkcu,
                     "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent "
                     "File List",
                     "File1")
            .empty());

    // Seeding again gives the same world, not a second copy of it.
    ASSERT_EQ(RunCorvanectl({"seed", "demo"}).exitCode, 0);
    EXPECT_EQ(corvane::modCache::ListCacheUrls(), shown);
    EXPECT_EQ(corvane::CURLHistory().Count(), history.Count());
}

TEST(CmdSeed, OnlyTheDemoSetExists) {
    TempWorld w;
    EXPECT_EQ(RunCorvanectl({"seed"}).exitCode, 2);
    EXPECT_EQ(RunCorvanectl({"seed", "other"}).exitCode, 2);
}

// With numbers the demo grows to that many traces of each kind in all, the same way the scan,
// the cache list and the history list count them; the demo's own traces stay among them.
TEST(CmdSeed, DemoAtScaleHoldsTheAskedNumbersInAll) {
    TempWorld w;
    const auto run =
        RunCorvanectl({"seed", "demo", "--cookies", "40", "--cache", "300", "--history", "120"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string profile = corvane::world::ProfilePath();
    int cookieTexts = 0;
    for (const auto& f : FilesIn(w.Posix(profile + "\\Cookies"), false))
        cookieTexts += f.extension() == ".txt";
    EXPECT_EQ(cookieTexts, 40);

    std::istringstream list(RunCorvanectl({"cache", "list"}).out);
    std::vector<std::string> urls;
    for (std::string line; std::getline(list, line);)
        urls.push_back(line.substr(9));
    ASSERT_EQ(urls.size(), 300u);
    EXPECT_EQ(urls.front(), "Cookie:" + corvane::world::UserName() + "@example.com/");
    EXPECT_EQ(std::set<std::string>(urls.begin(), urls.end()).size(), 300u);
    // The scan counts what the lists show: cookie and visited entries after the first are left out.
    const std::vector<std::string> shown = corvane::modCache::ListCacheUrls();
    EXPECT_LT(shown.size(), 300u);
    EXPECT_GT(shown.size(), 200u);
    const auto scan = RunCorvanectl({"scan"});
    EXPECT_NE(scan.out.find("Cookies Found: 40\n"), std::string::npos) << scan.out;
    EXPECT_NE(scan.out.find("Other Files Found: " + std::to_string(shown.size()) + "\n"),
              std::string::npos)
        << scan.out;

    corvane::CURLHistory history;
    EXPECT_EQ(history.Count(), 120);
    corvane::CURLHistory::ItemPtr first;
    ASSERT_EQ(history.Item(1, first), platform::S_OK);
    EXPECT_EQ(first->Url(), "http://www.example.com/");

    // Seeding again adds nothing new: the same names and addresses are written over.
    ASSERT_EQ(RunCorvanectl({"seed", "demo", "--cache", "300"}).exitCode, 0);
    EXPECT_EQ(corvane::modCache::ListCacheUrls().size(), shown.size());
}

TEST(CmdSeed, ScaleNeedsKnownKindsAndNumbers) {
    TempWorld w;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"seed", "demo", "--cookies"},
          {"seed", "demo", "--cookies", "-3"},
          {"seed", "demo", "--cookies", "12x"},
          {"seed", "demo", "--pictures", "3"},
          {"seed", "big"}}) {
        const auto run = RunCorvanectl(args);
        EXPECT_NE(run.exitCode, 0) << args.back();
        EXPECT_FALSE(run.err.empty()) << args.back();
    }
    EXPECT_TRUE(FilesIn(w.Posix(corvane::world::ProfilePath() + "\\Cookies"), false).empty());
}

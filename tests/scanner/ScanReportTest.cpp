// The scan's counting and its report, without a window.

#include "scanner/ScanReport.h"

#include "platform/urlcache.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace corvane::ScanReport {
namespace {

TEST(ScanReportText, IsExactlyTheTenLines) {
    const std::string expected = "Scanning Complete By Corvane             \r\n"
                                 "\r\n"
                                 "Unsafe Files Found:\r\n"
                                 "----------------------------------------------------\r\n"
                                 "Cookies Found: 3\r\n"
                                 "Other Files Found: 0\r\n"
                                 "\r\n"
                                 "Action Required:\r\n"
                                 "----------------------------------------------------\r\n"
                                 "Activate Cleaner To Remove Files                    ";
    EXPECT_EQ(ReportText(3, 0), expected);
}

TEST(ScanReportText, PadsAndRulesHaveTheirExactLengths) {
    const std::string text = ReportText(1234, 56);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, at - start));
        start = at + 2;
    }
    lines.push_back(text.substr(start));
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], "Scanning Complete By Corvane" + std::string(13, ' '));
    EXPECT_EQ(lines[3], std::string(52, '-'));
    EXPECT_EQ(lines[8], std::string(52, '-'));
    EXPECT_EQ(lines[4], "Cookies Found: 1234");
    EXPECT_EQ(lines[5], "Other Files Found: 56");
    EXPECT_EQ(lines[9], "Activate Cleaner To Remove Files" + std::string(20, ' '));
    EXPECT_EQ(text.find('\n', text.size() - 1), std::string::npos) << "no break after line 10";
}

class ScanCounting : public ::testing::Test {
protected:
    corvane::testing::TempWorld world;
    const std::string folder = "C:\\Documents and Settings\\ann\\Cookies";

    std::filesystem::path Cookie(const std::string& name) {
        return corvane::testing::TempWorld::Write(world.Posix(folder) / name, "cookie");
    }
};

TEST_F(ScanCounting, CookieFilesFollowThePatternRules) {
    Cookie("ann@example[1].txt");
    Cookie("ANN@SHOUT[2].TXT");
    Cookie("ann@later[1].txt.old");
    Cookie("ann@plain.dat");
    Cookie("index.dat");
    Cookie("txt");
    Cookie(".ann@hidden[1].txt");
    std::filesystem::create_directories(world.Posix(folder) / "folder.txt");
    EXPECT_EQ(CookieFileNames(folder),
              (std::vector<std::string>{"ann@example[1].txt", "ann@later[1].txt.old",
                                        "ANN@SHOUT[2].TXT"}));
}

TEST_F(ScanCounting, AMissingCookieFolderCountsNothing) {
    EXPECT_TRUE(CookieFileNames("C:\\No Such Folder\\Cookies").empty());
}

TEST_F(ScanCounting, TheFirstCacheEntryIsListedWhateverItsTypeLaterOnesNeedTheNormalBit) {
    using namespace platform;
    ASSERT_TRUE(CommitUrlCacheEntryA("Cookie:ann@example.com/", nullptr, COOKIE_CACHE_ENTRY));
    ASSERT_TRUE(CommitUrlCacheEntryA("http://example.com/", nullptr, NORMAL_CACHE_ENTRY));
    ASSERT_TRUE(
        CommitUrlCacheEntryA("Visited: ann@http://example.com/", nullptr, URLHISTORY_CACHE_ENTRY));
    ASSERT_TRUE(CommitUrlCacheEntryA("https://example.org/a.css", nullptr,
                                     NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY));
    EXPECT_EQ(CacheAddresses(),
              (std::vector<std::string>{"Cookie:ann@example.com/", "http://example.com/",
                                        "https://example.org/a.css"}));
}

TEST_F(ScanCounting, CountsTheCookieFolderOfTheHomeVariables) {
    Cookie("a.txt");
    Cookie("b.txt");
    ASSERT_TRUE(platform::CommitUrlCacheEntryA("http://example.com/", nullptr,
                                               platform::NORMAL_CACHE_ENTRY));
    const auto variables = [](std::string_view name) -> std::string {
        if (name == "homedrive")
            return "C:";
        if (name == "homepath")
            return "\\Documents and Settings\\ann";
        return "";
    };
    const Counts counts = CountTraces(variables);
    EXPECT_EQ(counts.cookies, 2);
    EXPECT_EQ(counts.others, 1);
}

// The counts the command line reports come from counting, not listing: they must agree with the
// lists the windows show, whether the cache is read from the store or from this process's copy,
// and after entries went away.
TEST_F(ScanCounting, CountsAgreeWithTheListsTheWindowsShow) {
    using namespace platform;
    Cookie("ann@example[1].txt");
    Cookie("ANN@SHOUT[2].TXT");
    Cookie(".ann@hidden[1].txt");
    Cookie("index.dat");
    std::filesystem::create_directories(world.Posix(folder) / "folder.txt");
    EXPECT_EQ(CountCookieFiles(folder), 2);
    EXPECT_EQ(CountCookieFiles("C:\\No Such Folder\\Cookies"), 0);

    EXPECT_EQ(CountCacheAddresses(), 0);
    const auto agree = [] {
        EXPECT_EQ(CountCacheAddresses(), static_cast<long>(CacheAddresses().size()));
        // Counted again from the copy the listing just read.
        EXPECT_EQ(CountCacheAddresses(), static_cast<long>(CacheAddresses().size()));
    };
    ASSERT_TRUE(
        CommitUrlCacheEntries({{"Visited: ann@http://a/", "", URLHISTORY_CACHE_ENTRY},
                               {"http://a/", "", NORMAL_CACHE_ENTRY},
                               {"Cookie:ann@a/", "", COOKIE_CACHE_ENTRY},
                               {"http://b/", "", NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY}}));
    EXPECT_EQ(CountCacheAddresses(), 3);
    agree();
    // The first entry goes: the next one becomes first and counts whatever its type.
    ASSERT_TRUE(DeleteUrlCacheEntryA("Visited: ann@http://a/"));
    ASSERT_TRUE(DeleteUrlCacheEntryA("http://a/"));
    EXPECT_EQ(CountCacheAddresses(), 2);
    agree();
}

} // namespace
} // namespace corvane::ScanReport

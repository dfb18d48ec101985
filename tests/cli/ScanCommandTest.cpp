// corvanectl scan, run as a program on a seeded world: the same report the window shows.

#include "platform/urlcache.h"
#include "platform/world.h"
#include "scanner/ScanLocations.h"
#include "scanner/ScanReport.h"
#include "support/Corvanectl.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

// The report as a terminal shows it: lines end in LF.
std::string AsPrinted(std::string report) {
    for (std::size_t at = report.find("\r\n"); at != std::string::npos;
         at = report.find("\r\n", at))
        report.erase(at, 1);
    return report + "\n";
}

TEST(ScanCommand, PrintsTheReportOfTheCookieFolderAndTheListedCache) {
    testing::TempWorld world;
    // The child reads the same environment view, so the folder is the one it will count.
    const std::string cookies = ScanLocations::CookieFolder(ScanLocations::EnvironmentVariables());
    for (const char* name : {"ann@a[1].txt", "ann@b[2].txt", "index.dat", ".x.txt"})
        testing::TempWorld::Write(world.Posix(cookies) / name, "c");
    ASSERT_TRUE(
        platform::CommitUrlCacheEntryA("Cookie:ann@a/", nullptr, platform::COOKIE_CACHE_ENTRY));
    ASSERT_TRUE(
        platform::CommitUrlCacheEntryA("Cookie:ann@b/", nullptr, platform::COOKIE_CACHE_ENTRY));
    ASSERT_TRUE(platform::CommitUrlCacheEntryA("http://example.com/", nullptr,
                                               platform::NORMAL_CACHE_ENTRY));

    const testing::CtlResult result = testing::RunCorvanectl({"scan"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, AsPrinted(ScanReport::ReportText(2, 2)));
}

TEST(ScanCommand, RefusesArguments) {
    testing::TempWorld world;
    EXPECT_EQ(testing::RunCorvanectl({"scan", "extra"}).exitCode, 2);
}

} // namespace
} // namespace corvane

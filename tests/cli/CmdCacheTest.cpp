#include "platform/urlcache.h"
#include "support/Corvanectl.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using corvane::testing::RunCorvanectl;
using corvane::testing::TempWorld;

namespace {

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string ContentFile(const std::string& name) {
    return corvane::platform::UrlCacheLocalFilePath("Content.IE5\\" + name);
}

} // namespace

TEST(CmdCache, AddListAndDeleteInWalkOrderWithHexFlags) {
    TempWorld w;
    EXPECT_EQ(RunCorvanectl({"cache", "list"}).out, "");
    ASSERT_EQ(
        RunCorvanectl({"cache", "add", "Cookie:me@example.com/", "--type", "100000"}).exitCode, 0);
    ASSERT_EQ(RunCorvanectl({"cache", "add", "http://example.com/"}).exitCode, 0);
    ASSERT_EQ(RunCorvanectl({"cache", "add", "--type", "0X5", "http://example.com/a.js"}).exitCode,
              0);
    EXPECT_EQ(RunCorvanectl({"cache", "list"}).out, "00100000\tCookie:me@example.com/\n"
                                                    "00000001\thttp://example.com/\n"
                                                    "00000005\thttp://example.com/a.js\n");
    ASSERT_EQ(RunCorvanectl({"cache", "delete", "http://example.com/"}).exitCode, 0);
    const auto missing = RunCorvanectl({"cache", "delete", "http://example.com/"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("no cache entry"), std::string::npos);
    EXPECT_EQ(RunCorvanectl({"cache", "list"}).out, "00100000\tCookie:me@example.com/\n"
                                                    "00000005\thttp://example.com/a.js\n");
}

TEST(CmdCache, FileOptionMakesALocalFileThatDeleteAndReplaceRemove) {
    TempWorld w;
    ASSERT_EQ(RunCorvanectl({"cache", "add", "http://p/", "--file", "AB12\\p[1].htm"}).exitCode, 0);
    const fs::path first = ContentFile("AB12\\p[1].htm");
    ASSERT_TRUE(fs::is_regular_file(first));
    EXPECT_NE(ReadFile(first).find("http://p/"), std::string::npos);

    // Adding the URL again replaces its type and file, and keeps its place in the walk.
    ASSERT_EQ(RunCorvanectl({"cache", "add", "http://q/"}).exitCode, 0);
    ASSERT_EQ(RunCorvanectl({"cache", "add", "http://p/", "--type", "4", "--file", "CD34\\p.htm"})
                  .exitCode,
              0);
    EXPECT_FALSE(fs::exists(first));
    const fs::path second = ContentFile("CD34\\p.htm");
    EXPECT_TRUE(fs::exists(second));
    EXPECT_EQ(RunCorvanectl({"cache", "list"}).out, "00000004\thttp://p/\n00000001\thttp://q/\n");
    ASSERT_EQ(RunCorvanectl({"cache", "delete", "http://p/"}).exitCode, 0);
    EXPECT_FALSE(fs::exists(second));
}

TEST(CmdCache, UrlsOfAnyBytesAreStoredAndListedUnchanged) {
    TempWorld w;
    const std::vector<std::string> urls = {
        "http://example.com/a b c", "http://example.com/\"quoted\" 'single'",
        "http://exämple.com/päth/日本", "http://long.example/?" + std::string(3979, 'k')};
    std::string expected;
    for (const auto& url : urls) {
        ASSERT_EQ(RunCorvanectl({"cache", "add", url}).exitCode, 0) << url.substr(0, 40);
        expected += "00000001\t" + url + "\n";
    }
    EXPECT_EQ(RunCorvanectl({"cache", "list"}).out, expected);
    ASSERT_EQ(RunCorvanectl({"cache", "delete", urls[2]}).exitCode, 0);
    EXPECT_EQ(RunCorvanectl({"cache", "list"}).out.find("exämple"), std::string::npos);
}

TEST(CmdCache, BadArgumentsAreUsageErrorsAndUnsafeFilesAreRefused) {
    TempWorld w;
    EXPECT_EQ(RunCorvanectl({"cache"}).exitCode, 2);
    EXPECT_EQ(RunCorvanectl({"cache", "add"}).exitCode, 2);
    EXPECT_EQ(RunCorvanectl({"cache", "add", "http://x/", "--type", "zz"}).exitCode, 2);
    EXPECT_EQ(RunCorvanectl({"cache", "add", "http://x/", "--type", "123456789"}).exitCode, 2);
    EXPECT_EQ(RunCorvanectl({"cache", "add", "http://x/", "http://y/"}).exitCode, 2);
    EXPECT_EQ(RunCorvanectl({"cache", "delete"}).exitCode, 2);
    EXPECT_EQ(
        RunCorvanectl({"cache", "add", "http://x/", "--file", "..\\..\\..\\evil.txt"}).exitCode, 1);
    EXPECT_FALSE(fs::exists(w.Posix(corvane::world::ProfilePath() + "\\evil.txt")));
    EXPECT_EQ(RunCorvanectl({"cache", "list"}).out, "");
}

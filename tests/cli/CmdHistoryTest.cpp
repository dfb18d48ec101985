#include "support/Corvanectl.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

using corvane::testing::RunCorvanectl;
using corvane::testing::TempWorld;

TEST(CmdHistory, AddListAndClear) {
    TempWorld w;
    EXPECT_EQ(RunCorvanectl({"history", "list"}).out, "");
    ASSERT_EQ(RunCorvanectl({"history", "add", "http://a/", "Page A"}).exitCode, 0);
    ASSERT_EQ(RunCorvanectl({"history", "add", "http://b/"}).exitCode, 0);
    ASSERT_EQ(RunCorvanectl({"history", "add", "http://a/", "Page A, later"}).exitCode, 0);
    EXPECT_EQ(RunCorvanectl({"history", "list"}).out, "http://a/\tPage A, later\nhttp://b/\t\n");
    ASSERT_EQ(RunCorvanectl({"history", "clear"}).exitCode, 0);
    EXPECT_EQ(RunCorvanectl({"history", "list"}).out, "");
}

TEST(CmdHistory, UrlsAndTitlesOfAnyBytesRoundTrip) {
    TempWorld w;
    const std::string url = "http://exämple.com/a b/\"q\"?" + std::string(3975, 'u');
    const std::string title = "Ünïcode — \"quoted\" 'title'  with  spaces";
    ASSERT_EQ(RunCorvanectl({"history", "add", url, title}).exitCode, 0);
    EXPECT_EQ(RunCorvanectl({"history", "list"}).out, url + "\t" + title + "\n");
}

TEST(CmdHistory, BadArgumentsAreUsageErrors) {
    TempWorld w;
    EXPECT_EQ(RunCorvanectl({"history"}).exitCode, 2);
    EXPECT_EQ(RunCorvanectl({"history", "add"}).exitCode, 2);
    EXPECT_EQ(RunCorvanectl({"history", "add", ""}).exitCode, 2);
    EXPECT_EQ(RunCorvanectl({"history", "add", "u", "t", "extra"}).exitCode, 2);
    EXPECT_EQ(RunCorvanectl({"history", "list", "x"}).exitCode, 2);
}

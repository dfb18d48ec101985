#include "traces/modCache.h"

#include "platform/urlcache.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
namespace modCache = corvane::modCache;
namespace platform = corvane::platform;
using corvane::testing::TempWorld;

namespace {

void Add(const std::string& url, platform::DWORD type) {
    ASSERT_TRUE(platform::CommitUrlCacheEntryA(url.c_str(), nullptr, type)) << url;
}

// Every entry of a full walk, type and URL, read the way the command line lists them.
std::vector<std::pair<platform::DWORD, std::string>> WalkAll() {
    std::vector<std::pair<platform::DWORD, std::string>> all;
    if (modCache::FindFirstCacheEntry()) {
        do
            all.emplace_back(modCache::GetCacheEntryType(), modCache::GetCacheEntryUrl());
        while (modCache::FindNextCacheEntry());
    }
    modCache::CloseCacheEnum();
    return all;
}

// Restores normal allocation when a test ends, even when an assertion stopped it early.
struct AllocationFailure {
    explicit AllocationFailure(int successes) {
        modCache::SetAllocationFailureForTesting(successes);
    }
    ~AllocationFailure() { modCache::SetAllocationFailureForTesting(-1); }
};

} // namespace

TEST(modCache, EmptyCacheHasNoCurrentEntryAndAnEmptyList) {
    TempWorld w;
    EXPECT_FALSE(modCache::FindFirstCacheEntry());
    EXPECT_EQ(modCache::GetCacheEntryUrl(), "");
    EXPECT_EQ(modCache::GetCacheEntryType(), 0u);
    EXPECT_FALSE(modCache::FindNextCacheEntry());
    modCache::CloseCacheEnum();
    EXPECT_TRUE(modCache::ListCacheUrls().empty());
}

TEST(modCache, CloseTwiceOrWithoutAWalkAndNextWithoutAWalkAreHarmless) {
    TempWorld w;
    Add("http://a/", 1);
    modCache::CloseCacheEnum();
    modCache::CloseCacheEnum();
    EXPECT_FALSE(modCache::FindNextCacheEntry());
    ASSERT_TRUE(modCache::FindFirstCacheEntry());
    modCache::CloseCacheEnum();
    modCache::CloseCacheEnum();
    EXPECT_FALSE(modCache::FindNextCacheEntry());
}

TEST(modCache, ListShowsTheFirstEntryAlwaysAndLaterOnesOnlyWithTheNormalBit) {
    TempWorld w;
    Add("Cookie:me@example.com/", platform::COOKIE_CACHE_ENTRY);
    EXPECT_EQ(modCache::ListCacheUrls(), std::vector<std::string>{"Cookie:me@example.com/"});

    Add("http://example.com/", platform::NORMAL_CACHE_ENTRY);
    Add("Visited: me@http://example.com/", platform::URLHISTORY_CACHE_ENTRY);
    Add("Cookie:me@other.example/", platform::COOKIE_CACHE_ENTRY);
    Add("http://example.com/app.js", platform::NORMAL_CACHE_ENTRY | platform::STICKY_CACHE_ENTRY);
    EXPECT_EQ(modCache::ListCacheUrls(),
              (std::vector<std::string>{"Cookie:me@example.com/", "http://example.com/",
                                        "http://example.com/app.js"}));
    // The walk itself still yields every entry with its type.
    const auto all = WalkAll();
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[2].first, platform::URLHISTORY_CACHE_ENTRY);
    EXPECT_EQ(all[2].second, "Visited: me@http://example.com/");
}

TEST(modCache, DeletingAnEntryAndListingAgainLeavesItOut) {
    TempWorld w;
    const fs::path file = TempWorld::Write(
        platform::UrlCacheLocalFilePath("Content.IE5\\Q9\\b[1].htm"), "<html></html>");
    Add("http://a/", 1);
    ASSERT_TRUE(platform::CommitUrlCacheEntryA("http://b/", "Content.IE5\\Q9\\b[1].htm", 1));
    Add("http://c/", 1);
    EXPECT_TRUE(modCache::DeleteCacheEntry("http://b/"));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(modCache::ListCacheUrls(), (std::vector<std::string>{"http://a/", "http://c/"}));
    EXPECT_FALSE(modCache::DeleteCacheEntry("http://b/"));
    EXPECT_FALSE(modCache::DeleteCacheEntry(std::string("http://a/\0x", 11)));
    EXPECT_EQ(modCache::ListCacheUrls().size(), 2u);
}

TEST(modCache, UrlsOfAnyBytesAndLengthComeBackUnchanged) {
    TempWorld w;
    const std::string longUrl = "http://long.example/?q=" + std::string(3977, 'z');
    const std::string odd = "http://exämple.com/a b\"c'd\t\xff\xfe";
    Add(longUrl, 1);
    Add(odd, 1);
    EXPECT_EQ(modCache::ListCacheUrls(), (std::vector<std::string>{longUrl, odd}));
}

TEST(modCache, StartingAgainRestartsTheWalkAndTheEndLeavesNoCurrentEntry) {
    TempWorld w;
    Add("http://a/", 1);
    Add("http://b/", 1);
    ASSERT_TRUE(modCache::FindFirstCacheEntry());
    ASSERT_TRUE(modCache::FindNextCacheEntry());
    EXPECT_EQ(modCache::GetCacheEntryUrl(), "http://b/");
    ASSERT_TRUE(modCache::FindFirstCacheEntry());
    EXPECT_EQ(modCache::GetCacheEntryUrl(), "http://a/");
    ASSERT_TRUE(modCache::FindNextCacheEntry());
    EXPECT_FALSE(modCache::FindNextCacheEntry());
    EXPECT_EQ(modCache::GetCacheEntryUrl(), "");
    EXPECT_EQ(modCache::GetCacheEntryType(), 0u);
    EXPECT_FALSE(modCache::FindNextCacheEntry());
    modCache::CloseCacheEnum();
}

TEST(modCache, FailedAllocationLeavesNoCurrentEntryAndTouchesNoMemory) {
    TempWorld w;
    Add("http://a/", 1);
    Add("http://b/", 1);
    {
        AllocationFailure failFirst(0);
        EXPECT_FALSE(modCache::FindFirstCacheEntry());
        EXPECT_EQ(modCache::GetCacheEntryUrl(), "");
        EXPECT_FALSE(modCache::FindNextCacheEntry()); // no walk was opened
        modCache::CloseCacheEnum();
        EXPECT_TRUE(modCache::ListCacheUrls().empty());
    }
    {
        AllocationFailure failSecond(1);
        ASSERT_TRUE(modCache::FindFirstCacheEntry());
        EXPECT_EQ(modCache::GetCacheEntryUrl(), "http://a/");
        EXPECT_FALSE(modCache::FindNextCacheEntry());
        EXPECT_EQ(modCache::GetCacheEntryUrl(), "");
        EXPECT_EQ(modCache::GetCacheEntryType(), 0u);
        modCache::CloseCacheEnum();
    }
    EXPECT_EQ(modCache::ListCacheUrls(), (std::vector<std::string>{"http://a/", "http://b/"}));
}

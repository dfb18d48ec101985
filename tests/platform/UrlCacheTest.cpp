#include "platform/urlcache.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace corvane::platform;
using corvane::testing::TempWorld;

namespace {

// A record buffer of exactly the size asked for, so that any write past it is caught by the
// address sanitizer.
struct Record {
    explicit Record(DWORD size) : bytes(new char[size]), size(size) {}
    INTERNET_CACHE_ENTRY_INFOA* Info() {
        return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(bytes.get());
    }
    std::unique_ptr<char[]> bytes;
    DWORD size;
};

struct Entry {
    std::string url;
    DWORD type = 0;
    std::string local;
};

// Reads the next entry of a walk (or starts one when `walk` is null) through the size contract.
bool Step(HANDLE& walk, Entry& entry) {
    DWORD size = 0;
    const bool first = walk == nullptr;
    const bool sized = first ? FindFirstUrlCacheEntryA(nullptr, nullptr, &size) != nullptr
                             : FindNextUrlCacheEntryA(walk, nullptr, &size) != 0;
    EXPECT_FALSE(sized);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;
    Record record(size);
    if (first) {
        walk = FindFirstUrlCacheEntryA(nullptr, record.Info(), &size);
        if (walk == nullptr)
            return false;
    } else if (!FindNextUrlCacheEntryA(walk, record.Info(), &size)) {
        return false;
    }
    entry.url = record.Info()->lpszSourceUrlName;
    entry.type = record.Info()->CacheEntryType;
    const char* local = record.Info()->lpszLocalFileName;
    entry.local = local ? local : "";
    return true;
}

std::vector<std::string> WalkUrls() {
    std::vector<std::string> urls;
    HANDLE walk = nullptr;
    Entry e;
    while (Step(walk, e))
        urls.push_back(e.url);
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    if (walk) {
        EXPECT_TRUE(FindCloseUrlCache(walk));
    }
    return urls;
}

std::string CacheFile(const std::string& relative) {
    return UrlCacheLocalFilePath(relative);
}

} // namespace

TEST(UrlCache, EmptyCacheEndsAtOnceAndOpensNoWalk) {
    TempWorld w;
    DWORD size = 0;
    EXPECT_EQ(FindFirstUrlCacheEntryA(nullptr, nullptr, &size), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(FindFirstUrlCacheEntryA(nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(UrlCache, SizeQueryReportsTheSizeAndARecordFillsExactlyThatBuffer) {
    TempWorld w;
    TempWorld::Write(CacheFile("Content.IE5\\AB12CD34\\page[1].htm"), "<html>12345</html>");
    ASSERT_TRUE(CommitUrlCacheEntryA("http://example.com/page",
                                     "Content.IE5\\AB12CD34\\page[1].htm",
                                     NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY));
    ASSERT_TRUE(CommitUrlCacheEntryA("http://example.com/second", nullptr, NORMAL_CACHE_ENTRY));

    DWORD size = 0;
    EXPECT_EQ(FindFirstUrlCacheEntryA(nullptr, nullptr, &size), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    const std::string local = UrlCacheFolder() + "\\Content.IE5\\AB12CD34\\page[1].htm";
    const DWORD needed = 80 + sizeof("http://example.com/page") + local.size() + 1;
    EXPECT_EQ(size, needed);

    // One byte short is still too small, and reports the same size again.
    Record shortRecord(needed - 1);
    size = needed - 1;
    EXPECT_EQ(FindFirstUrlCacheEntryA(nullptr, shortRecord.Info(), &size), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(size, needed);

    Record record(needed);
    HANDLE walk = FindFirstUrlCacheEntryA(nullptr, record.Info(), &size);
    ASSERT_NE(walk, nullptr);
    INTERNET_CACHE_ENTRY_INFOA* info = record.Info();
    EXPECT_EQ(info->dwStructSize, 80u);
    EXPECT_EQ(info->lpszSourceUrlName, record.bytes.get() + 80);
    EXPECT_STREQ(info->lpszSourceUrlName, "http://example.com/page");
    EXPECT_EQ(info->lpszLocalFileName, record.bytes.get() + 80 + sizeof("http://example.com/page"));
    EXPECT_EQ(info->lpszLocalFileName, local);
    EXPECT_EQ(info->CacheEntryType, NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY);
    EXPECT_EQ(info->dwSizeLow, 18u);
    EXPECT_NE(FileTimeToUint64(info->LastModifiedTime), 0u);

    // A size query does not move the walk on; an entry without a local file has no name.
    Entry e;
    ASSERT_TRUE(Step(walk, e));
    EXPECT_EQ(e.url, "http://example.com/second");
    EXPECT_EQ(e.local, "");
    EXPECT_FALSE(Step(walk, e));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    EXPECT_FALSE(Step(walk, e));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    EXPECT_TRUE(FindCloseUrlCache(walk));
}

TEST(UrlCache, HandlesThatAreNotOpenAreRefused) {
    TempWorld w;
    ASSERT_TRUE(CommitUrlCacheEntryA("http://a/", nullptr, NORMAL_CACHE_ENTRY));
    HANDLE walk = nullptr;
    Entry e;
    ASSERT_TRUE(Step(walk, e));
    EXPECT_TRUE(FindCloseUrlCache(walk));
    EXPECT_FALSE(FindCloseUrlCache(walk));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    DWORD size = 0;
    EXPECT_FALSE(FindNextUrlCacheEntryA(walk, nullptr, &size));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(FindNextUrlCacheEntryA(reinterpret_cast<HANDLE>(0x1234), nullptr, &size));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(FindCloseUrlCache(nullptr));
}

TEST(UrlCache, WalkKeepsTheOrderAddedAcrossPagesAndReplacingKeepsThePlace) {
    TempWorld w;
    std::vector<std::string> urls;
    for (int i = 0; i < 700; ++i) {
        urls.push_back("http://host" + std::to_string(700 - i) + ".example/");
        ASSERT_TRUE(CommitUrlCacheEntryA(urls.back().c_str(), nullptr, NORMAL_CACHE_ENTRY));
    }
    EXPECT_EQ(WalkUrls(), urls);

    TempWorld::Write(CacheFile("Content.IE5\\OLD\\a.htm"), "old");
    TempWorld::Write(CacheFile("Content.IE5\\NEW\\b.htm"), "new");
    ASSERT_TRUE(CommitUrlCacheEntryA(urls[5].c_str(), "Content.IE5\\OLD\\a.htm", 1));
    ASSERT_TRUE(CommitUrlCacheEntryA(urls[5].c_str(), "Content.IE5\\NEW\\b.htm", 0x00100000));
    EXPECT_FALSE(fs::exists(CacheFile("Content.IE5\\OLD\\a.htm")));
    EXPECT_TRUE(fs::exists(CacheFile("Content.IE5\\NEW\\b.htm")));
    EXPECT_EQ(WalkUrls(), urls);
    HANDLE walk = nullptr;
    Entry e;
    for (int i = 0; i <= 5; ++i)
        ASSERT_TRUE(Step(walk, e));
    EXPECT_EQ(e.type, 0x00100000u);
    EXPECT_EQ(e.local, UrlCacheFolder() + "\\Content.IE5\\NEW\\b.htm");
    FindCloseUrlCache(walk);
}

TEST(UrlCache, WalkStaysValidWhileEntriesAreDeletedAndAdded) {
    TempWorld w;
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(CommitUrlCacheEntryA(("http://e/" + std::to_string(i)).c_str(), nullptr, 1));
    HANDLE walk = nullptr;
    Entry e;
    std::vector<std::string> seen;
    while (Step(walk, e)) {
        seen.push_back(e.url);
        const std::string tail = e.url.substr(9);
        const int n = tail == "late" ? -1 : std::stoi(tail);
        // Delete the entry just returned, and one ahead of the walk that it must then skip.
        EXPECT_TRUE(DeleteUrlCacheEntryA(e.url.c_str()));
        if (n >= 0 && n % 10 == 0)
            DeleteUrlCacheEntryA(("http://e/" + std::to_string(n + 1)).c_str());
        if (n == 150) {
            ASSERT_TRUE(CommitUrlCacheEntryA("http://e/late", nullptr, 1));
        }
    }
    FindCloseUrlCache(walk);
    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) {
        if (i % 10 != 1)
            expected.push_back("http://e/" + std::to_string(i));
    }
    expected.push_back("http://e/late");
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(WalkUrls().empty());
}

TEST(UrlCache, DeleteRemovesTheEntryAndItsFileButNothingOutsideTheCache) {
    TempWorld w;
    const fs::path page = TempWorld::Write(CacheFile("Content.IE5\\X1\\p.htm"), "page");
    ASSERT_TRUE(CommitUrlCacheEntryA("http://p/", "Content.IE5\\X1\\p.htm", 1));
    EXPECT_TRUE(DeleteUrlCacheEntryA("http://p/"));
    EXPECT_FALSE(fs::exists(page));
    EXPECT_FALSE(DeleteUrlCacheEntryA("http://p/"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(DeleteUrlCacheEntryA(nullptr));

    // Names that climb out of the Cache folder or name another drive are refused.
    EXPECT_FALSE(CommitUrlCacheEntryA("http://q/", "..\\..\\Cookies\\a.txt", 1));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(CommitUrlCacheEntryA("http://q/", "Z:\\etc\\passwd", 1));
    EXPECT_FALSE(CommitUrlCacheEntryA("http://q/", "\\x", 1));
    EXPECT_FALSE(CommitUrlCacheEntryA("", nullptr, 1));

    // A link inside the cache tree never leads the delete to the file behind it.
    const fs::path outside = TempWorld::Write(w.Root() / "outside" / "keep.txt", "keep");
    fs::create_directories(CacheFile("Content.IE5"));
    fs::create_directory_symlink(w.Root() / "outside", CacheFile("Content.IE5\\LINK"));
    ASSERT_TRUE(CommitUrlCacheEntryA("http://l/", "Content.IE5\\LINK\\keep.txt", 1));
    EXPECT_TRUE(DeleteUrlCacheEntryA("http://l/"));
    EXPECT_TRUE(fs::exists(outside));
}

TEST(UrlCache, PatternWalksTheEntriesWhoseUrlStartsWithItIgnoringCase) {
    TempWorld w;
    ASSERT_TRUE(CommitUrlCacheEntryA("Cookie:me@a.example/", nullptr, COOKIE_CACHE_ENTRY));
    ASSERT_TRUE(CommitUrlCacheEntryA("http://a.example/", nullptr, 1));
    ASSERT_TRUE(CommitUrlCacheEntryA("Cookie:me@b.example/", nullptr, COOKIE_CACHE_ENTRY));
    DWORD size = 0;
    FindFirstUrlCacheEntryA("cookie:", nullptr, &size);
    Record first(size);
    HANDLE walk = FindFirstUrlCacheEntryA("cookie:", first.Info(), &size);
    ASSERT_NE(walk, nullptr);
    EXPECT_STREQ(first.Info()->lpszSourceUrlName, "Cookie:me@a.example/");
    Entry e;
    ASSERT_TRUE(Step(walk, e));
    EXPECT_EQ(e.url, "Cookie:me@b.example/");
    EXPECT_FALSE(Step(walk, e));
    FindCloseUrlCache(walk);
    EXPECT_EQ(WalkUrls().size(), 3u);
}

TEST(UrlCache, DamagedStoreIsMovedAsideAndEachWorldHasItsOwnStore) {
    std::vector<std::string> first;
    {
        TempWorld a;
        ASSERT_TRUE(CommitUrlCacheEntryA("http://only-in-a/", nullptr, 1));
        first = WalkUrls();
        TempWorld b;
        TempWorld::Write(corvane::world::UrlCacheFile(), std::string(4096, 'x'));
        testing::internal::CaptureStderr();
        EXPECT_TRUE(WalkUrls().empty());
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("damaged"), std::string::npos);
        bool movedAside = false;
        for (const auto& f : fs::directory_iterator(b.Prefix()))
            movedAside |= f.path().filename().string().find("urlcache.sqlite.damaged-") == 0;
        EXPECT_TRUE(movedAside);
        ASSERT_TRUE(CommitUrlCacheEntryA("http://only-in-b/", nullptr, 1));
        EXPECT_EQ(WalkUrls(), std::vector<std::string>{"http://only-in-b/"});
    }
    EXPECT_EQ(first, std::vector<std::string>{"http://only-in-a/"});
}

TEST(UrlCache, AStoreDamagedOrReplacedWhileOpenIsNoticedAndStartedAfresh) {
    TempWorld w;
    ASSERT_TRUE(CommitUrlCacheEntryA("http://before/", nullptr, 1));
    ASSERT_EQ(WalkUrls().size(), 1u);
    const fs::path file = corvane::world::UrlCacheFile();

    // Another program puts a different file in its place.
    fs::remove(file);
    TempWorld::Write(file, std::string(8192, 'y'));
    testing::internal::CaptureStderr();
    EXPECT_TRUE(WalkUrls().empty());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("damaged"), std::string::npos);
    ASSERT_TRUE(CommitUrlCacheEntryA("http://after/", nullptr, 1));

    // The file is overwritten in place: a walk may fail, but the next one starts afresh.
    ASSERT_TRUE(CommitUrlCacheEntryA("http://more/", nullptr, 1));
    {
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        f.write(std::string(100, 'z').data(), 100);
    }
    testing::internal::CaptureStderr();
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD size = 0;
        FindFirstUrlCacheEntryA(nullptr, nullptr, &size);
    }
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(CommitUrlCacheEntryA("http://fresh/", nullptr, 1));
    EXPECT_EQ(WalkUrls().back(), "http://fresh/");
}

// Many entries go in as one change, in order; a replaced one keeps its place and loses the file
// it no longer uses. One bad entry refuses the whole batch.
TEST(UrlCache, ABatchAddsEverythingInOrderOrNothing) {
    TempWorld w;
    std::ofstream(CacheFile("Content.IE5\\old.htm")) << "old";
    ASSERT_TRUE(CommitUrlCacheEntryA("http://a/", "Content.IE5\\old.htm", NORMAL_CACHE_ENTRY));
    ASSERT_TRUE(CommitUrlCacheEntries({{"http://b/", "", COOKIE_CACHE_ENTRY},
                                       {"http://a/", "", NORMAL_CACHE_ENTRY},
                                       {"http://c/", "", NORMAL_CACHE_ENTRY}}));
    EXPECT_EQ(WalkUrls(), (std::vector<std::string>{"http://a/", "http://b/", "http://c/"}));
    EXPECT_FALSE(fs::exists(CacheFile("Content.IE5\\old.htm")));

    EXPECT_FALSE(CommitUrlCacheEntries({{"http://d/", "", NORMAL_CACHE_ENTRY},
                                        {"http://e/", "..\\..\\escape", NORMAL_CACHE_ENTRY}}));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(CommitUrlCacheEntries({{std::string("http://f/\0g", 11), "", 1}}));
    EXPECT_EQ(WalkUrls(), (std::vector<std::string>{"http://a/", "http://b/", "http://c/"}));
}

// The change count moves with every change of this process and of any other, and stays put
// while nothing changes, so a list may keep what it showed exactly as long as it is current.
TEST(UrlCache, TheChangeCountMovesWithEveryChangeAndOnlyThen) {
    TempWorld w;
    std::uint64_t before = 0, after = 0;
    ASSERT_TRUE(UrlCacheChangeCount(before));
    ASSERT_TRUE(UrlCacheChangeCount(after));
    EXPECT_EQ(after, before);
    WalkUrls();
    ASSERT_TRUE(UrlCacheChangeCount(after));
    EXPECT_EQ(after, before);

    const auto moves = [](const std::function<void()>& change) {
        std::uint64_t a = 0, b = 0;
        EXPECT_TRUE(UrlCacheChangeCount(a));
        change();
        EXPECT_TRUE(UrlCacheChangeCount(b));
        return a != b;
    };
    EXPECT_TRUE(moves([] { CommitUrlCacheEntryA("http://a/", nullptr, NORMAL_CACHE_ENTRY); }));
    EXPECT_TRUE(moves([] { CommitUrlCacheEntryA("http://a/", nullptr, COOKIE_CACHE_ENTRY); }));
    EXPECT_TRUE(moves([] { DeleteUrlCacheEntryA("http://a/"); }));
    EXPECT_TRUE(moves([] {
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(corvane::world::UrlCacheFile().c_str(), &other), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(other, "INSERT INTO entries(url, type) VALUES('http://x/', 1)",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(other);
    }));
    EXPECT_EQ(WalkUrls(), (std::vector<std::string>{"http://x/"}));
    EXPECT_FALSE(moves([] { WalkUrls(); }));
    {
        // Another world has another store.
        TempWorld other;
        std::uint64_t count = 0;
        ASSERT_TRUE(UrlCacheChangeCount(count));
        EXPECT_NE(count, after);
    }
}

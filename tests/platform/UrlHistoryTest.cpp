#include "platform/urlhistory.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cerrno>

#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace corvane::platform;
using corvane::testing::TempWorld;

namespace {

std::unique_ptr<IUrlHistoryStg2> OpenStore() {
    std::unique_ptr<IUrlHistoryStg2> store;
    EXPECT_EQ(IUrlHistoryStg2::Create(store), S_OK);
    return store;
}

std::string Text(const CoTaskText& t) {
    return t.Get() ? t.Get() : "<null>";
}

// Every record the filter lets through, as "url|title".
std::vector<std::string> List(IUrlHistoryStg2& store, std::string_view prefix = "",
                              DWORD flags = 0) {
    std::unique_ptr<IEnumSTATURL> e;
    EXPECT_EQ(store.EnumUrls(e), S_OK);
    EXPECT_EQ(e->SetFilter(prefix, flags), S_OK);
    std::vector<std::string> out;
    STATURL record;
    std::uint32_t fetched = 0;
    while (e->Next(1, &record, &fetched) == S_OK && fetched == 1)
        out.push_back(Text(record.pwcsUrl) + "|" + Text(record.pwcsTitle));
    return out;
}

// Makes the given number of the store's file reads, after `successes` more that succeed, fail
// as a disk would (EIO), through the hook SQLite offers for its system calls; restores the
// real read when it ends.
class ReadFailure {
public:
    ReadFailure(int successes, int failures) {
        successes_ = successes;
        failures_ = failures;
        vfs_ = sqlite3_vfs_find(nullptr);
        for (const char* name : {"pread", "pread64"}) {
            if (sqlite3_syscall_ptr real = vfs_->xGetSystemCall(vfs_, name)) {
                (std::string(name) == "pread" ? realPread_ : realPread64_) = real;
                vfs_->xSetSystemCall(vfs_, name,
                                     std::string(name) == "pread"
                                         ? reinterpret_cast<sqlite3_syscall_ptr>(&Pread)
                                         : reinterpret_cast<sqlite3_syscall_ptr>(&Pread64));
            }
        }
    }
    ~ReadFailure() {
        if (realPread_)
            vfs_->xSetSystemCall(vfs_, "pread", realPread_);
        if (realPread64_)
            vfs_->xSetSystemCall(vfs_, "pread64", realPread64_);
        realPread_ = realPread64_ = nullptr;
    }
    /// How many reads were made to fail.
    static int Failed() { return failed_; }

private:
    static bool FailNow() {
        if (successes_ > 0) {
            --successes_;
            return false;
        }
        if (failures_ == 0)
            return false;
        --failures_;
        ++failed_;
        errno = EIO;
        return true;
    }
    static ssize_t Pread(int fd, void* buffer, size_t size, off_t offset) {
        using Real = ssize_t (*)(int, void*, size_t, off_t);
        return FailNow() ? -1 : reinterpret_cast<Real>(realPread_)(fd, buffer, size, offset);
    }
    static ssize_t Pread64(int fd, void* buffer, size_t size, off64_t offset) {
        using Real = ssize_t (*)(int, void*, size_t, off64_t);
        return FailNow() ? -1 : reinterpret_cast<Real>(realPread64_)(fd, buffer, size, offset);
    }

    sqlite3_vfs* vfs_ = nullptr;
    static inline sqlite3_syscall_ptr realPread_ = nullptr;
    static inline sqlite3_syscall_ptr realPread64_ = nullptr;
    static inline int successes_ = 0;
    static inline int failures_ = 0;
    static inline int failed_ = 0;
};

struct AllocationFailure {
    explicit AllocationFailure(int successes) { SetCoTaskMemFailureForTesting(successes); }
    ~AllocationFailure() { SetCoTaskMemFailureForTesting(-1); }
};

} // namespace

TEST(UrlHistory, EmptyStoreEndsAtOnce) {
    TempWorld w;
    auto store = OpenStore();
    std::unique_ptr<IEnumSTATURL> e;
    ASSERT_EQ(store->EnumUrls(e), S_OK);
    STATURL record;
    std::uint32_t fetched = 7;
    EXPECT_EQ(e->Next(1, &record, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(record.pwcsUrl.Get(), nullptr);
}

TEST(UrlHistory, OneRowPerUrlInVisitOrderWithTitlesOrNone) {
    TempWorld w;
    auto store = OpenStore();
    ASSERT_EQ(store->AddUrl("http://a/", "Page A", 0), S_OK);
    ASSERT_EQ(store->AddUrl("http://b/", "", 0), S_OK);
    ASSERT_EQ(store->AddUrl("http://c/", "Page C", 0), S_OK);
    ASSERT_EQ(store->AddUrl("http://a/", "Page A again", 0), S_OK);
    EXPECT_EQ(List(*store), (std::vector<std::string>{"http://a/|Page A again", "http://b/|<null>",
                                                      "http://c/|Page C"}));
    EXPECT_EQ(
        List(*store, "", STATURL_QUERYFLAG_NOTITLE),
        (std::vector<std::string>{"http://a/|<null>", "http://b/|<null>", "http://c/|<null>"}));
    EXPECT_EQ(store->AddUrl("", "x", 0), E_INVALIDARG);
    EXPECT_EQ(store->AddUrl(std::string("http://n/\0", 10), "x", 0), E_INVALIDARG);
}

TEST(UrlHistory, FilterLetsThroughTheUrlsThatStartWithThePrefix) {
    TempWorld w;
    auto store = OpenStore();
    for (const char* url : {"http://news.example/1", "https://news.example/",
                            "http://news.example/2", "http://NEWS.example/3", "ftp://files/"})
        ASSERT_EQ(store->AddUrl(url, "", 0), S_OK);
    EXPECT_EQ(
        List(*store, "http://news."),
        (std::vector<std::string>{"http://news.example/1|<null>", "http://news.example/2|<null>"}));
    EXPECT_EQ(List(*store, "gopher:").size(), 0u);
    EXPECT_EQ(List(*store, "").size(), 5u);
}

TEST(UrlHistory, NextFillsSeveralRecordsAndChecksItsArguments) {
    TempWorld w;
    auto store = OpenStore();
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(store->AddUrl("http://h/" + std::to_string(i), "T" + std::to_string(i), 0), S_OK);
    std::unique_ptr<IEnumSTATURL> e;
    ASSERT_EQ(store->EnumUrls(e), S_OK);
    STATURL records[3];
    std::uint32_t fetched = 0;
    EXPECT_EQ(e->Next(3, records, nullptr), E_INVALIDARG);
    EXPECT_EQ(e->Next(1, nullptr, &fetched), E_POINTER);
    EXPECT_EQ(e->Next(3, records, &fetched), S_OK);
    EXPECT_EQ(fetched, 3u);
    EXPECT_EQ(Text(records[2].pwcsUrl), "http://h/2");
    EXPECT_EQ(e->Next(3, records, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(Text(records[1].pwcsTitle), "T4");
    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Next(1, records, nullptr), S_OK);
    EXPECT_EQ(Text(records[0].pwcsUrl), "http://h/0");
}

TEST(UrlHistory, DeleteAndClearWithDeletionsDuringAWalk) {
    TempWorld w;
    auto store = OpenStore();
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(store->AddUrl("http://d/" + std::to_string(i), "", 0), S_OK);
    std::unique_ptr<IEnumSTATURL> e;
    ASSERT_EQ(store->EnumUrls(e), S_OK);
    STATURL record;
    std::vector<std::string> seen;
    while (e->Next(1, &record, nullptr) == S_OK) {
        seen.push_back(record.pwcsUrl.Get());
        const int n = std::stoi(seen.back().substr(9));
        EXPECT_EQ(store->DeleteUrl(seen.back(), 0), S_OK);
        if (n % 2 == 0) {
            EXPECT_EQ(store->DeleteUrl("http://d/" + std::to_string(n + 1), 0), S_OK);
        }
    }
    ASSERT_EQ(seen.size(), 50u);
    EXPECT_EQ(seen.back(), "http://d/98");
    EXPECT_EQ(store->DeleteUrl("http://d/98", 0), S_FALSE);
    EXPECT_EQ(store->DeleteUrl("", 0), E_INVALIDARG);

    ASSERT_EQ(store->AddUrl("http://x/", "X", 0), S_OK);
    ASSERT_EQ(store->AddUrl("http://y/", "Y", 0), S_OK);
    EXPECT_EQ(store->ClearHistory(), S_OK);
    EXPECT_TRUE(List(*store).empty());
}

TEST(UrlHistory, TextsOfAnyBytesRoundTripAndEveryTextIsFreedOnce) {
    TempWorld w;
    auto store = OpenStore();
    const std::string url = "http://exämple.com/a b\"c'?" + std::string(3974, 'q') + "\xff";
    const std::string title = "Ünïcode \"quoted\" title\x80";
    ASSERT_EQ(store->AddUrl(url, title, 0), S_OK);
    const auto allocs = CoTaskMemAllocations();
    const auto frees = CoTaskMemFrees();
    {
        std::unique_ptr<IEnumSTATURL> e;
        ASSERT_EQ(store->EnumUrls(e), S_OK);
        STATURL record;
        ASSERT_EQ(e->Next(1, &record, nullptr), S_OK);
        EXPECT_EQ(std::string(record.pwcsUrl.Get()), url);
        EXPECT_EQ(std::string(record.pwcsTitle.Get()), title);
        // Moving hands the texts over; the record left behind frees nothing.
        STATURL moved = std::move(record);
        EXPECT_EQ(record.pwcsUrl.Get(), nullptr);
        record = std::move(moved);
        EXPECT_EQ(CoTaskMemAllocations() - allocs, 2u);
        EXPECT_EQ(CoTaskMemFrees() - frees, 0u);
    }
    EXPECT_EQ(CoTaskMemFrees() - frees, 2u);
    EXPECT_EQ(CoTaskMemAllocations() - allocs, 2u);
}

TEST(UrlHistory, AllocationFailureIsReportedAndTheWalkResumesAtTheSameRecord) {
    TempWorld w;
    auto store = OpenStore();
    ASSERT_EQ(store->AddUrl("http://1/", "one", 0), S_OK);
    ASSERT_EQ(store->AddUrl("http://2/", "two", 0), S_OK);
    std::unique_ptr<IEnumSTATURL> e;
    ASSERT_EQ(store->EnumUrls(e), S_OK);
    STATURL records[2];
    std::uint32_t fetched = 0;
    const auto frees = CoTaskMemFrees();
    const auto allocs = CoTaskMemAllocations();
    {
        AllocationFailure fail(3); // the second record's title cannot be had
        EXPECT_EQ(e->Next(2, records, &fetched), E_OUTOFMEMORY);
    }
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(Text(records[0].pwcsTitle), "one");
    EXPECT_EQ(records[1].pwcsUrl.Get(), nullptr); // its URL was given back
    EXPECT_EQ(CoTaskMemAllocations() - allocs - (CoTaskMemFrees() - frees), 2u);
    EXPECT_EQ(e->Next(1, &records[1], nullptr), S_OK);
    EXPECT_EQ(Text(records[1].pwcsUrl), "http://2/");
}

TEST(UrlHistory, DamagedStoreFileIsMovedAsideAndAFreshOneServes) {
    TempWorld w;
    TempWorld::Write(corvane::world::UrlHistoryFile(),
                     "this is not a database" + std::string(5000, '!'));
    testing::internal::CaptureStderr();
    auto store = OpenStore();
    testing::internal::GetCapturedStderr();
    ASSERT_TRUE(store);
    EXPECT_TRUE(List(*store).empty());
    EXPECT_EQ(store->AddUrl("http://fresh/", "", 0), S_OK);
    EXPECT_EQ(List(*store).size(), 1u);
    int damaged = 0;
    for (const auto& f : fs::directory_iterator(w.Prefix()))
        damaged += f.path().filename().string().find("urlhistory.sqlite.damaged-") == 0;
    EXPECT_EQ(damaged, 1);
}

// A batch of visits is one change: in order, a URL seen again updated in place, and a bad
// visit refuses the whole batch.
TEST(UrlHistory, ABatchOfVisitsGoesInWholeOrNotAtAll) {
    TempWorld w;
    auto store = OpenStore();
    ASSERT_EQ(store->AddUrl("http://a/", "A", 0), S_OK);
    ASSERT_EQ(store->AddUrls({{"http://b/", ""}, {"http://a/", "A again"}, {"http://c/", "C"}}),
              S_OK);
    EXPECT_EQ(List(*store),
              (std::vector<std::string>{"http://a/|A again", "http://b/|<null>", "http://c/|C"}));
    EXPECT_EQ(store->AddUrls({{"http://d/", "D"}, {"", "empty"}}), E_INVALIDARG);
    EXPECT_EQ(store->AddUrls({{"http://e/", std::string("E\0F", 3)}}), E_INVALIDARG);
    EXPECT_EQ(List(*store).size(), 3u);
}

// Large batches are read straight from the store, small ones through a page read ahead; a walk
// that mixes them, with deletions and a filter, hands out every remaining URL once and in order,
// and a large batch that runs out of memory resumes at the record it could not fill.
TEST(UrlHistory, LargeAndSmallBatchesMixWithoutGapsOrRepeats) {
    TempWorld w;
    auto store = OpenStore();
    std::vector<IUrlHistoryStg2::Visit> visits;
    for (int i = 0; i < 5000; ++i)
        visits.push_back({(i % 5 == 0 ? "http://odd/" : "http://even/") + std::to_string(i),
                          i % 3 == 0 ? "" : "T" + std::to_string(i)});
    ASSERT_EQ(store->AddUrls(visits), S_OK);

    std::unique_ptr<IEnumSTATURL> e;
    ASSERT_EQ(store->EnumUrls(e), S_OK);
    ASSERT_EQ(e->SetFilter("http://even/", 0), S_OK);
    std::vector<STATURL> records(3000);
    std::vector<std::string> seen;
    auto take = [&](std::uint32_t count) {
        std::uint32_t fetched = 0;
        const HRESULT hr = e->Next(count, records.data(), &fetched);
        for (std::uint32_t i = 0; i < fetched; ++i)
            seen.push_back(Text(records[i].pwcsUrl) + "|" + Text(records[i].pwcsTitle));
        return hr;
    };
    EXPECT_EQ(take(1), S_OK);
    EXPECT_EQ(take(5), S_OK);
    EXPECT_EQ(take(1500), S_OK);
    {
        AllocationFailure fail(7); // seven texts: a few records fill, then one cannot
        std::uint32_t fetched = 0;
        EXPECT_EQ(e->Next(2000, records.data(), &fetched), E_OUTOFMEMORY);
        EXPECT_GE(fetched, 3u);
        EXPECT_LE(fetched, 6u);
        for (std::uint32_t i = 0; i < fetched; ++i)
            seen.push_back(Text(records[i].pwcsUrl) + "|" + Text(records[i].pwcsTitle));
    }
    // Deleted while the walk is between batches: one URL already handed out, one still ahead.
    EXPECT_EQ(store->DeleteUrl("http://even/2", 0), S_OK);
    EXPECT_EQ(store->DeleteUrl("http://even/2998", 0), S_OK);
    EXPECT_EQ(take(2), S_OK);
    EXPECT_EQ(take(3000), S_FALSE);
    // A visit recorded after the walk reached the end comes next, and only it.
    ASSERT_EQ(store->AddUrl("http://even/late", "Late", 0), S_OK);
    EXPECT_EQ(take(2000), S_FALSE);

    std::vector<std::string> expected;
    for (int i = 0; i < 5000; ++i)
        if (i % 5 != 0 && i != 2998)
            expected.push_back("http://even/" + std::to_string(i) + "|" +
                               (i % 3 == 0 ? "<null>" : "T" + std::to_string(i)));
    expected.push_back("http://even/late|Late");
    EXPECT_EQ(seen, expected);
}

// The store's file fails to read part-way through a large batch: the batch reports the failure
// with the records it filled, and once the file reads again the walk goes on after them, with
// no record repeated or lost. A store that cannot even say where the walk stood ends the walk.
TEST(UrlHistory, AReadFailurePartWayThroughABatchResumesAfterTheLastRecordFilled) {
    TempWorld w;
    std::vector<IUrlHistoryStg2::Visit> visits;
    std::vector<std::string> expected;
    for (int i = 0; i < 4000; ++i) {
        visits.push_back({"http://r/" + std::to_string(i), std::string(1000, 'p')});
        expected.push_back(visits.back().url);
    }
    ASSERT_EQ(OpenStore()->AddUrls(visits), S_OK);

    for (const bool lasting : {false, true}) {
        // The rows fill more than the store keeps in memory, so a walk from the start reads
        // its pages from the file.
        auto store = OpenStore();
        std::unique_ptr<IEnumSTATURL> e;
        ASSERT_EQ(store->EnumUrls(e), S_OK);
        std::vector<STATURL> records(4000);
        std::vector<std::string> seen;
        std::uint32_t fetched = 0;
        {
            ReadFailure fail(40, lasting ? 1000000 : 1);
            EXPECT_EQ(e->Next(4000, records.data(), &fetched), E_FAIL);
            EXPECT_GT(ReadFailure::Failed(), 0);
        }
        EXPECT_GT(fetched, 0u);
        EXPECT_LT(fetched, 4000u);
        for (std::uint32_t i = 0; i < fetched; ++i)
            seen.push_back(Text(records[i].pwcsUrl));
        const HRESULT rest = e->Next(4000, records.data(), &fetched);
        EXPECT_EQ(rest, S_FALSE);
        for (std::uint32_t i = 0; i < fetched; ++i)
            seen.push_back(Text(records[i].pwcsUrl));
        if (lasting)
            EXPECT_EQ(seen,
                      std::vector<std::string>(expected.begin(), expected.begin() + seen.size()));
        else
            EXPECT_EQ(seen, expected);
    }
}

// A walk in large batches keeps its query open between batches. Anything else that uses the
// store ends that query first: another walk, a deletion (through this store object or another
// one), emptying the store's log; the walks go on where they were, and an enumerator that ends
// mid-walk leaves no read open behind it.
TEST(UrlHistory, AWalkInLargeBatchesGivesWayToEverythingElseThatUsesTheStore) {
    TempWorld w;
    auto store = OpenStore();
    auto other = OpenStore();
    std::vector<IUrlHistoryStg2::Visit> visits;
    for (int i = 0; i < 5000; ++i)
        visits.push_back({"http://w/" + std::to_string(i), ""});
    ASSERT_EQ(store->AddUrls(visits), S_OK);

    std::unique_ptr<IEnumSTATURL> a, b;
    ASSERT_EQ(store->EnumUrls(a), S_OK);
    ASSERT_EQ(store->EnumUrls(b), S_OK);
    std::vector<STATURL> records(1024);
    auto take = [&](IEnumSTATURL& e, std::vector<std::string>& seen) {
        std::uint32_t fetched = 0;
        const HRESULT hr = e.Next(1024, records.data(), &fetched);
        for (std::uint32_t i = 0; i < fetched; ++i)
            seen.push_back(Text(records[i].pwcsUrl));
        return hr;
    };
    std::vector<std::string> seenA, seenB;
    EXPECT_EQ(take(*a, seenA), S_OK);
    EXPECT_EQ(take(*b, seenB), S_OK);
    EXPECT_EQ(take(*a, seenA), S_OK);
    // A walk one record at a time reads pages through the same statements.
    std::unique_ptr<IEnumSTATURL> single;
    ASSERT_EQ(store->EnumUrls(single), S_OK);
    STATURL one;
    ASSERT_EQ(single->Next(1, &one, nullptr), S_OK);
    EXPECT_EQ(Text(one.pwcsUrl), "http://w/0");
    EXPECT_EQ(take(*a, seenA), S_OK);
    // The log can be emptied while both walks are part-way.
    EXPECT_EQ(store->FlushErased(), S_OK);
    EXPECT_EQ(store->DeleteUrl("http://w/3500", 0), S_OK);
    EXPECT_EQ(take(*a, seenA), S_OK);
    EXPECT_EQ(other->DeleteUrl("http://w/4500", 0), S_OK);
    while (take(*a, seenA) == S_OK) {
    }
    while (take(*b, seenB) == S_OK) {
    }
    std::vector<std::string> expected;
    for (int i = 0; i < 5000; ++i)
        if (i != 3500 && i != 4500)
            expected.push_back("http://w/" + std::to_string(i));
    EXPECT_EQ(seenA.size(), expected.size());
    EXPECT_TRUE(seenA == expected);
    EXPECT_EQ(seenB.size(), expected.size());
    EXPECT_TRUE(seenB == expected);

    // An enumerator that ends part-way leaves the log free to be emptied.
    std::unique_ptr<IEnumSTATURL> c;
    ASSERT_EQ(store->EnumUrls(c), S_OK);
    std::vector<std::string> seenC;
    EXPECT_EQ(take(*c, seenC), S_OK);
    EXPECT_EQ(other->DeleteUrl("http://w/1", 0), S_OK); // the log has something to empty
    c.reset();
    EXPECT_EQ(other->FlushErased(), S_OK);
}

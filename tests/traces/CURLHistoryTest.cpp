#include "traces/CURLHistory.h"

#include "support/Corvanectl.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

#include <limits>

using corvane::CURLHistory;
using corvane::testing::TempWorld;
using namespace corvane::platform;

namespace {

void Seed(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::unique_ptr<IUrlHistoryStg2> store;
    ASSERT_EQ(IUrlHistoryStg2::Create(store), S_OK);
    for (const auto& [url, title] : entries)
        ASSERT_EQ(store->AddUrl(url, title, 0), S_OK);
}

std::vector<std::string> Urls(const CURLHistory& history) {
    std::vector<std::string> urls;
    for (const auto& item : history.NewEnum())
        urls.push_back(item->Url());
    return urls;
}

std::vector<std::string> StoreUrls() {
    return Urls(CURLHistory());
}

const std::vector<std::pair<std::string, std::string>> kThree = {
    {"http://a.example/", "Alpha"}, {"http://b.example/", ""}, {"http://c.example/", "Gamma"}};

} // namespace

TEST(CURLHistory, EmptyHistoryGivesAnEmptyCollection) {
    TempWorld w;
    CURLHistory history;
    EXPECT_EQ(history.Status(), S_OK);
    EXPECT_EQ(history.Count(), 0);
    EXPECT_TRUE(Urls(history).empty());
    CURLHistory::ItemPtr item;
    EXPECT_EQ(history.Item(1, item), DISP_E_BADINDEX);
    EXPECT_FALSE(item);
}

TEST(CURLHistory, CreationHoldsTheWholeHistoryWithTitlesOrTheNoTitleText) {
    TempWorld w;
    Seed(kThree);
    CURLHistory history;
    ASSERT_EQ(history.Count(), 3);
    CURLHistory::ItemPtr item;
    ASSERT_EQ(history.Item(1, item), S_OK);
    EXPECT_EQ(item->Url(), "http://a.example/");
    EXPECT_EQ(item->Title(), "Alpha");
    ASSERT_EQ(history.Item(2, item), S_OK);
    EXPECT_EQ(item->Title(), "     (No Title Given)");
    ASSERT_EQ(history.Item(3, item), S_OK);
    EXPECT_EQ(item->Url(), "http://c.example/");
}

TEST(CURLHistory, RefreshWithAPrefixHoldsOnlyWhatTheFilterLetsThrough) {
    TempWorld w;
    Seed(kThree);
    CURLHistory history;
    EXPECT_EQ(history.Refresh("http://b.", 0), S_OK);
    EXPECT_EQ(Urls(history), std::vector<std::string>{"http://b.example/"});
    EXPECT_EQ(history.Refresh("", 0), S_OK);
    EXPECT_EQ(history.Count(), 3);
}

TEST(CURLHistory, RemoveDeletesFromTheStoreAndMovesLaterItemsUp) {
    TempWorld w;
    Seed(kThree);
    CURLHistory history;
    ASSERT_EQ(history.Remove(1), S_OK);
    EXPECT_EQ(Urls(history), (std::vector<std::string>{"http://b.example/", "http://c.example/"}));
    EXPECT_EQ(StoreUrls(), Urls(history));
    ASSERT_EQ(history.Remove(2), S_OK);
    EXPECT_EQ(StoreUrls(), std::vector<std::string>{"http://b.example/"});
}

TEST(CURLHistory, PositionsOutsideTheCollectionAreErrorsThatChangeNothing) {
    TempWorld w;
    Seed(kThree);
    CURLHistory history;
    for (const std::int32_t bad : {0, -1, 4, std::numeric_limits<std::int32_t>::min()}) {
        CURLHistory::ItemPtr item;
        EXPECT_EQ(history.Item(bad, item), DISP_E_BADINDEX) << bad;
        EXPECT_EQ(history.Remove(bad), DISP_E_BADINDEX) << bad;
    }
    EXPECT_EQ(history.Count(), 3);
    EXPECT_EQ(StoreUrls().size(), 3u);
}

TEST(CURLHistory, DeleteUrlAndClearReachTheStoreAndRefresh) {
    TempWorld w;
    Seed(kThree);
    CURLHistory history;
    EXPECT_EQ(history.DeleteURL("http://c.example/", 0), S_OK);
    EXPECT_EQ(Urls(history), (std::vector<std::string>{"http://a.example/", "http://b.example/"}));
    EXPECT_EQ(history.DeleteURL("", 0), E_INVALIDARG);
    EXPECT_EQ(history.Count(), 2);

    // Another program adds a visit; Clear still empties both.
    Seed({{"http://late.example/", "Late"}});
    history.Clear();
    EXPECT_EQ(history.Count(), 0);
    EXPECT_TRUE(StoreUrls().empty());
}

TEST(CURLHistory, ItemsFreeTheirTextsOnceAndOutliveARefreshWhileHeld) {
    TempWorld w;
    Seed(kThree);
    const auto allocs = CoTaskMemAllocations();
    const auto frees = CoTaskMemFrees();
    CURLHistory::ItemPtr held;
    {
        CURLHistory history;
        // Two texts per titled entry, one for the untitled one.
        EXPECT_EQ(CoTaskMemAllocations() - allocs, 5u);
        ASSERT_EQ(history.Item(3, held), S_OK);
        ASSERT_EQ(history.Refresh("", 0), S_OK);
        EXPECT_EQ(CoTaskMemFrees() - frees, 3u); // items 1 and 2 ended; 3 is still held
        EXPECT_EQ(held->Title(), "Gamma");
    }
    EXPECT_EQ(CoTaskMemAllocations() - allocs, 10u);
    EXPECT_EQ(CoTaskMemFrees() - frees, 8u);
    held.reset();
    EXPECT_EQ(CoTaskMemFrees() - frees, 10u);
}

TEST(CURLHistory, RefreshThatFailsPartWayKeepsWhatItAppended) {
    TempWorld w;
    Seed(kThree);
    CURLHistory history;
    SetCoTaskMemFailureForTesting(3); // item 1 (two texts) and item 2 (one) fit, item 3 does not
    const HRESULT hr = history.Refresh("", 0);
    SetCoTaskMemFailureForTesting(-1);
    EXPECT_EQ(hr, E_OUTOFMEMORY);
    EXPECT_EQ(Urls(history), (std::vector<std::string>{"http://a.example/", "http://b.example/"}));
}

// A refresh refills the items nobody else holds; one a caller holds keeps what it showed, and
// the collection still lists the store's entries in order, with their own titles (an untitled
// entry in the place of a titled one included), as it grows and shrinks.
TEST(CURLHistory, RefreshLeavesHeldItemsAsTheyWereAndListsTheStoreInOrder) {
    const std::string kNoTitle = "     (No Title Given)";
    TempWorld w;
    Seed(kThree);
    CURLHistory history;
    CURLHistory::ItemPtr held;
    ASSERT_EQ(history.Item(2, held), S_OK);
    ASSERT_EQ(history.DeleteURL("http://a.example/", 0), S_OK);
    Seed({{"http://d.example/", "Delta"}, {"http://e.example/", "Echo"}});
    ASSERT_EQ(history.Refresh("", 0), S_OK);
    EXPECT_EQ(held->Url(), "http://b.example/");
    EXPECT_EQ(held->Title(), kNoTitle);
    EXPECT_EQ(Urls(history), (std::vector<std::string>{"http://b.example/", "http://c.example/",
                                                       "http://d.example/", "http://e.example/"}));
    std::vector<std::string> titles;
    for (const auto& item : history.NewEnum())
        titles.push_back(item->Title());
    EXPECT_EQ(titles, (std::vector<std::string>{kNoTitle, "Gamma", "Delta", "Echo"}));
    CURLHistory::ItemPtr first;
    ASSERT_EQ(history.Item(1, first), S_OK);
    EXPECT_NE(first, held) << "a held item is not handed out again as another entry";

    ASSERT_EQ(history.Refresh("http://d", 0), S_OK);
    EXPECT_EQ(Urls(history), (std::vector<std::string>{"http://d.example/"}));
    EXPECT_EQ(held->Url(), "http://b.example/");
}

// The store's connection keeps what it read between two refreshes; a change another program made
// in between is still what the next refresh lists.
TEST(CURLHistory, ARefreshListsWhatAnotherProgramChangedSinceTheLast) {
    TempWorld w;
    std::vector<IUrlHistoryStg2::Visit> visits;
    for (int i = 0; i < 3000; ++i)
        visits.push_back({"http://site.example/page/" + std::to_string(i), "Page"});
    {
        std::unique_ptr<IUrlHistoryStg2> store;
        ASSERT_EQ(IUrlHistoryStg2::Create(store), S_OK);
        ASSERT_EQ(store->AddUrls(visits), S_OK);
    }
    CURLHistory history;
    ASSERT_EQ(history.Count(), 3000);
    ASSERT_EQ(history.Refresh("", 0), S_OK);
    ASSERT_EQ(corvane::testing::RunCorvanectl({"history", "clear"}).exitCode, 0);
    ASSERT_EQ(corvane::testing::RunCorvanectl({"history", "add", "http://late.example/"}).exitCode,
              0);
    ASSERT_EQ(history.Refresh("", 0), S_OK);
    EXPECT_EQ(Urls(history), std::vector<std::string>{"http://late.example/"});
}

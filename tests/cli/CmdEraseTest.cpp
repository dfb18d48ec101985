#include "platform/registry.h"
#include "support/Corvanectl.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

using namespace corvane::platform;
using corvane::testing::RunCorvanectl;
using corvane::testing::TempWorld;

// Each word runs its eraser on the world's hive: the list it names goes, the others stay.
TEST(CmdErase, EachWordRunsItsEraser) {
    TempWorld w;
    const std::pair<const char*, const char*> lists[] = {
        {"typed", "Software\\Microsoft\\Internet Explorer\\TypedURLs"},
        {"run", "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU"},
        {"find", "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Doc Find Spec MRU"},
        {"recent", "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs"},
        {"media", "Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList"},
        {"paint", "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List"},
    };
    // One value each eraser removes: the first numbered entry, or the letter list.
    auto first = [](const std::string& word) -> const char* {
        if (word == "typed")
            return "url1";
        if (word == "media")
            return "File0";
        if (word == "paint")
            return "File1";
        return "MRUList";
    };
    for (const auto& [word, path] : lists) {
        const std::string value = std::string("a") + '\0';
        RegKey key;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path, key.Out()), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key.Get(), first(word), 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(value.data()), 2),
                  ERROR_SUCCESS);
    }
    for (size_t i = 0; i < std::size(lists); ++i) {
        const auto r = RunCorvanectl({"erase", lists[i].first});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        for (size_t j = 0; j < std::size(lists); ++j) {
            RegKey key;
            ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, lists[j].second, key.Out()), ERROR_SUCCESS);
            const LONG rc = RegQueryValueExA(key.Get(), first(lists[j].first), nullptr, nullptr,
                                             nullptr, nullptr);
            EXPECT_EQ(rc, j <= i ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS)
                << "after erase " << lists[i].first << ": " << lists[j].first;
        }
    }
}

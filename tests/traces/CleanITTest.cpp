#include "traces/CleanIT.h"

#include "platform/world.h"
#include "support/TempWorld.h"
#include "traces/RegRWModule.h"
#include "traces/modNormalisePath.h"

#include <gtest/gtest.h>

#include <set>

using namespace corvane;
using namespace corvane::platform;
using corvane::testing::TempWorld;
namespace fs = std::filesystem;

namespace {

constexpr const char* kTyped = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";
constexpr const char* kFind =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Doc Find Spec MRU";
constexpr const char* kRecent =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs";
constexpr const char* kMedia = "Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList";
constexpr const char* kPaint =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List";

void Put(const char* keyPath, const std::string& name, DWORD type, const std::string& data) {
    RegKey key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, keyPath, key.Out()), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.Get(), name.c_str(), 0, type,
                             reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
}

// A string value as the programs that keep these lists write it, with its terminating NUL.
void PutText(const char* keyPath, const std::string& name, const std::string& text) {
    Put(keyPath, name, REG_SZ, text + '\0');
}

void PutNumbered(const char* keyPath, const std::string& prefix, int from, int to) {
    for (int n = from; n <= to; ++n)
        PutText(keyPath, prefix + std::to_string(n), "entry " + std::to_string(n));
}

std::set<std::string> Names(const char* keyPath) {
    RegKey key;
    std::set<std::string> names;
    if (RegOpenKeyA(HKEY_CURRENT_USER, keyPath, key.Out()) != ERROR_SUCCESS)
        return names;
    std::vector<RegValue> values;
    EXPECT_EQ(RegListValues(key.Get(), values), ERROR_SUCCESS);
    for (const auto& v : values)
        names.insert(v.name);
    return names;
}

} // namespace

TEST(GetRegString, ReadsOnlyStringValuesUpToTheFirstNul) {
    TempWorld w;
    const char* key = "Software\\Corvane Test";
    Put(key, "Terminated", REG_SZ, std::string("text\0", 5));
    Put(key, "Bare", REG_SZ, "no terminator");
    Put(key, "Inner", REG_SZ, std::string("first\0second\0", 13));
    Put(key, "Empty", REG_SZ, "");
    Put(key, "JustNul", REG_SZ, std::string("\0", 1));
    Put(key, "Number", REG_DWORD, std::string("\x05\0\0\0", 4));
    Put(key, "Blob", REG_BINARY, "abc");
    Put(key, "Expand", REG_EXPAND_SZ, std::string("%TEMP%\0", 7));

    EXPECT_EQ(CleanIT::GetRegString(HKEY_CURRENT_USER, key, "Terminated"), "text");
    EXPECT_EQ(CleanIT::GetRegString(HKEY_CURRENT_USER, key, "Bare"), "no terminator");
    EXPECT_EQ(CleanIT::GetRegString(HKEY_CURRENT_USER, key, "Inner"), "first");
    EXPECT_EQ(CleanIT::GetRegString(HKEY_CURRENT_USER, key, "Empty"), "");
    EXPECT_EQ(CleanIT::GetRegString(HKEY_CURRENT_USER, key, "JustNul"), "");
    EXPECT_EQ(CleanIT::GetRegString(HKEY_CURRENT_USER, key, "Number"), "");
    EXPECT_EQ(CleanIT::GetRegString(HKEY_CURRENT_USER, key, "Blob"), "");
    EXPECT_EQ(CleanIT::GetRegString(HKEY_CURRENT_USER, key, "Expand"), "");
    EXPECT_EQ(CleanIT::GetRegString(HKEY_CURRENT_USER, key, "Missing"), "");
    EXPECT_EQ(CleanIT::GetRegString(HKEY_CURRENT_USER, "Software\\No Such Key", "Bare"), "");
    EXPECT_EQ(CleanIT::GetRegString(HKEY_LOCAL_MACHINE, key, "Bare"), "");
    // Names match without regard to case.
    EXPECT_EQ(CleanIT::GetRegString(HKEY_CURRENT_USER, "SOFTWARE\\corvane test", "bare"),
              "no terminator");
}

TEST(GetRegString, ReadsLongValuesWhole) {
    TempWorld w;
    const std::string big(70000, 'x');
    Put("Software\\Corvane Test", "Big", REG_SZ, big);
    EXPECT_EQ(CleanIT::GetRegString(HKEY_CURRENT_USER, "Software\\Corvane Test", "Big"), big);
}

TEST(RegRWModule, SaveCreatesTheKeyAndStoresTextWithoutNul) {
    TempWorld w;
    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    RegRWModule::SaveRegString(HKEY_CURRENT_USER, key, "Quenrel", "C:\\Prog\\Quenrel.exe -min");
    RegKey handle;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, key, handle.Out()), ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExA(handle.Get(), "Quenrel", nullptr, &type, nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, std::string("C:\\Prog\\Quenrel.exe -min").size());
    EXPECT_EQ(CleanIT::GetRegString(HKEY_CURRENT_USER, key, "Quenrel"),
              "C:\\Prog\\Quenrel.exe -min");

    // An empty text is an empty value, not a missing one; multibyte text keeps every byte.
    RegRWModule::SaveRegString(HKEY_CURRENT_USER, key, "Empty", "");
    EXPECT_EQ(RegQueryValueExA(handle.Get(), "Empty", nullptr, &type, nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
    RegRWModule::SaveRegString(HKEY_CURRENT_USER, key, "Wide", "Zürich 東京");
    EXPECT_EQ(CleanIT::GetRegString(HKEY_CURRENT_USER, key, "Wide"), "Zürich 東京");
}

TEST(RegRWModule, DeleteIsHarmlessWhenNothingIsThere) {
    TempWorld w;
    PutText("Software\\Keep", "a", "1");
    RegRWModule::DeleteRegValue(HKEY_CURRENT_USER, "Software\\Keep", "b");
    RegRWModule::DeleteRegValue(HKEY_CURRENT_USER, "Software\\Nowhere", "a");
    RegRWModule::DeleteRegValue(HKEY_LOCAL_MACHINE, "Software\\Keep", "a");
    EXPECT_EQ(Names("Software\\Keep"), std::set<std::string>{"a"});
    RegKey probe;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Nowhere", probe.Out()),
              ERROR_FILE_NOT_FOUND);
    RegRWModule::DeleteRegValue(HKEY_CURRENT_USER, "Software\\Keep", "A");
    EXPECT_TRUE(Names("Software\\Keep").empty());
}

TEST(NormalisePath, EndsInExactlyOneAddedBackslash) {
    EXPECT_EQ(modNormalisePath::NormalisePath("C:\\Temp"), "C:\\Temp\\");
    EXPECT_EQ(modNormalisePath::NormalisePath("C:\\"), "C:\\");
    EXPECT_EQ(modNormalisePath::NormalisePath(""), "\\");
    EXPECT_EQ(modNormalisePath::NormalisePath("C:\\a/"), "C:\\a/\\");
}

TEST(CleanTypedURLs, StopsAfterTheFirstGapWhichItAlsoDeletes) {
    TempWorld w;
    PutNumbered(kTyped, "url", 1, 3);
    PutText(kTyped, "url6", "after the gap");
    PutText(kTyped, "other", "not in the list");
    CleanIT::CleanTypedURLs();
    EXPECT_EQ(Names(kTyped), (std::set<std::string>{"url6", "other"}));
}

TEST(CleanTypedURLs, DeletesAllHundredAndNoMore) {
    TempWorld w;
    PutNumbered(kTyped, "url", 1, 101);
    CleanIT::CleanTypedURLs();
    EXPECT_EQ(Names(kTyped), std::set<std::string>{"url101"});
}

TEST(CleanTypedURLs, AnEmptyOrNonStringEntryEndsTheWalkAfterBeingDeleted) {
    TempWorld w;
    PutNumbered(kTyped, "url", 1, 5);
    Put(kTyped, "url2", REG_EXPAND_SZ, std::string("x\0", 2));
    CleanIT::CleanTypedURLs();
    EXPECT_EQ(Names(kTyped), (std::set<std::string>{"url3", "url4", "url5"}));

    PutText(kTyped, "url1", "");
    CleanIT::CleanTypedURLs();
    EXPECT_EQ(Names(kTyped), (std::set<std::string>{"url3", "url4", "url5"}));
}

TEST(CleanMediaPlayerMRU, StartsAtFileZero) {
    TempWorld w;
    PutNumbered(kMedia, "File", 1, 3);
    CleanIT::CleanMediaPlayerMRU();
    EXPECT_EQ(Names(kMedia), (std::set<std::string>{"File1", "File2", "File3"}));

    PutNumbered(kMedia, "File", 0, 101);
    CleanIT::CleanMediaPlayerMRU();
    EXPECT_EQ(Names(kMedia), std::set<std::string>{"File101"});
}

TEST(CleanPaintMRU, FirstEntryDecidesAndGapsDoNotStopTheWalk) {
    TempWorld w;
    PutText(kPaint, "File1", "a.bmp");
    PutText(kPaint, "File3", "c.bmp");
    PutText(kPaint, "File100", "z.bmp");
    PutText(kPaint, "File101", "beyond.bmp");
    CleanIT::CleanPaintMRU();
    EXPECT_EQ(Names(kPaint), std::set<std::string>{"File101"});
}

TEST(CleanPaintMRU, MissingOrNonStringFirstEntryLeavesTheRest) {
    TempWorld w;
    PutText(kPaint, "File2", "b.bmp");
    CleanIT::CleanPaintMRU();
    EXPECT_EQ(Names(kPaint), std::set<std::string>{"File2"});

    Put(kPaint, "File1", REG_BINARY, "a.bmp");
    CleanIT::CleanPaintMRU();
    EXPECT_EQ(Names(kPaint), std::set<std::string>{"File2"});
}

TEST(LetterLists, DeleteTheListedLettersThenTheList) {
    TempWorld w;
    for (const auto& [key, clean] :
         {std::pair{kRun, &CleanIT::CleanRunMRU}, std::pair{kFind, &CleanIT::CleanFindMRU},
          std::pair{kRecent, &CleanIT::CleanRecentDocsMRU}}) {
        PutText(key, "MRUList", "cab");
        for (const char* letter : {"a", "b", "c", "d"})
            PutText(key, letter, std::string("entry ") + letter);
        PutText(key, "MRUListEx", "stays");
        clean();
        EXPECT_EQ(Names(key), (std::set<std::string>{"d", "MRUListEx"})) << key;
    }
}

TEST(LetterLists, MissingOrNonStringListTouchesOnlyTheList) {
    TempWorld w;
    PutText(kRun, "a", "notepad");
    CleanIT::CleanRunMRU();
    EXPECT_EQ(Names(kRun), std::set<std::string>{"a"});

    // A list that is not a string value is not walked, but it is deleted itself.
    Put(kRun, "MRUList", REG_BINARY, "a");
    CleanIT::CleanRunMRU();
    EXPECT_EQ(Names(kRun), std::set<std::string>{"a"});

    // A list stored without a terminating NUL is read whole; letters match in any case.
    Put(kRun, "MRUList", REG_SZ, "A");
    CleanIT::CleanRunMRU();
    EXPECT_TRUE(Names(kRun).empty());

    // A missing key is not created by the erasers.
    CleanIT::CleanFindMRU();
    RegKey probe;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, kFind, probe.Out()), ERROR_FILE_NOT_FOUND);
}

TEST(CleanRecentDocs, EmptiesTheShellListEvenWithoutMRUList) {
    TempWorld w;
    const fs::path recent = w.Posix(world::ProfilePath() + "\\Recent");
    TempWorld::Write(recent / "report.doc.lnk", "link");
    PutText(kRecent, "x", "kept: not listed");
    CleanIT::CleanRecentDocs();
    EXPECT_TRUE(fs::is_empty(recent));
    EXPECT_EQ(Names(kRecent), std::set<std::string>{"x"});
}

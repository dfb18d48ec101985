#include "platform/settings.h"

#include "platform/registry.h"
#include "support/TempWorld.h"
#include "traces/CleanIT.h"

#include <gtest/gtest.h>

using namespace corvane::platform;
using corvane::testing::TempWorld;

TEST(Settings, ReadsDefaultUntilWrittenThenTheTextUnderItsKey) {
    TempWorld w;
    EXPECT_EQ(GetSetting("Halcyra", "Date", "History", "never"), "never");
    EXPECT_EQ(GetSetting("Halcyra", "Date", "History"), "");
    ASSERT_TRUE(SaveSetting("Halcyra", "Date", "History", "08/12/2026"));
    EXPECT_EQ(GetSetting("Halcyra", "Date", "History", "never"), "08/12/2026");
    EXPECT_EQ(GetSetting("halcyra", "DATE", "history", "never"), "08/12/2026");
    // Where the store keeps it, so other tools (and a .reg export) find it.
    EXPECT_EQ(
        corvane::CleanIT::GetRegString(HKEY_CURRENT_USER, "Software\\Halcyra\\Date", "History"),
        "08/12/2026");
    ASSERT_TRUE(SaveSetting("Halcyra", "Date", "History", ""));
    EXPECT_EQ(GetSetting("Halcyra", "Date", "History", "never"), "");
}

TEST(Settings, AValueOfAnotherTypeReadsAsTheDefault) {
    TempWorld w;
    RegKey key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\App\\Sec", key.Out()), ERROR_SUCCESS);
    const std::string number("\1\0\0\0", 4);
    ASSERT_EQ(RegSetValueExA(key.Get(), "K", 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(number.data()), 4),
              ERROR_SUCCESS);
    EXPECT_EQ(GetSetting("App", "Sec", "K", "dflt"), "dflt");
}

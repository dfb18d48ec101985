#include "shell/XPTest.h"
#include "platform/sysinfo.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

using corvane::testing::TempWorld;

TEST(XPTest, ThemedOnlyWithNewEnoughWindowsThemesAndControls) {
    TempWorld w;
    const auto conf = corvane::world::ConfFile();
    EXPECT_TRUE(corvane::XPTest::XPThemeActive());
    TempWorld::Write(conf, "windows_version = 5.0\n");
    EXPECT_FALSE(corvane::XPTest::XPThemeActive());
    TempWorld::Write(conf, "windows_version = 6.0\n");
    EXPECT_TRUE(corvane::XPTest::XPThemeActive());
    TempWorld::Write(conf, "themes = no\n");
    EXPECT_FALSE(corvane::XPTest::XPThemeActive());
    TempWorld::Write(conf, "common_controls = 5.82\n");
    EXPECT_FALSE(corvane::XPTest::XPThemeActive());
    TempWorld::Write(conf, "windows_version = nonsense\n");
    EXPECT_FALSE(corvane::XPTest::XPThemeActive());
}

TEST(Sysinfo, RecordsWithTheWrongSizeAreRefused) {
    TempWorld w;
    corvane::platform::OSVERSIONINFOA v;
    v.dwOSVersionInfoSize = 156;
    EXPECT_FALSE(corvane::platform::GetVersionExA(&v));
    EXPECT_EQ(v.dwMajorVersion, 0u);
    corvane::platform::DLLVERSIONINFO d;
    d.cbSize = 24;
    EXPECT_FALSE(corvane::platform::DllGetVersion(corvane::platform::Library::ShellUtilities, &d));
    corvane::platform::SYSTEM_INFO s;
    corvane::platform::GetSystemInfo(&s);
    EXPECT_EQ(s.dwProcessorType, sizeof(void*) == 8 ? 8664u : 586u);
}

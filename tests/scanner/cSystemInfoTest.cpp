#include "scanner/cSystemInfo.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

using corvane::cSystemInfo;
using corvane::testing::TempWorld;

TEST(cSystemInfo, WindowsNamesByVersion) {
    EXPECT_EQ(cSystemInfo::NameOfVersion(4, 0), "Windows NT ");
    EXPECT_EQ(cSystemInfo::NameOfVersion(4, 10), "Windows 98 ");
    EXPECT_EQ(cSystemInfo::NameOfVersion(4, 90), "Windows ME ");
    EXPECT_EQ(cSystemInfo::NameOfVersion(5, 0), "Windows 2000 ");
    EXPECT_EQ(cSystemInfo::NameOfVersion(5, 1), "Windows XP ");
    EXPECT_EQ(cSystemInfo::NameOfVersion(5, 2), "Windows 2000 ");
    EXPECT_EQ(cSystemInfo::NameOfVersion(6, 0), "Windows Unknown Version");
    EXPECT_EQ(cSystemInfo::NameOfVersion(3, 51), "Windows NT ");
    EXPECT_EQ(cSystemInfo::NameOfVersion(3, 11), "Windows ");
}

TEST(cSystemInfo, ProcessorNames) {
    EXPECT_EQ(cSystemInfo::NameOfProcessor(386), "Intel 386");
    EXPECT_EQ(cSystemInfo::NameOfProcessor(486), "Intel 486");
    EXPECT_EQ(cSystemInfo::NameOfProcessor(586), "Intel Pentium");
    EXPECT_EQ(cSystemInfo::NameOfProcessor(4000), "MIPS R4000");
    EXPECT_EQ(cSystemInfo::NameOfProcessor(21064), "DEC Alpha 21064");
    EXPECT_EQ(cSystemInfo::NameOfProcessor(8664), "(AMD Or Other)");
}

TEST(cSystemInfo, KiBRoundsHalvesToEven) {
    EXPECT_EQ(cSystemInfo::RoundHalfEven(cSystemInfo::KiB(1536)), 2);
    EXPECT_EQ(cSystemInfo::RoundHalfEven(cSystemInfo::KiB(2560)), 2);
    EXPECT_EQ(cSystemInfo::RoundHalfEven(cSystemInfo::KiB(3584)), 4);
    EXPECT_EQ(cSystemInfo::RoundHalfEven(cSystemInfo::KiB(1535)), 1);
    EXPECT_EQ(cSystemInfo::RoundHalfEven(cSystemInfo::KiB(3221225472u)), 3145728);
    EXPECT_EQ(cSystemInfo::RoundHalfEven(cSystemInfo::KiB(0xFFFFFFFFu)), 4194304);
}

TEST(cSystemInfo, SnapshotFollowsTheWorld) {
    TempWorld w;
    TempWorld::Write(corvane::world::ConfFile(),
                     "windows_version = 4.10\nwindows_build = 1998\nshell_version = 5.50.4807\n");
    cSystemInfo info;
    EXPECT_EQ(info.WinName(), "Windows 98 ");
    EXPECT_EQ(info.WinVersion(), "4.10 (Build 1998)");
    EXPECT_EQ(info.IEVersion(), "Internet Explorer 5.50.4807");
    EXPECT_GT(info.MemoryTotal(), 0);
    EXPECT_GE(info.MemoryTotal(), info.MemoryFree());
    EXPECT_GT(info.VirtualMemoryTotal(), 0);
    EXPECT_GE(info.VirtualMemoryTotal(), info.VirtualMemoryFree());
}

TEST(cSystemInfo, DefaultWorldIsXpWithShell6AndBadVersionsReadAsZero) {
    TempWorld w;
    EXPECT_EQ(cSystemInfo().WinVersion(), "5.1 (Build 2600)");
    EXPECT_EQ(cSystemInfo().IEVersion(), "Internet Explorer 6.0.2900");
    TempWorld::Write(corvane::world::ConfFile(), "windows_version = junk\nshell_version = \n");
    cSystemInfo info;
    EXPECT_EQ(info.WinName(), "Windows Unknown Version");
    EXPECT_EQ(info.IEVersion(), "Internet Explorer 0.0.0");
}

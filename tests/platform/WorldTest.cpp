#include "platform/world.h"
#include "support/TempWorld.h"
#include "traces/CleanIT.h"
#include "traces/RegRWModule.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;
using corvane::testing::TempWorld;
namespace world = corvane::world;

TEST(World, PrefixFollowsEnvironmentInOrder) {
    TempWorld w;
    EXPECT_EQ(world::Prefix(), w.Prefix());
    ::unsetenv("CORVANE_PREFIX");
    EXPECT_EQ(world::Prefix(), w.Root() / "data" / "corvane");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(world::Prefix(), fs::path(std::getenv("HOME")) / ".local/share/corvane");
}

TEST(World, EnsureCreatesPrivatePrefixAndProfileFoldersIdempotently) {
    TempWorld w;
    struct stat st {};
    ASSERT_EQ(::stat(w.Prefix().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    const std::string profile = world::ProfilePath();
    for (const char* sub :
         {"Cookies", "Recent", "Local Settings\\History\\History.IE5",
          "Local Settings\\Temporary Internet Files\\Content.IE5", "Local Settings\\Temp"})
        EXPECT_TRUE(fs::is_directory(w.Posix(profile + "\\" + sub))) << sub;

    // A second run keeps what the user changed.
    TempWorld::Write(world::ConfFile(), "themes = no\n");
    const auto cookie = TempWorld::Write(w.Posix(profile + "\\Cookies\\a.txt"), "x");
    std::string error;
    ASSERT_TRUE(world::Ensure(error)) << error;
    EXPECT_TRUE(fs::exists(cookie));
    EXPECT_EQ(world::Conf()["themes"], "no");
    EXPECT_EQ(world::Conf()["windows_version"], "5.1");
}

TEST(World, EnsureReportsAPrefixThatCannotBeMade) {
    TempWorld w;
    TempWorld::Write(w.Root() / "blocker", "a file, not a folder");
    ::setenv("CORVANE_PREFIX", (w.Root() / "blocker" / "world").c_str(), 1);
    std::string error;
    EXPECT_FALSE(world::Ensure(error));
    EXPECT_FALSE(error.empty());
}

TEST(WorldPaths, WindowsToPosixDrivesRootsAndRelativeForms) {
    TempWorld w;
    const fs::path c = world::DriveC();
    EXPECT_EQ(world::ToPosix("C:\\"), c.string());
    EXPECT_EQ(world::ToPosix("c:"), c.string());
    EXPECT_EQ(world::ToPosix("Z:\\"), "/");
    EXPECT_EQ(world::ToPosix("z:/usr/bin"), "/usr/bin");
    EXPECT_EQ(world::ToPosix("\\new\\file.txt"), (c / "new/file.txt").string());
    EXPECT_EQ(world::ToPosix("C:\\a\\.\\b\\..\\d"), (c / "a/d").string());
    // Climbing never leaves the drive.
    EXPECT_EQ(world::ToPosix("C:\\..\\..\\etc"), (c / "etc").string());
    EXPECT_EQ(world::ToPosix("Q:\\x"), "");
}

TEST(WorldPaths, ComponentsAreFoundWithoutRegardToCase) {
    TempWorld w;
    const std::string profile = world::ProfilePath();
    const fs::path hist = w.Posix(profile + "\\Local Settings\\History\\History.IE5");
    const fs::path lower = w.Posix(profile + "\\local settings\\history\\history.ie5\\index.dat");
    EXPECT_EQ(lower, hist / "index.dat");

    // The exact name wins; among case variants the first in sorted order.
    const fs::path dir = world::DriveC() / "mixed";
    fs::create_directories(dir / "abc");
    fs::create_directories(dir / "ABC");
    fs::create_directories(dir / "Abc");
    EXPECT_EQ(world::ToPosix("C:\\mixed\\Abc"), (dir / "Abc").string());
    EXPECT_EQ(world::ToPosix("C:\\mixed\\aBC"), (dir / "ABC").string());
}

TEST(WorldPaths, PosixToWindowsRoundTripsOddNames) {
    TempWorld w;
    const fs::path dir = world::DriveC() / "odd";
    fs::create_directories(dir);
    const std::vector<std::string> names = {
        "plain.txt",
        "back\\slash",
        std::string("bad\xff\xfe", 5),
        "caf\xc3\xa9",
        "\xef\x9d\x9c", // U+F75C itself, the escape of a backslash
        "trailing\xc3",
        "A",
        "a",
        "with space & ;",
    };
    for (const auto& name : names) {
        const fs::path p = dir / name;
        TempWorld::Write(p, "x");
        const std::string win = world::ToWindows(p.string());
        ASSERT_EQ(win.rfind("C:\\odd\\", 0), 0u) << win;
        EXPECT_EQ(win.find('\\', 7), std::string::npos) << "a name must stay one component";
        EXPECT_EQ(world::ToPosix(win), p.string()) << "round trip of " << name;
    }
    EXPECT_EQ(world::ToWindows("/"), "Z:\\");
    EXPECT_EQ(world::ToWindows("/usr/bin/env"), "Z:\\usr\\bin\\env");
    EXPECT_EQ(world::ToWindows(world::DriveC().string()), "C:\\");
    EXPECT_EQ(world::ToWindows((w.Prefix() / "drive_cX").string()).rfind("Z:\\", 0), 0u);
}

TEST(WorldPaths, DriveRootsAreRecognised) {
    TempWorld w;
    EXPECT_TRUE(world::IsDriveRoot("/"));
    EXPECT_TRUE(world::IsDriveRoot("//"));
    EXPECT_TRUE(world::IsDriveRoot(world::DriveC()));
    EXPECT_TRUE(world::IsDriveRoot(world::DriveC() / ""));
    EXPECT_TRUE(world::IsDriveRoot(world::DriveC() / "x" / ".."));
    EXPECT_FALSE(world::IsDriveRoot(world::DriveC() / "x"));
    EXPECT_FALSE(world::IsDriveRoot("/usr"));
}

TEST(World, EnsureWritesTheShellFoldersOnlyWhereMissing) {
    TempWorld w;
    using namespace corvane::platform;
    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    const std::string profile = world::ProfilePath();
    auto read = [&](const char* name) {
        return corvane::CleanIT::GetRegString(HKEY_CURRENT_USER, key, name);
    };
    EXPECT_EQ(read("History"), profile + "\\Local Settings\\History");
    EXPECT_EQ(read("Cache"), profile + "\\Local Settings\\Temporary Internet Files");
    EXPECT_EQ(read("Cookies"), profile + "\\Cookies");
    EXPECT_TRUE(fs::is_directory(w.Posix(read("Cache") + "\\Content.IE5")));

    corvane::RegRWModule::SaveRegString(HKEY_CURRENT_USER, key, "Cookies", "D:\\Elsewhere");
    corvane::RegRWModule::DeleteRegValue(HKEY_CURRENT_USER, key, "Cache");
    std::string error;
    ASSERT_TRUE(world::Ensure(error)) << error;
    EXPECT_EQ(read("Cookies"), "D:\\Elsewhere");
    EXPECT_EQ(read("Cache"), profile + "\\Local Settings\\Temporary Internet Files");
}

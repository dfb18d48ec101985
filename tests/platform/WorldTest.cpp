#include "platform/world.h"
#include "support/TempWorld.h"
#include "traces/CleanIT.h"
#include "traces/RegRWModule.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Names in a big folder are looked up in a listing kept between calls; it must follow every
// change of the folder at once: a new case variant that sorts first, a rename, a removal, and
// the same look-ups from a second folder of the same names.
TEST(WorldPaths, CaseLookUpsInAFolderFollowItsChangesAtOnce) {
    TempWorld w;
    const fs::path dir = world::DriveC() / "big";
    const fs::path other = world::DriveC() / "other";
    for (const fs::path& folder : {dir, other}) {
        fs::create_directories(folder);
        for (int i = 0; i < 300; ++i)
            TempWorld::Write(folder / ("file" + std::to_string(i) + ".txt"), "x");
    }
    TempWorld::Write(dir / "Report.txt", "r");
    TempWorld::Write(other / "report.TXT", "r");
    // Old enough that the listing is kept rather than read again on every call.
    ::usleep(200 * 1000);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(world::ToPosix("C:\\big\\FILE17.TXT"), (dir / "file17.txt").string());
        EXPECT_EQ(world::ToPosix("C:\\BIG\\report.txt"), (dir / "Report.txt").string());
        EXPECT_EQ(world::ToPosix("C:\\other\\REPORT.txt"), (other / "report.TXT").string());
        EXPECT_EQ(world::ToPosix("C:\\big\\new.txt"), (dir / "new.txt").string());
    }

    // A variant that sorts before the known one ("E" before "e") wins from the next call on.
    TempWorld::Write(dir / "REPORT.txt", "R");
    EXPECT_EQ(world::ToPosix("C:\\big\\report.txt"), (dir / "REPORT.txt").string());
    fs::remove(dir / "REPORT.txt");
    EXPECT_EQ(world::ToPosix("C:\\big\\report.txt"), (dir / "Report.txt").string());
    fs::rename(dir / "Report.txt", dir / "Summary.txt");
    EXPECT_EQ(world::ToPosix("C:\\big\\report.txt"), (dir / "report.txt").string());
    EXPECT_EQ(world::ToPosix("C:\\big\\SUMMARY.TXT"), (dir / "Summary.txt").string());
    TempWorld::Write(dir / "New.TXT", "n");
    EXPECT_EQ(world::ToPosix("C:\\big\\new.txt"), (dir / "New.TXT").string());
    EXPECT_EQ(world::ToPosix("C:\\other\\REPORT.txt"), (other / "report.TXT").string());
}

TEST(WorldPaths, PosixToWindowsRoundTripsOddNames) {
    TempWorld w;
    const fs::path dir = world::DriveC() / "odd";
    fs::create_directories(dir);
    const std::vector<std::string> names = {
        "plain.txt",      "back\\slash", std::string("bad\xff\xfe", 5),
        "caf\xc3\xa9",
        "\xef\x9d\x9c", // U+F75C itself, the escape of a backslash
        "trailing\xc3",   "A",           "a",
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

// An escape stands only for what a Windows name cannot carry (a backslash, a byte that is not
// UTF-8). One that would decode to a separator, a NUL, a dot or any plain character would name
// another file than the one written, so such a name is invalid and maps to nothing.
TEST(WorldPaths, EscapesThatWouldNameAnotherFileAreInvalid) {
    TempWorld w;
    TempWorld::Write(world::DriveC() / "victim", "x");
    TempWorld::Write(world::DriveC() / "caf\xc3\xa9", "x");
    const char* invalid[] = {
        "C:\\\xef\x9c\xaf"
        "etc\\passwd",                       // U+F72F: "/"
        "C:\\victim\xef\x9c\x80.txt",        // U+F700: NUL
        "C:\\\xef\x9c\xae\xef\x9c\xae\\etc", // U+F72E U+F72E: ".."
        "C:\\a\\\xef\x9c\xae",               // U+F72E: "."
        "C:\\vic\xef\x9d\xb4im",             // U+F774: a plain "t"
        "C:\\caf\xef\x9f\x83\xef\x9e\xa9",   // "é" spelt as two escaped bytes
        "Z:\\\xef\x9c\xaf"
        "etc",
    };
    for (const char* path : invalid)
        EXPECT_EQ(world::ToPosix(path), "") << path;
    EXPECT_EQ(world::ToPosix(std::string_view("C:\\victim\0.txt", 14)), "");
    std::string decoded;
    EXPECT_FALSE(world::DecodeName("\xef\x9c\xae", decoded));
    EXPECT_TRUE(world::DecodeName("back\xef\x9d\x9cslash", decoded));
    EXPECT_EQ(decoded, "back\\slash");
    EXPECT_TRUE(world::DecodeName("raw\xef\x9f\xbf", decoded));
    EXPECT_EQ(decoded, "raw\xff");
}

// Each component is looked up in the folder opened for the one before: a path far deeper than
// the system's path length limit still finds every component without regard to case.
TEST(WorldPaths, DeepPathsResolveEveryComponent) {
    TempWorld w;
    const std::string name(40, 'd');
    const std::string upper(40, 'D');
    int dir = ::open(world::DriveC().c_str(), O_PATH | O_DIRECTORY);
    ASSERT_GE(dir, 0);
    constexpr int kDepth = 200; // 8,000 bytes of path, twice PATH_MAX
    for (int i = 0; i < kDepth; ++i) {
        ASSERT_EQ(::mkdirat(dir, name.c_str(), 0700), 0);
        const int next = ::openat(dir, name.c_str(), O_PATH | O_DIRECTORY);
        ::close(dir);
        dir = next;
        ASSERT_GE(dir, 0);
    }
    ::close(dir);
    std::string windows = "C:";
    std::string expected = world::DriveC().string();
    for (int i = 0; i < kDepth; ++i) {
        windows += "\\" + upper;
        expected += "/" + name;
    }
    EXPECT_EQ(world::ToPosix(windows + "\\New File"), expected + "/New File");
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

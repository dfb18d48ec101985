// The files service's safety rules and listings, on real files in a temporary world.

#include "platform/files.h"
#include "platform/world.h"
#include "support/TempWorld.h"

#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempWorld;

class FilesTest : public ::testing::Test {
protected:
    TempWorld world;
    fs::path dir = world.Posix("C:\\files");
    PosixFileService files;
    void SetUp() override { fs::create_directories(dir); }
    std::string Win(const fs::path& p) const { return world::ToWindows(p.string()); }
};

TEST(Pattern, WindowsWildcards) {
    EXPECT_TRUE(MatchesPattern("README", "*.*"));
    EXPECT_TRUE(MatchesPattern("a.b.c", "*.*"));
    EXPECT_TRUE(MatchesPattern("Cookie.TXT", "*.txt"));
    EXPECT_TRUE(MatchesPattern("user@site[1].txt", "*.txt*"));
    EXPECT_TRUE(MatchesPattern("user@site[1].txt.bak", "*.txt*"));
    EXPECT_FALSE(MatchesPattern("cookie.tx", "*.txt"));
    EXPECT_TRUE(MatchesPattern("a1.dat", "a?.DAT"));
    EXPECT_FALSE(MatchesPattern("a12.dat", "a?.dat"));
    EXPECT_FALSE(MatchesPattern("a.dat", "a?.dat"));
    EXPECT_TRUE(MatchesPattern("ÄRGER.txt", "ärger*"));
    EXPECT_TRUE(MatchesPattern("abcabcabd", "*abd"));
    EXPECT_FALSE(MatchesPattern(std::string(60, 'a'), std::string(30, '*') + "b"));
}

TEST_F(FilesTest, ListFilesMatchesSortsAndHidesDotFiles) {
    for (const char* name : {"b.txt", "A.TXT", "c.dat", ".hidden.txt"})
        TempWorld::Write(dir / name, "x");
    fs::create_directory(dir / "folder.txt");
    EXPECT_EQ(files.ListFiles(Win(dir), "*.txt", false),
              (std::vector<std::string>{"A.TXT", "b.txt"}));
    EXPECT_EQ(files.ListFiles(Win(dir), "*.*", true),
              (std::vector<std::string>{".hidden.txt", "A.TXT", "b.txt", "c.dat"}));
    EXPECT_EQ(files.ListFiles(Win(dir), "*.dat;a*", false),
              (std::vector<std::string>{"A.TXT", "c.dat"}));
    EXPECT_TRUE(files.ListFiles(Win(dir / "missing"), "*.*", true).empty());
}

// The order every file list shows: names compared as text without regard to case, ties broken
// by their bytes. Mixed case, accented letters, punctuation between the letter blocks and names
// that are not valid UTF-8 (listed through their escapes) must come out exactly in this order.
TEST_F(FilesTest, ListFilesOrdersNamesAsTheCaseBlindTextComparisonDoes) {
    const std::vector<std::string> raw = {"b.txt",
                                          "B.txt",
                                          "a.TXT",
                                          "A.txt",
                                          "a.txt",
                                          "_x.txt",
                                          "Zeta.txt",
                                          "[1].txt",
                                          "a b.txt",
                                          "ab.txt",
                                          "~.txt",
                                          "\xc3\xa4rger.txt",
                                          "\xc3\x84RGER.txt",
                                          "\xc3\xa9"
                                          "clair.txt",
                                          "z\xff.txt",
                                          "Z\xfe.txt",
                                          "\xc5\xbf.txt",
                                          "s.txt",
                                          "S.txt",
                                          "k.txt",
                                          "\xe2\x84\xaa.txt",
                                          "AB.TXT",
                                          "a",
                                          "A"};
    for (const std::string& name : raw)
        TempWorld::Write(dir / name, "x");
    std::vector<std::string> expected;
    for (const std::string& name : raw)
        expected.push_back(world::EncodeName(name));
    std::sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) {
        const int c =
            QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    EXPECT_EQ(files.ListFiles(Win(dir), "*", false), expected);

    // Only ASCII names: the same rule, ties by bytes (upper case first).
    const fs::path plain = dir / "plain";
    for (const char* name : {"b", "B", "_", "a", "A", "[", "ab", "Ab"})
        TempWorld::Write(plain / name, "x");
    EXPECT_EQ(files.ListFiles(Win(plain), "*", false),
              (std::vector<std::string>{"[", "_", "A", "a", "Ab", "ab", "B", "b"}));
}

// A name outside ASCII is matched through full case folding, also against an ASCII pattern.
TEST(Pattern, NamesOutsideAsciiFoldTheirCase) {
    EXPECT_TRUE(MatchesPattern("\xc3\x84RGER.TXT", "\xc3\xa4rger.txt"));
    EXPECT_TRUE(MatchesPattern("\xe2\x84\xaa.txt", "k.TXT")); // the Kelvin sign folds to k
    EXPECT_FALSE(MatchesPattern("\xc3\xa4.txt", "a.txt"));
    EXPECT_TRUE(MatchesPattern("ann@a[1].TxT.bak", "*.tXt*"));
    EXPECT_FALSE(MatchesPattern("ann@a[1].tx", "*.txt*"));
}

// A link is listed as a file whatever it points at; a real folder never is.
TEST_F(FilesTest, ListFilesTakesLinksAsFilesAndLeavesFoldersOut) {
    fs::create_directory(dir / "folder.txt");
    fs::create_directory_symlink(dir / "folder.txt", dir / "link-to-folder.txt");
    fs::create_symlink(dir / "nowhere", dir / "dangling.txt");
    TempWorld::Write(dir / "plain.txt", "x");
    EXPECT_EQ(files.ListFiles(Win(dir), "*.txt", false),
              (std::vector<std::string>{"dangling.txt", "link-to-folder.txt", "plain.txt"}));
}

// A stamp stays the same while nothing in the folder changes, and moves with every added,
// removed or renamed entry; a fresh change is not yet settled.
TEST_F(FilesTest, FolderStampsMoveWithEveryChangeOfTheEntries) {
    FolderStamp first, again;
    ASSERT_TRUE(files.StampFolder(Win(dir), first));
    EXPECT_FALSE(first.settled); // the folder was made a moment ago
    ASSERT_TRUE(files.StampFolder(Win(dir), again));
    EXPECT_TRUE(again.SameAs(first));

    // Only a settled stamp promises to move: changes within one tick of the file system's
    // coarse clock may share a time, so each change waits until the last one has settled.
    const auto changed = [&](const std::function<void()>& change) {
        FolderStamp before, after;
        for (int tries = 0; tries < 100; ++tries) {
            EXPECT_TRUE(files.StampFolder(Win(dir), before));
            if (before.settled)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_TRUE(before.settled);
        change();
        EXPECT_TRUE(files.StampFolder(Win(dir), after));
        return !after.SameAs(before);
    };
    EXPECT_TRUE(changed([&] { TempWorld::Write(dir / "new.txt", "x"); }));
    EXPECT_TRUE(changed([&] { fs::rename(dir / "new.txt", dir / "renamed.txt"); }));
    EXPECT_TRUE(changed([&] { fs::remove(dir / "renamed.txt"); }));
    EXPECT_FALSE(changed([] {}));

    // A stamp whose times lie back far enough is settled: times with a fraction of a second a
    // moment after the change, whole-second times (as some file systems keep) only seconds later.
    const auto settledAfterAMoment = [&](long nanoseconds) {
        const timespec old[2] = {{1000000000, nanoseconds}, {1000000000, nanoseconds}};
        EXPECT_EQ(::utimensat(AT_FDCWD, dir.c_str(), old, 0), 0);
        FolderStamp aged, later;
        EXPECT_TRUE(files.StampFolder(Win(dir), aged));
        EXPECT_FALSE(aged.settled); // the change time moved with the new times: not yet settled
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        EXPECT_TRUE(files.StampFolder(Win(dir), later));
        EXPECT_TRUE(later.SameAs(aged));
        return later.settled;
    };
    EXPECT_TRUE(settledAfterAMoment(123));
    EXPECT_FALSE(settledAfterAMoment(0));
    FolderStamp missing;
    EXPECT_FALSE(files.StampFolder(Win(dir / "missing"), missing));
}

TEST_F(FilesTest, OpeningNeverFollowsALinkNorOpensANonRegularFile) {
    const fs::path target = TempWorld::Write(dir / "target", "data");
    fs::create_symlink(target, dir / "link");
    fs::create_symlink(dir / "nowhere", dir / "dangling");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_directory(dir / "sub");

    for (const char* name : {"link", "dangling", "fifo", "sub"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(files.OpenForReading(Win(dir / name)).IsOpen());
        EXPECT_FALSE(files.OpenReadWrite(Win(dir / name)).IsOpen());
    }
    EXPECT_FALSE(fs::exists(dir / "nowhere")) << "a dangling link was followed to create a file";
    EXPECT_FALSE(files.OpenReadWrite(Win(dir / "sub") + "\\").IsOpen());

    FileHandle file = files.OpenForReading(Win(target));
    std::int64_t length = -1;
    ASSERT_TRUE(files.FileLength(file, length));
    EXPECT_EQ(length, 4);
    EXPECT_TRUE(files.Close(file));
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(FilesTest, ReadWriteCreatesAndWritesAtAnOffset) {
    const std::string win = Win(dir / "New.bin");
    FileHandle file = files.OpenReadWrite(win);
    ASSERT_TRUE(file.IsOpen());
    ASSERT_TRUE(files.WriteAt(file, 4, "xy", 2));
    ASSERT_TRUE(files.FlushToDisk(file));
    std::int64_t length = 0;
    ASSERT_TRUE(files.FileLength(file, length));
    EXPECT_EQ(length, 6);
    // The Windows name of an existing file is found whatever its case.
    FileHandle again = files.OpenForReading(Win(dir) + "\\NEW.BIN");
    EXPECT_TRUE(again.IsOpen());
}

TEST_F(FilesTest, AttributesAndDeletesActOnTheLinkNeverOnItsTarget) {
    const fs::path target = TempWorld::Write(world.Root() / "target", "keep");
    fs::permissions(target, fs::perms::owner_read);
    fs::create_symlink(target, dir / "link");
    EXPECT_FALSE(files.SetAttributesNormal(Win(dir / "link")));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_TRUE(files.DeleteFileA(Win(dir / "link")));
    EXPECT_TRUE(fs::exists(target));

    const fs::path ro = TempWorld::Write(dir / "ro", "x");
    fs::permissions(ro, fs::perms::owner_read);
    EXPECT_TRUE(files.SetAttributesNormal(Win(ro)));
    EXPECT_NE(fs::status(ro).permissions() & fs::perms::owner_write, fs::perms::none);

    fs::create_directory(dir / "sub");
    EXPECT_FALSE(files.DeleteFileA(Win(dir / "sub")));
    EXPECT_TRUE(fs::is_directory(dir / "sub"));
    EXPECT_FALSE(files.DeleteFileA(""));
}

TEST_F(FilesTest, FolderObjectsListFilesAndRealSubfolders) {
    TempWorld::Write(dir / "f1", "1");
    TempWorld::Write(dir / ".f2", "2");
    fs::create_directory(dir / "Sub");
    fs::create_directory_symlink(dir / "Sub", dir / "linked");
    FsoFolder folder;
    ASSERT_TRUE(files.GetFolder(Win(dir) + "\\", folder));
    EXPECT_EQ(folder.Path, Win(dir));
    std::set<std::string> fileNames, subNames;
    for (const auto& f : files.Files(folder)) {
        fileNames.insert(f.Name);
        EXPECT_EQ(f.Path, folder.Path + "\\" + f.Name);
    }
    for (const auto& s : files.SubFolders(folder))
        subNames.insert(s.Name);
    EXPECT_EQ(fileNames, (std::set<std::string>{"f1", ".f2", "linked"}));
    EXPECT_EQ(subNames, (std::set<std::string>{"Sub"}));
    EXPECT_FALSE(files.GetFolder(Win(dir / "linked"), folder));
    EXPECT_FALSE(files.GetFolder(Win(dir / "f1"), folder));
    EXPECT_FALSE(files.GetFolder("", folder));
    EXPECT_EQ(files.GetSpecialFolder(2), world::TempPath());
}

TEST_F(FilesTest, DeleteFolderTakesTheTreeButNotLinkTargetsNorDriveRoots) {
    const fs::path outside = TempWorld::Write(world.Root() / "outside" / "keep.txt", "keep");
    TempWorld::Write(dir / "tree" / "a" / "b.txt", "b");
    fs::create_directory_symlink(outside.parent_path(), dir / "tree" / "a" / "link");
    const fs::path ro = TempWorld::Write(dir / "tree" / "ro.txt", "r");
    fs::permissions(ro, fs::perms::owner_read);

    EXPECT_FALSE(files.DeleteFolder(Win(dir / "tree"), false)) << "read-only file without force";
    EXPECT_TRUE(fs::exists(ro));
    EXPECT_TRUE(files.DeleteFolder(Win(dir / "tree"), true));
    EXPECT_FALSE(fs::exists(dir / "tree"));
    EXPECT_EQ(std::filesystem::file_size(outside), 4u);

    fs::create_directory_symlink(outside.parent_path(), dir / "dirlink");
    EXPECT_TRUE(files.DeleteFolder(Win(dir / "dirlink"), true));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "dirlink")));
    EXPECT_TRUE(fs::exists(outside));

    for (const std::string root : {"C:\\", "C:", "Z:\\", "", "Z:\\tmp\\.."})
        EXPECT_FALSE(files.DeleteFolder(root, true)) << root;
    EXPECT_TRUE(fs::exists(dir));
}

// A folder mounted inside the tree belongs to another file system: deletion stops there.
TEST_F(FilesTest, DeleteFolderStaysOnItsOwnFileSystem) {
    const fs::path mountPoint = dir / "tree" / "mnt";
    fs::create_directories(mountPoint);
    if (::mount("corvane-test", mountPoint.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    TempWorld::Write(mountPoint / "other-fs.txt", "stays");
    TempWorld::Write(dir / "tree" / "mine.txt", "goes");
    const bool removed = files.DeleteFolder(Win(dir / "tree"), true);
    const bool survived = fs::exists(mountPoint / "other-fs.txt");
    const bool mineGone = !fs::exists(dir / "tree" / "mine.txt");
    ::umount(mountPoint.c_str());
    EXPECT_FALSE(removed);
    EXPECT_TRUE(survived);
    EXPECT_TRUE(mineGone);
}

} // namespace
} // namespace corvane::platform

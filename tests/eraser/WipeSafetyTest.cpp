// The promises of the wipe on real files: nothing outside the chosen tree is touched (not
// through a hard link, a bind mount, a folder swapped for a link mid-walk), and depth is no
// limit. Mount cases need root and are skipped with the reason otherwise.

#include "eraser/Shredding.h"
#include "platform/world.h"
#include "support/LoopDisk.h"
#include "support/RecordingFiles.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane::eraser {
namespace {

namespace fs = std::filesystem;
using testing::LoopDisk;
using testing::RecordingFiles;
using testing::ScopedMount;
using testing::TempWorld;

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool Reports(const WipeReport& report, const std::string& pathEnd, const std::string& reason) {
    for (const auto& f : report.Failures)
        if (f.Path.size() >= pathEnd.size() &&
            f.Path.compare(f.Path.size() - pathEnd.size(), pathEnd.size(), pathEnd) == 0 &&
            f.Reason.find(reason) != std::string::npos)
            return true;
    return false;
}

class WipeSafetyTest : public ::testing::Test {
protected:
    TempWorld world;
    fs::path tree = world.Posix("C:\\tree");
    fs::path outside = world.Root() / "outside";
    void SetUp() override {
        fs::create_directories(tree);
        fs::create_directories(outside);
    }
    std::string Win(const fs::path& p) const { return world::ToWindows(p.string()); }
};

// A hard link shares its data with a name outside the choice: that data is never overwritten,
// only the name inside the tree goes, and the report says why.
TEST_F(WipeSafetyTest, HardLinkedDataIsNeverOverwritten) {
    const fs::path data = TempWorld::Write(outside / "keep.txt", "outside data");
    fs::create_hard_link(data, tree / "linked.txt");
    fs::create_directories(tree / "sub");
    fs::create_hard_link(data, tree / "sub" / "deep-linked.txt");
    TempWorld::Write(tree / "own.txt", "own data");

    const WipeReport single = WipeFile(Win(tree / "linked.txt"));
    EXPECT_FALSE(fs::exists(tree / "linked.txt"));
    EXPECT_TRUE(Reports(single, "linked.txt", "other links share its data"));

    const WipeReport report = WipeFolderTree(Win(tree), FolderRemoval::All);
    EXPECT_EQ(Read(data), "outside data");
    EXPECT_TRUE(Reports(report, "deep-linked.txt", "other links share its data"));
    EXPECT_EQ(report.Overwritten, 1u); // own.txt
    EXPECT_FALSE(fs::exists(tree));
}

// A folder swapped for a link to an outside folder while the walk runs is never followed: the
// walk holds the folder it listed, by descriptor, or nothing.
TEST_F(WipeSafetyTest, AFolderSwappedForALinkMidWalkIsNotFollowed) {
    TempWorld::Write(tree / "first.txt", "1");
    TempWorld::Write(tree / "sub" / "inner.txt", "inner");
    for (int i = 0; i < 20; ++i)
        TempWorld::Write(outside / ("victim" + std::to_string(i) + ".txt"), "victim");
    RecordingFiles rec;
    bool swapped = false;
    rec.before = [&](const std::string& op, const std::string&) {
        // Files are wiped before subfolders are entered, so "sub" is already listed.
        if (op == "readwrite" && !swapped) {
            swapped = true;
            fs::rename(tree / "sub", world.Root() / "moved-sub");
            fs::create_directory_symlink(outside, tree / "sub");
        }
    };
    WipeFolderTree(Win(tree), FolderRemoval::All);
    ASSERT_TRUE(swapped);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(Read(outside / ("victim" + std::to_string(i) + ".txt")), "victim");
    EXPECT_EQ(Read(world.Root() / "moved-sub" / "inner.txt"), "inner");
}

// Deeper than PATH_MAX and deeper than any recursion could go: every file is overwritten and
// every emptied folder removed, with no path ever spelled out in full.
TEST_F(WipeSafetyTest, ATreeTenThousandFoldersDeepIsWipedCompletely) {
    constexpr int kDepth = 10000;
    int fd = ::open(tree.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < kDepth; ++i) {
        ASSERT_EQ(::mkdirat(fd, "d", 0700), 0);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        ASSERT_GE(next, 0);
        fd = next;
        if (i % 2500 == 0 || i == kDepth - 1) {
            const int f = ::openat(fd, "secret.txt", O_WRONLY | O_CREAT, 0600);
            ASSERT_GE(f, 0);
            ASSERT_EQ(::write(f, "marker", 6), 6);
            ::close(f);
        }
    }
    ::close(fd);
    const WipeReport report = WipeFolderTree(Win(tree), FolderRemoval::Subfolders);
    EXPECT_TRUE(report.Complete()) << FailureSummary(report);
    EXPECT_EQ(report.Overwritten, 5u);
    EXPECT_TRUE(fs::is_directory(tree));
    EXPECT_TRUE(fs::is_empty(tree));
}

class MountTest : public WipeSafetyTest {
protected:
    void SetUp() override {
        WipeSafetyTest::SetUp();
        if (::geteuid() != 0)
            GTEST_SKIP() << "bind mounts need root";
    }
};

// A bind mount of an outside folder inside the tree lies on the same device; the mount id
// tells it apart, and the walk never opens it.
TEST_F(MountTest, ABindMountedFolderInsideTheTreeIsNeverEntered) {
    TempWorld::Write(outside / "precious.txt", "precious");
    TempWorld::Write(tree / "own.txt", "own");
    fs::create_directories(tree / "mnt");
    ScopedMount mount(outside, tree / "mnt");
    if (!mount.Mounted())
        GTEST_SKIP() << "this machine refuses bind mounts";
    struct stat a {
    }, b{};
    ASSERT_EQ(::stat(outside.c_str(), &a), 0);
    ASSERT_EQ(::stat(tree.c_str(), &b), 0);
    ASSERT_EQ(a.st_dev, b.st_dev) << "the case needs a mount of the same device";

    RecordingFiles rec;
    const WipeReport report = WipeFolderTree(Win(tree), FolderRemoval::All);
    EXPECT_EQ(Read(outside / "precious.txt"), "precious");
    EXPECT_TRUE(Reports(report, "mnt", "another file system is mounted here"));
    EXPECT_FALSE(fs::exists(tree / "own.txt"));
    // The listing already tells: the mount point is never even opened.
    EXPECT_EQ(rec.Count("openfolder", Win(tree / "mnt")), 0);
}

// A folder that becomes a mount point after it was listed is refused when the walk opens it,
// on its own without the listing's check.
TEST_F(MountTest, AFolderMountedOverAfterTheListingIsNotEntered) {
    TempWorld::Write(outside / "precious.txt", "precious");
    TempWorld::Write(tree / "first.txt", "1");
    fs::create_directories(tree / "later");
    std::unique_ptr<ScopedMount> mount;
    RecordingFiles rec;
    rec.before = [&](const std::string& op, const std::string&) {
        if (op == "readwrite" && !mount)
            mount = std::make_unique<ScopedMount>(outside, tree / "later");
    };
    const WipeReport report = WipeFolderTree(Win(tree), FolderRemoval::All);
    ASSERT_TRUE(mount && mount->Mounted());
    EXPECT_EQ(Read(outside / "precious.txt"), "precious");
    EXPECT_TRUE(Reports(report, "later", "another file system is mounted here"));
}

// A single file bind-mounted over a name in the tree is another file system's file.
TEST_F(MountTest, AFileMountedIntoTheTreeIsNotOverwritten) {
    TempWorld::Write(outside / "precious.txt", "precious");
    TempWorld::Write(tree / "over.txt", "placeholder");
    ScopedMount mount(outside / "precious.txt", tree / "over.txt");
    if (!mount.Mounted())
        GTEST_SKIP() << "this machine refuses bind mounts";
    const WipeReport single = WipeFile(Win(tree / "over.txt"));
    const WipeReport walked = WipeFolderTree(Win(tree));
    EXPECT_EQ(Read(outside / "precious.txt"), "precious");
    EXPECT_TRUE(Reports(single, "over.txt", "mounted on it"));
    EXPECT_TRUE(Reports(walked, "over.txt", "mounted on it"));
}

// A file system unmounted lazily under a running wipe lives on out of sight: the wipe stops
// there, says so, and never reaches the folder that the mount covered, whose names are the same.
TEST_F(MountTest, AFileSystemUnmountedMidWipeStopsItAndTouchesNothingBelow) {
    const fs::path mnt = tree / "memory";
    TempWorld::Write(mnt / "a.txt", "under a");
    TempWorld::Write(mnt / "b.txt", "under b");
    ScopedMount memory("tmpfs", mnt, "tmpfs");
    ASSERT_TRUE(memory.Mounted());
    for (const char* name : {"a.txt", "b.txt", "sub/c.txt"})
        TempWorld::Write(mnt / name, "on top");
    RecordingFiles rec;
    rec.before = [&](const std::string& op, const std::string&) {
        if (op == "readwrite" && rec.Count("readwrite") == 1) {
            ASSERT_EQ(::umount2(mnt.c_str(), MNT_DETACH), 0);
        }
    };
    const WipeReport report = WipeFolderTree(Win(mnt), FolderRemoval::All);
    EXPECT_EQ(report.Overwritten, 0u);
    EXPECT_TRUE(Reports(report, ".txt", "its file system was unmounted during the wipe"));
    EXPECT_TRUE(Reports(report, "memory", "2 files not reached"));
    EXPECT_EQ(Read(mnt / "a.txt"), "under a");
    EXPECT_EQ(Read(mnt / "b.txt"), "under b");
    EXPECT_EQ(rec.Count("removefolder"), 0);
}

// Another program that writes to the file during the passes leaves bytes the passes did not
// cover: the file stays, and the report says why.
TEST_F(WipeSafetyTest, AFileThatChangesSizeDuringThePassesIsLeftAndReported) {
    struct GrowingFiles : RecordingFiles {
        bool FlushToDisk(const platform::FileHandle& file) override {
            if (Count("flush") == 1) { // the second pass: the other program appends
                EXPECT_EQ(::pwrite(file.Descriptor(), "tail", 4, 1 << 20), 4);
            }
            return RecordingFiles::FlushToDisk(file);
        }
    };
    const fs::path file = TempWorld::Write(tree / "busy.log", "log");
    GrowingFiles rec;
    const WipeReport report = WipeFile(Win(file));
    EXPECT_TRUE(Reports(report, "busy.log", "changed size during the wipe"))
        << FailureSummary(report);
    EXPECT_EQ(rec.Count("flush"), 2);
    EXPECT_TRUE(fs::exists(file));
}

// The raw bytes of the disk: after the wipe the secret is nowhere on it, while a file that was
// only deleted still is (which shows the search would find a secret left behind). The secret
// lies deeper than PATH_MAX, where a walk by full paths gives up.
TEST_F(WipeSafetyTest, AWipedSecretIsGoneFromTheRawDisk) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "loop devices need root";
    const fs::path image = world.Root() / "disk.img";
    const fs::path mnt = world.Root() / "mnt";
    LoopDisk disk(image, mnt);
    if (!disk.Unavailable().empty())
        GTEST_SKIP() << disk.Unavailable();

    const std::string secret = "wiped-secret-7f3a9c", control = "deleted-only-51e2b8";
    fs::create_directories(mnt / "shred");
    int fd = ::open((mnt / "shred").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < 1200; ++i) { // 1200 levels of "dddd/": 6000 bytes of path
        ASSERT_EQ(::mkdirat(fd, "dddd", 0700), 0);
        const int next = ::openat(fd, "dddd", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        ASSERT_GE(fd, 0);
    }
    std::string body;
    for (int i = 0; i < 1000; ++i)
        body += secret;
    const int f = ::openat(fd, "secret.txt", O_WRONLY | O_CREAT, 0600);
    ASSERT_EQ(::write(f, body.data(), body.size()), static_cast<ssize_t>(body.size()));
    ::close(f);
    ::close(fd);
    std::string other;
    for (int i = 0; i < 1000; ++i)
        other += control;
    TempWorld::Write(mnt / "control.txt", other);
    ::sync();

    const WipeReport report = WipeFolderTree(Win(mnt / "shred"), FolderRemoval::All);
    fs::remove(mnt / "control.txt");
    EXPECT_TRUE(report.Complete()) << FailureSummary(report);
    EXPECT_EQ(report.Overwritten, 1u);
    EXPECT_FALSE(fs::exists(mnt / "shred"));
    disk.Detach();

    const std::string raw = Read(image);
    EXPECT_NE(raw.find(control), std::string::npos) << "the search must see unwiped data";
    EXPECT_EQ(raw.find(secret), std::string::npos);
}

} // namespace
} // namespace corvane::eraser

// Store files removed with their bytes: gone from the raw disk where the file system writes in
// place, never through a link, a hard link's other name or a mount inside the folder. The disk
// and mount cases need root and are skipped with the reason otherwise.

#include "browsers/ProfileFiles.h"
#include "browsers/BrowserHome.h"
#include "platform/files.h"
#include "support/LoopDisk.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace corvane::browsers {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempWorld;

bool Mentions(const std::vector<std::string>& lines, const std::string& text) {
    for (const auto& line : lines)
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

// A link and a FIFO in place of a file go unopened; a hard-linked file loses only its name here,
// its data stays whole under the other one, and the report says so.
TEST(StoreFiles, OddEntriesGoUnopenedAndSharedDataStays) {
    TempWorld world;
    const fs::path cache = world.Root() / "cache";
    const fs::path outside = TempWorld::Write(world.Root() / "outside", "keep me");
    TempWorld::Write(cache / "entry", "cached");
    fs::create_symlink(outside, cache / "link");
    fs::create_hard_link(outside, cache / "hard");
    ASSERT_EQ(::mkfifo((cache / "fifo").c_str(), 0600), 0);
    fs::create_symlink(outside, world.Root() / "single-link");

    const RemoveResult removed = RemoveInFolder(cache);
    EXPECT_TRUE(removed.ok) << removed.error;
    EXPECT_EQ(removed.files, 4);
    EXPECT_TRUE(fs::is_empty(cache));
    EXPECT_EQ(removed.notOverwritten.size(), 1u);
    EXPECT_TRUE(Mentions(removed.notOverwritten, "hard: deleted, not overwritten: other links"));

    const RemoveResult single = RemoveStoreFile(world.Root() / "single-link");
    EXPECT_TRUE(single.ok && single.files == 1) << single.error;
    EXPECT_FALSE(fs::exists(fs::symlink_status(world.Root() / "single-link")));
    EXPECT_EQ(ReadBytes(outside), "keep me");
    EXPECT_TRUE(RemoveStoreFile(world.Root() / "missing").ok);
}

// The markers of removed files are nowhere in the image after it is unmounted, in a batch small
// enough to sync on its own mid-way, while a file that was only deleted still is (which shows
// the search would find bytes left behind).
TEST(StoreFiles, RemovedFilesLeaveNoMarkerOnTheRawDisk) {
    TempWorld world;
    const fs::path image = world.Root() / "disk.img", mnt = world.Root() / "mnt";
    testing::LoopDisk disk(image, mnt);
    if (!disk.Unavailable().empty())
        GTEST_SKIP() << disk.Unavailable();
    const std::string marker = "removed-store-3c8e1f", control = "deleted-plainly-94b07d";
    const auto body = [](const std::string& text, int i) {
        std::string b;
        while (b.size() < 40000)
            b += text + std::to_string(i);
        return b;
    };
    for (int i = 0; i < 5; ++i)
        TempWorld::Write(mnt / "cache" / (i % 2 ? "sub" : "") / ("f" + std::to_string(i)),
                         body(marker, i));
    TempWorld::Write(mnt / "session", body(marker, 9));
    TempWorld::Write(mnt / "control", body(control, 0));
    ::sync();

    platform::OverwriteBatch batch(2);
    const RemoveResult removed = RemoveInFolder(mnt / "cache", {}, batch);
    const RemoveResult single = RemoveStoreFile(mnt / "session", batch);
    std::string error;
    EXPECT_TRUE(batch.Flush(error)) << error;
    EXPECT_TRUE(removed.ok) << removed.error;
    EXPECT_EQ(removed.files, 5);
    EXPECT_EQ(removed.mayKeep, "");
    EXPECT_TRUE(removed.notOverwritten.empty());
    EXPECT_TRUE(single.ok && single.files == 1) << single.error;
    EXPECT_TRUE(fs::is_empty(mnt / "cache"));
    fs::remove(mnt / "control");
    disk.Detach();

    const std::string raw = ReadBytes(image);
    EXPECT_NE(raw.find(control), std::string::npos) << "the search must see deleted data";
    EXPECT_EQ(raw.find(marker), std::string::npos);
}

// A memory file system mounted inside the folder is another device; a bind mount of the same
// file system is the same device and only its mount id tells it apart. Neither is entered, by
// the emptying, the count or the files service's folder deletion, and each is reported.
TEST(StoreFiles, MountsInsideTheFolderAreNeverEntered) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounts need root";
    TempWorld world;
    const fs::path tree = world.Root() / "tree", outside = world.Root() / "outside";
    TempWorld::Write(outside / "precious", "precious");
    TempWorld::Write(tree / "own", "own");
    fs::create_directories(tree / "memory");
    fs::create_directories(tree / "bound");
    testing::ScopedMount tmpfs("tmpfs", tree / "memory", "tmpfs");
    testing::ScopedMount bind(outside, tree / "bound");
    ASSERT_TRUE(tmpfs.Mounted() && bind.Mounted());
    TempWorld::Write(tree / "memory" / "in-memory", "in memory");
    struct stat a {
    }, b{};
    ASSERT_EQ(::stat(outside.c_str(), &a), 0);
    ASSERT_EQ(::stat(tree.c_str(), &b), 0);
    ASSERT_EQ(a.st_dev, b.st_dev) << "the case needs a mount of the same device";

    EXPECT_EQ(CountFiles(tree), 1);
    for (const char* mount : {"memory", "bound"}) {
        SCOPED_TRACE(mount);
        const RemoveResult removed =
            RemoveInFolder(tree, [&](const std::string& name) { return name == mount; });
        EXPECT_FALSE(removed.ok);
        EXPECT_NE(removed.error.find(mount + std::string(": another file system is mounted")),
                  std::string::npos)
            << removed.error;
    }
    EXPECT_FALSE(platform::PosixFileService().DeleteFolder(world::ToWindows(tree.string()), true));
    EXPECT_EQ(ReadBytes(outside / "precious"), "precious");
    EXPECT_EQ(ReadBytes(tree / "memory" / "in-memory"), "in memory");
    EXPECT_FALSE(fs::exists(tree / "own"));
}

} // namespace
} // namespace corvane::browsers

// The verdict on real file systems made for the test on loop images (root only), and the zeroing
// of a file in place.

#include "platform/overwrite.h"
#include "support/LoopDisk.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane::platform {
namespace {

namespace fs = std::filesystem;
using testing::LoopDisk;
using testing::TempWorld;

FileHandle Open(const fs::path& p) {
    return FileHandle(::open(p.c_str(), O_RDONLY | O_CLOEXEC));
}

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Case {
    const char* type;
    const char* options;
    unsigned megabytes;
    Reach folder;
    const char* reason; // a piece of the folder's reason, "" in place
};

// Each kind of file system answers for its folders, and for a file whose blocks are shared (an
// XFS clone) or written in place after all (a btrfs file without copy-on-write) the file's own
// verdict differs from its folder's.
TEST(OverwriteVerdict, EachFileSystemSaysWhetherAnOverwriteReachesTheOldBytes) {
    if (const std::string why = testing::LoopImagesUnavailable(); !why.empty())
        GTEST_SKIP() << why;
    TempWorld world;
    const Case cases[] = {
        {"ext4", "", 32, Reach::InPlace, ""},
        {"ext4", "data=journal", 32, Reach::Journalled, "ext4 mounted data=journal"},
        {"xfs", "", 320, Reach::InPlace, ""},
        {"btrfs", "", 128, Reach::CopyOnWrite, "btrfs keeps copies (copy-on-write)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.options);
        const fs::path mnt = world.Root() / (std::string(c.type) + c.options);
        LoopDisk disk(world.Root() / "disk.img", mnt, c.type, c.options, c.megabytes);
        ASSERT_EQ(disk.Unavailable(), "");
        const OverwriteVerdict v = VerdictFor(Open(mnt));
        EXPECT_EQ(v.reach, c.folder);
        EXPECT_EQ(v.fileSystem, c.type);
        EXPECT_NE(v.reason.find(c.reason), std::string::npos) << v.reason;
        EXPECT_EQ(v.InPlace(), v.reason.empty());

        TempWorld::Write(mnt / "plain", std::string(100000, 'p'));
        ::sync();
        EXPECT_EQ(VerdictFor(Open(mnt / "plain")).reach, c.folder);
        if (std::string(c.type) == "xfs") {
            ASSERT_EQ(testing::RunProgram({"cp", "--reflink=always", (mnt / "plain").string(),
                                           (mnt / "clone").string()})
                          .exitCode,
                      0);
            const OverwriteVerdict clone = VerdictFor(Open(mnt / "clone"));
            EXPECT_EQ(clone.reach, Reach::CopyOnWrite);
            EXPECT_NE(clone.reason.find("shares its blocks"), std::string::npos) << clone.reason;
        }
        if (std::string(c.type) == "btrfs") {
            const fs::path nocow = mnt / "nocow";
            std::ofstream(nocow).flush();
            ASSERT_EQ(testing::RunProgram({"chattr", "+C", nocow.string()}).exitCode, 0);
            TempWorld::Write(nocow, std::string(100000, 'n'));
            ::sync();
            EXPECT_TRUE(VerdictFor(Open(nocow)).InPlace()) << VerdictFor(Open(nocow)).reason;
        }
    }
    const fs::path memory = world.Root() / "memory";
    fs::create_directories(memory);
    testing::ScopedMount tmpfs("tmpfs", memory, "tmpfs");
    ASSERT_TRUE(tmpfs.Mounted());
    const OverwriteVerdict v = VerdictFor(Open(memory));
    EXPECT_EQ(v.reach, Reach::Memory);
    EXPECT_TRUE(v.WorthOverwriting());
    EXPECT_NE(v.reason.find("swap"), std::string::npos) << v.reason;
}

// The bytes go and the length stays; nothing but the named regular file with one name is
// touched.
TEST(ZeroFileInPlace, ZeroesTheBytesKeepsTheLengthAndTouchesNothingElse) {
    TempWorld world;
    const fs::path dir = world.Root() / "store";
    const fs::path journal = TempWorld::Write(dir / "db-journal", std::string(70000, 'j'));
    std::string error;
    ASSERT_TRUE(ZeroFileInPlace(journal, error)) << error;
    EXPECT_EQ(Read(journal), std::string(70000, '\0'));

    const fs::path outside = TempWorld::Write(world.Root() / "outside", "keep me");
    fs::create_symlink(outside, dir / "link-wal");
    fs::create_hard_link(outside, dir / "hard-wal");
    ASSERT_EQ(::mkfifo((dir / "fifo-wal").c_str(), 0600), 0);
    for (const char* name : {"link-wal", "hard-wal", "fifo-wal", "missing-wal"}) {
        SCOPED_TRACE(name);
        error.clear();
        EXPECT_FALSE(ZeroFileInPlace(dir / name, error));
        EXPECT_NE(error.find(name), std::string::npos) << error;
    }
    EXPECT_EQ(Read(outside), "keep me");
}

} // namespace
} // namespace corvane::platform

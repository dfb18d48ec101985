// What corvanectl shred says it reached, on real file systems made for the test (loop images,
// memory and overlay mounts; root only), checked against the raw image: a file called shredded
// leaves no byte of its content there. And the faults a real disk has (read-only, full): a clear
// line, exit 1, the file and its neighbours untouched.

#include "support/LoopDisk.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <optional>
#include <sys/mount.h>
#include <unistd.h>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::LoopDisk;
using testing::LoopImagesUnavailable;
using testing::RunCorvanectl;
using testing::RunProgram;
using testing::ScopedMount;
using testing::TempWorld;

// True when the bytes of `file` hold `needle` anywhere, read in pieces that overlap by the
// needle's length so that no hit across two pieces is missed.
bool Holds(const fs::path& file, const std::string& needle) {
    std::ifstream in(file, std::ios::binary);
    std::string piece(16u << 20, '\0');
    std::size_t kept = 0;
    while (in) {
        in.read(piece.data() + kept, static_cast<std::streamsize>(piece.size() - kept));
        const std::size_t have = kept + static_cast<std::size_t>(in.gcount());
        if (::memmem(piece.data(), have, needle.data(), needle.size()) != nullptr)
            return true;
        kept = std::min(have, needle.size() - 1);
        std::memmove(piece.data(), piece.data() + have - kept, kept);
    }
    return false;
}

std::string Repeat(const std::string& text, std::size_t bytes) {
    std::string out;
    while (out.size() < bytes)
        out += text;
    return out;
}

enum class Setup { None, Reflink, Snapshot, NoCow };

struct Row {
    const char* name;
    const char* type; // a mkfs type, or "tmpfs" / "overlay" for a mount without an image
    const char* options;
    unsigned megabytes;
    Setup setup;
    int status;       // the exit status expected
    const char* says; // a piece of what the command prints
};

TEST(ShredVerdict, EachFileSystemGetsTheVerdictItsRawImageBearsOut) {
    if (const std::string why = LoopImagesUnavailable(); !why.empty())
        GTEST_SKIP() << why;
    const Row rows[] = {
        {"ext4", "ext4", "", 32, Setup::None, 0, "shredded "},
        {"ext4 data=journal", "ext4", "data=journal", 32, Setup::None, 3, "journal"},
        {"xfs", "xfs", "", 320, Setup::None, 0, "shredded "},
        {"btrfs", "btrfs", "", 128, Setup::None, 3, "copy-on-write"},
        {"btrfs reflink", "btrfs", "", 128, Setup::Reflink, 3, "shares its blocks"},
        {"btrfs snapshot", "btrfs", "", 128, Setup::Snapshot, 3, "shares its blocks"},
        {"btrfs compress=zstd", "btrfs", "compress=zstd", 128, Setup::None, 3, "compress"},
        {"btrfs chattr +C", "btrfs", "", 128, Setup::NoCow, 0, "shredded "},
        {"tmpfs", "tmpfs", "", 0, Setup::None, 3, "swap"},
        {"overlay", "overlay", "", 0, Setup::None, 3, "unknown"},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempWorld world;
        const fs::path image = world.Root() / "disk.img";
        const fs::path mnt = world.Root() / "mnt";
        fs::create_directories(mnt);
        std::optional<LoopDisk> disk;
        std::optional<ScopedMount> memory;
        const std::string type = row.type;
        if (type == "tmpfs") {
            memory.emplace("tmpfs", mnt, "tmpfs");
        } else if (type == "overlay") {
            for (const char* d : {"lower", "upper", "work"})
                fs::create_directories(world.Root() / d);
            const std::string layers = "lowerdir=" + (world.Root() / "lower").string() +
                                       ",upperdir=" + (world.Root() / "upper").string() +
                                       ",workdir=" + (world.Root() / "work").string();
            memory.emplace("overlay", mnt, "overlay", layers.c_str());
        } else {
            disk.emplace(image, mnt, type, row.options, row.megabytes);
            ASSERT_EQ(disk->Unavailable(), "") << "no image can be made although this machine "
                                                  "has loop devices";
        }
        ASSERT_TRUE(!memory || memory->Mounted());

        const std::string marker = "shred-verdict-marker-" + std::to_string(++n) + "-7c1e";
        const std::string name = "name-to-forget-" + std::to_string(n) + "-b94d.txt";
        fs::create_directories(mnt / "docs");
        const fs::path file = mnt / "docs" / name;
        if (row.setup == Setup::NoCow) {
            std::ofstream(file).flush();
            ASSERT_EQ(RunProgram({"chattr", "+C", file.string()}).exitCode, 0);
        }
        TempWorld::Write(file, Repeat(marker, 64u << 10));
        // A file that is only deleted shows that the search would see what a shred left.
        const std::string control = "deleted-only-control-" + std::to_string(n) + "-e5a0";
        TempWorld::Write(mnt / "control.txt", Repeat(control, 64u << 10));
        ::sync();
        if (row.setup == Setup::Reflink) {
            ASSERT_EQ(
                RunProgram({"cp", "--reflink=always", file.string(), (mnt / "copy.txt").string()})
                    .exitCode,
                0);
        }
        if (row.setup == Setup::Snapshot) {
            ASSERT_EQ(RunProgram({"btrfs", "-q", "subvolume", "snapshot", "-r", mnt.string(),
                                  (mnt / "snap").string()})
                          .exitCode,
                      0);
        }

        const auto r = RunCorvanectl({"shred", file.string(), "--yes"});
        EXPECT_EQ(r.exitCode, row.status) << r.out << r.err;
        EXPECT_NE(r.out.find(row.says), std::string::npos) << r.out;
        EXPECT_FALSE(fs::exists(file));
        // The file is named by the POSIX path it was given by, never by a Windows path.
        if (row.status == 3)
            EXPECT_EQ(r.out.rfind(file.string() + ": deleted; the old data may survive: ", 0), 0u)
                << r.out;
        else
            EXPECT_NE(r.out.find("shredded " + file.string() + "\n"), std::string::npos) << r.out;
        if (!disk)
            continue;
        fs::remove(mnt / "control.txt");
        disk->Detach();
        if (row.status != 0)
            continue;
        EXPECT_TRUE(Holds(image, control)) << "the search must see data only deleted";
        EXPECT_FALSE(Holds(image, marker)) << "a file called shredded left its data";
        // The renames shorten what the folder keeps of a name, but the old entries stay in its
        // blocks and the journal: the command must say so wherever the image shows the name.
        const bool nameLeft = Holds(image, name);
        std::cout << "[ " << row.name << " ] the original name is "
                  << (nameLeft ? "still" : "no longer") << " in the raw image\n";
        if (nameLeft) {
            EXPECT_NE(r.out.find("names of removed files may survive"), std::string::npos) << r.out;
        }
    }
}

// A read-only or full file system: the file stays whole or at least stays, the command says why
// in one line and fails, and the files beside it are untouched.
TEST(ShredVerdict, AReadOnlyOrFullFileSystemFailsWithAClearLine) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "memory mounts need root";
    TempWorld world;
    const fs::path mnt = world.Root() / "mnt";
    fs::create_directories(mnt);
    struct Fault {
        const char* options;
        const char* says;
    };
    for (const Fault& f : {Fault{"size=64k", "No space left on device"},
                           Fault{"size=1m", "Read-only file system"}}) {
        SCOPED_TRACE(f.says);
        ScopedMount memory("tmpfs", mnt, "tmpfs", f.options);
        ASSERT_TRUE(memory.Mounted());
        const fs::path file = TempWorld::Write(mnt / "secret.txt", "secret");
        const fs::path beside = TempWorld::Write(mnt / "beside.txt", "beside");
        if (std::string(f.options) == "size=64k") {
            // Fill what is left, so that the wipe's first block finds no room.
            std::ofstream fill(mnt / "fill", std::ios::binary);
            const std::string page(4096, 'f');
            while (fill.write(page.data(), page.size()) && fill.flush()) {
            }
        } else {
            ASSERT_EQ(::mount(nullptr, mnt.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
        }
        const auto r = RunCorvanectl({"shred", file.string(), "--yes"});
        EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
        EXPECT_NE(r.err.find(file.string() + ": not overwritten: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(f.says), std::string::npos) << r.err;
        EXPECT_TRUE(fs::exists(file));
        std::ifstream in(beside);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "beside");
    }
}

} // namespace
} // namespace corvane

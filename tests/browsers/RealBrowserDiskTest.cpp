// What a clean leaves on the disk itself, below the files: the made profiles of both browsers are
// put on a fresh ext4 file system in an image file, synced there as a user's profiles would be,
// cleaned with corvanectl, and after unmounting, the image's raw bytes (free blocks included) are
// searched for every erased marker. The kept ones must still be found, which shows the search
// reaches the data. Each marker left is named with the file whose blocks held it before the clean
// (from the block maps) and whether that file still uses them, so a failure says which store was
// removed or shrunk without its old bytes being overwritten. Mounting needs root and loop devices;
// elsewhere the test says so and skips.

#include "browsers/RealProfiles.h"
#include "support/Corvanectl.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <map>
#include <set>

namespace corvane::browsers {
namespace {

using testing::ReadBytes;
using testing::RunProgram;
namespace fs = std::filesystem;

// A 256 MiB ext4 image, mounted through a loop device in a temporary folder; unmounted and
// removed whatever happens.
class LoopFileSystem {
public:
    LoopFileSystem() {
        char tmpl[] = "/tmp/corvane-disk-XXXXXX";
        if (!::mkdtemp(tmpl)) {
            error_ = "no temporary folder";
            return;
        }
        folder_ = tmpl;
        std::error_code ec;
        std::ofstream(Image()).close();
        fs::resize_file(Image(), 256u << 20, ec);
        fs::create_directory(Mount(), ec);
        if (const auto made = RunProgram({"mkfs.ext4", "-q", "-F", Image().string()});
            made.exitCode != 0) {
            error_ = "mkfs.ext4 failed: " + made.err;
            return;
        }
        const auto mounted =
            RunProgram({"mount", "-o", "loop", Image().string(), Mount().string()});
        mounted_ = mounted.exitCode == 0;
        if (!mounted_)
            error_ = "mount -o loop failed: " + mounted.err;
    }
    LoopFileSystem(const LoopFileSystem&) = delete;
    LoopFileSystem& operator=(const LoopFileSystem&) = delete;
    ~LoopFileSystem() {
        // A file system still busy is detached all the same, so that what is removed next is
        // only the image and its empty mount point.
        if (!Unmount())
            RunProgram({"umount", "-l", Mount().string()});
        std::error_code ec;
        if (!folder_.empty())
            fs::remove_all(folder_, ec);
    }

    /// Why the file system is not there ("" when it is mounted).
    const std::string& Error() const { return error_; }
    fs::path Image() const { return folder_ / "disk.img"; }
    fs::path Mount() const { return folder_ / "mnt"; }
    /// Unmounts, so that the image holds everything the file system wrote; false on failure.
    bool Unmount() {
        if (mounted_)
            mounted_ = RunProgram({"umount", Mount().string()}).exitCode != 0;
        return !mounted_;
    }

private:
    fs::path folder_;
    std::string error_;
    bool mounted_ = false;
};

// Which file's blocks hold each byte of the file system: start offset on the device -> (end,
// file), from every regular file's FIEMAP.
using BlockMap = std::map<uint64_t, std::pair<uint64_t, fs::path>>;

BlockMap MapBlocks(const fs::path& top) {
    BlockMap map;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(top, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (it->is_symlink(ec) || !it->is_regular_file(ec))
            continue;
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        constexpr int kExtents = 64;
        std::vector<char> buffer(sizeof(fiemap) + kExtents * sizeof(fiemap_extent));
        auto* request = reinterpret_cast<fiemap*>(buffer.data());
        for (uint64_t start = 0;;) {
            *request = {};
            request->fm_start = start;
            request->fm_length = FIEMAP_MAX_OFFSET;
            request->fm_flags = FIEMAP_FLAG_SYNC;
            request->fm_extent_count = kExtents;
            if (::ioctl(fd, FS_IOC_FIEMAP, request) != 0 || request->fm_mapped_extents == 0)
                break;
            const fiemap_extent* last = nullptr;
            for (uint32_t i = 0; i < request->fm_mapped_extents; ++i) {
                last = &request->fm_extents[i];
                map[last->fe_physical] = {last->fe_physical + last->fe_length, it->path()};
            }
            if (last->fe_flags & FIEMAP_EXTENT_LAST)
                break;
            start = last->fe_logical + last->fe_length;
        }
        ::close(fd);
    }
    return map;
}

// The file whose blocks hold a byte of the device ("" when none does).
fs::path Owner(const BlockMap& map, uint64_t offset) {
    auto it = map.upper_bound(offset);
    if (it == map.begin())
        return {};
    --it;
    return offset < it->second.first ? it->second.second : fs::path();
}

// Where each occurrence of a marker on the device was before the clean and is now, one line a
// place: "file (freed)", "file (still in use)" or "no file's blocks" (a file made and removed
// during the clean, such as a database's journal).
std::set<std::string> Whereabouts(std::string_view image, const std::string& marker,
                                  const BlockMap& before, const BlockMap& after,
                                  const fs::path& root) {
    std::set<std::string> places;
    for (const std::string& form :
         {marker, testing::Utf16(marker, false), testing::Utf16(marker, true)}) {
        for (size_t at = image.find(form); at != std::string_view::npos;
             at = image.find(form, at + 1)) {
            const fs::path was = Owner(before, at);
            const fs::path is = Owner(after, at);
            if (!is.empty())
                places.insert(fs::relative(is, root).string() + " (still in use)");
            else if (!was.empty())
                places.insert(fs::relative(was, root).string() + " (freed)");
            else
                places.insert("no file's blocks");
        }
    }
    return places;
}

TEST(RealBrowserDisk, NoErasedTraceOfEitherBrowserIsLeftInTheFreeBlocks) {
    if (testing::MadeProfiles().empty())
        GTEST_SKIP() << "no real profiles made (run through ctest, which makes them first)";
    if (::geteuid() != 0 || !fs::exists("/dev/loop-control"))
        GTEST_SKIP() << "mounting an image needs root and loop devices";
    LoopFileSystem disk;
    if (!disk.Error().empty())
        GTEST_SKIP() << disk.Error();
    BlockMap before, after;
    {
        const testing::BrowserHome home(disk.Mount());
        testing::CopyMadeProfiles(home);
        // The profiles reach the disk before the clean, as a user's profiles have long since.
        ::sync();
        before = MapBlocks(disk.Mount());
        testing::EnableProfile(testing::ProfileId("firefox", testing::FirefoxProfile(home)));
        testing::EnableProfile(testing::ProfileId("chromium", testing::ChromiumProfile(home)));
        const auto run = testing::RunCorvanectl({"erase", "browsers"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        after = MapBlocks(disk.Mount());
    }
    ASSERT_TRUE(disk.Unmount());

    const std::string image = ReadBytes(disk.Image());
    ASSERT_EQ(image.size(), 256u << 20);
    std::string left;
    // The downloaded file is the user's and stays, so its name stays in its folder's entries.
    std::vector<std::string> erased = testing::ErasedMarkers();
    std::erase(erased, std::string("corvane-fetched.txt"));
    for (const std::string& marker : testing::MarkersIn(image, erased, true)) {
        left += "  " + marker + ":";
        const auto places = Whereabouts(image, marker, before, after, disk.Mount());
        for (const std::string& place : places)
            left += "\n    " + place;
        if (places.empty())
            left += "\n    inside a compressed block";
        left += "\n";
    }
    EXPECT_TRUE(left.empty()) << "erased traces still on the disk:\n" << left;
    const std::vector<std::string> kept = {"corvkeep-bookmark", "corvkeep-password",
                                           "corvkeep-pref"};
    EXPECT_EQ(testing::MarkersIn(image, kept, true), kept);
}

} // namespace
} // namespace corvane::browsers

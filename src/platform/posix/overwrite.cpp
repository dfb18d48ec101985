#include "platform/overwrite.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#ifndef STATX_MNT_ID
#define STATX_MNT_ID 0x00001000U
#endif

namespace corvane::platform {
namespace {

// What each known file system does with a write over a file's bytes. The numbers are the
// kernel's f_type values; ZFS and bcachefs are spelled out because not every kernel header
// names them.
struct FileSystemKind {
    std::uint32_t magic;
    const char* name;
    Reach reach;
};

constexpr std::array kKinds{
    FileSystemKind{0xEF53, "ext4", Reach::InPlace}, // ext2, ext3 and ext4 share the number
    FileSystemKind{0x58465342, "xfs", Reach::InPlace},
    FileSystemKind{0x4d44, "vfat", Reach::InPlace},
    FileSystemKind{0x2011BAB0, "exfat", Reach::InPlace},
    FileSystemKind{0x9123683E, "btrfs", Reach::CopyOnWrite},
    FileSystemKind{0x2fc12fc1, "zfs", Reach::CopyOnWrite},
    FileSystemKind{0xca451a4e, "bcachefs", Reach::CopyOnWrite},
    FileSystemKind{0xF2F52010, "f2fs", Reach::CopyOnWrite},
    FileSystemKind{0x3434, "nilfs2", Reach::CopyOnWrite},
    FileSystemKind{0x01021994, "tmpfs", Reach::Memory},
    FileSystemKind{0x858458f6, "ramfs", Reach::Memory},
    FileSystemKind{0x794c7630, "overlayfs", Reach::Unknown},
    FileSystemKind{0x65735546, "fuse", Reach::Unknown},
    FileSystemKind{0x6969, "nfs", Reach::Unknown},
    FileSystemKind{0xFF534D42, "cifs", Reach::Unknown},
    FileSystemKind{0xFE534D42, "smb2", Reach::Unknown},
    FileSystemKind{0x517B, "smb", Reach::Unknown},
    FileSystemKind{0x00c36400, "ceph", Reach::Unknown},
    FileSystemKind{0x01021997, "9p", Reach::Unknown},
};

std::string Reason(Reach reach, const std::string& fs) {
    switch (reach) {
    case Reach::InPlace:
        return {};
    case Reach::Journalled:
        return fs + " mounted data=journal keeps a copy in its journal";
    case Reach::CopyOnWrite:
        return fs + " keeps copies (copy-on-write)";
    case Reach::Memory:
        return fs + " holds files in memory, and swap may keep copies of their pages";
    case Reach::Unknown:
        break;
    }
    return fs + " does not tell where its writes go";
}

OverwriteVerdict Verdict(Reach reach, std::string fs) {
    OverwriteVerdict v;
    v.reach = reach;
    v.reason = Reason(reach, fs);
    v.fileSystem = std::move(fs);
    return v;
}

// The file system type and every option (per mount and per file system) of the mount with the
// given id in /proc/self/mountinfo, or of the last mount of the device when the kernel gives no
// mount id. Empty when no line matches.
struct MountLine {
    std::string type;
    std::string options; // both option fields, joined by commas
};

MountLine FindMount(std::uint64_t mountId, unsigned major, unsigned minor) {
    std::ifstream in("/proc/self/mountinfo");
    const std::string device = std::to_string(major) + ":" + std::to_string(minor);
    MountLine found;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string id, parent, dev, root, point, options, word;
        words >> id >> parent >> dev >> root >> point >> options;
        while (words >> word && word != "-") {
        } // the optional fields end at a lone "-"
        std::string type, source, superOptions;
        words >> type >> source >> superOptions;
        const bool match = mountId != 0 ? id == std::to_string(mountId) : dev == device;
        if (match)
            found = {type, options + "," + superOptions};
        if (match && mountId != 0)
            break;
    }
    return found;
}

bool HasOption(const std::string& options, const std::string& option) {
    std::istringstream in(options);
    for (std::string o; std::getline(in, o, ',');)
        if (o == option)
            return true;
    return false;
}

// What the block map of a regular file says: whether FIEMAP answered, whether any extent is
// shared with another file or a snapshot, and whether any is stored encoded (compressed).
struct BlockMap {
    bool answered = false;
    bool shared = false;
    bool encoded = false;
};

BlockMap MapOf(int fd) {
    constexpr unsigned kExtents = 64;
    // The request ends in a flexible array of extents, so it lives in a buffer of 8-byte words
    // large enough for the head and the extents.
    std::vector<std::uint64_t> buffer(
        (sizeof(fiemap) + kExtents * sizeof(fiemap_extent)) / sizeof(std::uint64_t) + 1);
    auto* request = reinterpret_cast<fiemap*>(buffer.data());
    BlockMap map;
    std::uint64_t start = 0;
    for (;;) {
        std::fill(buffer.begin(), buffer.end(), 0);
        request->fm_start = start;
        request->fm_length = FIEMAP_MAX_OFFSET - start;
        request->fm_extent_count = kExtents;
        if (::ioctl(fd, FS_IOC_FIEMAP, request) != 0)
            return map;
        map.answered = true;
        const unsigned n = request->fm_mapped_extents;
        if (n == 0)
            return map;
        for (unsigned i = 0; i < n; ++i) {
            const fiemap_extent& e = request->fm_extents[i];
            map.shared = map.shared || (e.fe_flags & FIEMAP_EXTENT_SHARED);
            map.encoded = map.encoded || (e.fe_flags & FIEMAP_EXTENT_ENCODED);
            if (e.fe_flags & FIEMAP_EXTENT_LAST)
                return map;
        }
        const fiemap_extent& last = request->fm_extents[n - 1];
        start = last.fe_logical + last.fe_length;
    }
}

// The verdict of the file system alone, its mount options included.
OverwriteVerdict MountVerdict(int fd) {
    struct statfs sf {};
    if (::fstatfs(fd, &sf) != 0)
        return Verdict(Reach::Unknown, std::string("the file system"));
    const auto magic = static_cast<std::uint32_t>(sf.f_type);
    const auto kind = std::find_if(kKinds.begin(), kKinds.end(),
                                   [&](const FileSystemKind& k) { return k.magic == magic; });
    if (kind == kKinds.end()) {
        std::ostringstream hex;
        hex << "the file system of type 0x" << std::hex << magic;
        return Verdict(Reach::Unknown, hex.str());
    }
    if (kind->magic != 0xEF53)
        return Verdict(kind->reach, kind->name);
    // Only the ext family has a mount option that changes the answer, and only there is the
    // mount table read.
    struct statx sx {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_MNT_ID, &sx) != 0)
        return Verdict(Reach::InPlace, kind->name);
    const MountLine mount = FindMount((sx.stx_mask & STATX_MNT_ID) ? sx.stx_mnt_id : 0,
                                      sx.stx_dev_major, sx.stx_dev_minor);
    const std::string name = mount.type.empty() ? kind->name : mount.type;
    return Verdict(HasOption(mount.options, "data=journal") ? Reach::Journalled : Reach::InPlace,
                   name);
}

const std::array<char, 1 << 16>& Zeros() {
    static const std::array<char, 1 << 16> zeros{};
    return zeros;
}

bool WriteZeros(int fd, off_t from, off_t to) {
    const auto& zeros = Zeros();
    while (from < to) {
        const auto size =
            static_cast<std::size_t>(std::min<off_t>(to - from, static_cast<off_t>(zeros.size())));
        const ssize_t n = ::pwrite(fd, zeros.data(), size, from);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        from += n;
    }
    return true;
}

// Zeroes every byte of an open file that holds data; holes hold none and stay holes, so a sparse
// file takes no new space. Where the file system cannot tell data from holes, all of it.
bool ZeroData(int fd, off_t length) {
    off_t at = 0;
    while (at < length) {
        const off_t data = ::lseek(fd, at, SEEK_DATA);
        if (data < 0)
            return errno == ENXIO || (errno == EINVAL && WriteZeros(fd, at, length));
        off_t hole = ::lseek(fd, data, SEEK_HOLE);
        if (hole < 0 || hole > length)
            hole = length;
        if (!WriteZeros(fd, data, hole))
            return false;
        at = hole;
    }
    return true;
}

std::string ErrorText(int error) {
    return std::strerror(error);
}

std::uint64_t DeviceOf(const struct stat& st) {
    return static_cast<std::uint64_t>(st.st_dev);
}

} // namespace

OverwriteVerdict VerdictFor(const FileHandle& file) {
    if (!file.IsOpen())
        return Verdict(Reach::Unknown, std::string("the file system"));
    OverwriteVerdict verdict = MountVerdict(file.Descriptor());
    struct stat st {};
    if (::fstat(file.Descriptor(), &st) != 0 || !S_ISREG(st.st_mode))
        return verdict;
    const bool btrfs = verdict.fileSystem == "btrfs";
    if (!verdict.InPlace() && !btrfs)
        return verdict;
    const BlockMap map = MapOf(file.Descriptor());
    if (map.shared) {
        verdict.reach = Reach::CopyOnWrite;
        verdict.reason = "its blocks are shared with another file or a snapshot";
        return verdict;
    }
    // A btrfs file without copy-on-write is written in place, when no snapshot or clone shares
    // its blocks and none is stored compressed.
    int flags = 0;
    if (btrfs && map.answered && !map.encoded &&
        ::ioctl(file.Descriptor(), FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_NOCOW_FL)) {
        verdict.reach = Reach::InPlace;
        verdict.reason.clear();
    }
    return verdict;
}

bool ZeroFileInPlace(const std::filesystem::path& file, std::string& error) {
    const FileHandle fd(
        ::open(file.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.IsOpen()) {
        error = file.string() + ": " + ErrorText(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd.Descriptor(), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = file.string() + ": not a regular file";
        return false;
    }
    if (st.st_nlink > 1) {
        error = file.string() + ": not zeroed: other links share its data";
        return false;
    }
    if (!ZeroData(fd.Descriptor(), st.st_size) || ::fdatasync(fd.Descriptor()) != 0) {
        error = file.string() + ": not zeroed: " + ErrorText(errno);
        return false;
    }
    return true;
}

OverwriteBatch::OverwriteBatch(std::size_t limit) : limit_(std::max<std::size_t>(limit, 1)) {}

OverwriteBatch::~OverwriteBatch() {
    Sync();
}

OverwriteBatch::Removed OverwriteBatch::RemoveAt(const FileHandle& folder,
                                                 const FileFacts& folderFacts,
                                                 const std::string& name, bool overwrite,
                                                 std::string& why) {
    const int dir = folder.Descriptor();
    const auto unlinkName = [&](std::string reason) {
        if (::unlinkat(dir, name.c_str(), 0) == 0) {
            why = std::move(reason);
            return Removed::NameOnly;
        }
        const int error = errno;
        why = ErrorText(error);
        return error == ENOENT ? Removed::Vanished : Removed::Failed;
    };
    if (!folder.IsOpen() || name.empty() || name == "." || name == ".." ||
        name.find('/') != std::string::npos) {
        why = "not a name inside the folder";
        return Removed::Failed;
    }
    struct statx before {};
    if (::statx(dir, name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                STATX_BASIC_STATS | STATX_MNT_ID, &before) != 0) {
        const int error = errno;
        why = ErrorText(error);
        return error == ENOENT ? Removed::Vanished : Removed::Failed;
    }
    // A link, FIFO, socket or device holds no bytes of the store: the name goes, unopened.
    if (!S_ISREG(before.stx_mode) || !overwrite)
        return unlinkName({});
    const std::uint64_t device =
        (static_cast<std::uint64_t>(before.stx_dev_major) << 32) | before.stx_dev_minor;
    const std::uint64_t mount = (before.stx_mask & STATX_MNT_ID) ? before.stx_mnt_id : 0;
    if (device != folderFacts.Device || mount != folderFacts.Mount) {
        why = "another file system is mounted on it";
        return Removed::Failed;
    }
    if (before.stx_nlink > 1)
        return unlinkName("not overwritten: other links share its data");
    FileHandle file(
        ::openat(dir, name.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (!file.IsOpen())
        return unlinkName("not overwritten: it could not be opened for writing: " +
                          ErrorText(errno));
    if (::fstat(file.Descriptor(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_ino != before.stx_ino ||
        st.st_dev != makedev(before.stx_dev_major, before.stx_dev_minor))
        return unlinkName("not overwritten: it changed while it was removed");
    // The name goes first and the bytes only once nothing names the file any more, so a file
    // that stays (a refused removal, a link made meanwhile) is never zeroed.
    if (::unlinkat(dir, name.c_str(), 0) != 0) {
        const int error = errno;
        why = ErrorText(error);
        return error == ENOENT ? Removed::Vanished : Removed::Failed;
    }
    if (::fstat(file.Descriptor(), &st) != 0 || st.st_nlink != 0) {
        why = "not overwritten: another name leads to its data";
        return Removed::NameOnly;
    }
    if (!ZeroData(file.Descriptor(), st.st_size)) {
        why = "not overwritten: a write failed: " + ErrorText(errno);
        return Removed::NameOnly;
    }
    if (st.st_size > 0) {
        held_.push_back({std::move(file), DeviceOf(st)});
        if (held_.size() >= limit_)
            Sync();
    }
    why.clear();
    return Removed::Overwritten;
}

void OverwriteBatch::Sync() {
    // One syncfs per file system reaches every held file on it.
    std::vector<std::uint64_t> synced;
    for (const HeldFile& h : held_) {
        if (std::find(synced.begin(), synced.end(), h.device) != synced.end())
            continue;
        synced.push_back(h.device);
        if (::syncfs(h.file.Descriptor()) != 0 && syncError_.empty())
            syncError_ =
                "the zeros may not have reached the disk: syncfs failed: " + ErrorText(errno);
    }
    held_.clear();
}

bool OverwriteBatch::Flush(std::string& error) {
    Sync();
    error = std::move(syncError_);
    syncError_.clear();
    return error.empty();
}

} // namespace corvane::platform

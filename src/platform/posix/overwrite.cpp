#include "platform/overwrite.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <map>
#include <mutex>
#include <poll.h>
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
    case Reach::Compressed:
        return fs + " stores it compressed and writes it to new blocks";
    case Reach::Memory:
        return fs + " holds files in memory, and swap may keep copies of their pages";
    case Reach::Unknown:
        break;
    }
    return "unknown: " + fs + " does not tell where its writes go";
}

OverwriteVerdict Verdict(Reach reach, std::string fs) {
    OverwriteVerdict v;
    v.reach = reach;
    v.reason = Reason(reach, fs);
    v.fileSystem = std::move(fs);
    return v;
}

void Downgrade(OverwriteVerdict& v, Reach reach, std::string reason) {
    v.reach = reach;
    v.reason = std::move(reason);
}

// One line of /proc/self/mountinfo: the mount id, the device, the file system type, every
// option (per mount and per file system, joined by commas) and the source.
struct MountLine {
    std::uint64_t id = 0;
    std::string device; // "MAJ:MIN"
    std::string type;
    std::string options;
    std::string source;
};

std::vector<MountLine> ParseMounts(const std::string& text) {
    std::vector<MountLine> mounts;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string id, parent, dev, root, point, options, word;
        words >> id >> parent >> dev >> root >> point >> options;
        while (words >> word && word != "-") {
        } // the optional fields end at a lone "-"
        MountLine m;
        std::string superOptions;
        words >> m.type >> m.source >> superOptions;
        m.id = std::strtoull(id.c_str(), nullptr, 10);
        m.device = dev;
        m.options = options + "," + superOptions;
        mounts.push_back(std::move(m));
    }
    return mounts;
}

bool HasOption(const std::string& options, const std::string& option) {
    std::istringstream in(options);
    for (std::string o; std::getline(in, o, ',');)
        if (o == option)
            return true;
    return false;
}

// The first option that starts with one of the prefixes ("compress" matches "compress=zstd:3"
// and "compress-force=lzo"), empty when none does.
std::string OptionStarting(const std::string& options, const std::string& prefix) {
    std::istringstream in(options);
    for (std::string o; std::getline(in, o, ',');)
        if (o.rfind(prefix, 0) == 0)
            return o;
    return {};
}

std::string ReadSmall(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string text;
    std::getline(in, text);
    return text;
}

// What the block devices below a file system say: whether any is flash (non-rotational) and
// whether any is a dm-crypt mapping.
struct DeviceFacts {
    bool flash = false;
    bool crypt = false;
};

// Follows a block device down through its partition, its dm or md members and a loop device's
// backing file, as far as /sys tells: the devices at the bottom decide whether it is flash.
DeviceFacts InspectDevice(unsigned devMajor, unsigned devMinor, int depth) {
    DeviceFacts facts;
    std::error_code ec;
    std::filesystem::path dev = std::filesystem::canonical(
        "/sys/dev/block/" + std::to_string(devMajor) + ":" + std::to_string(devMinor), ec);
    if (ec || depth > 8)
        return facts;
    if (std::filesystem::exists(dev / "partition", ec))
        dev = dev.parent_path();
    facts.crypt = ReadSmall(dev / "dm" / "uuid").rfind("CRYPT-", 0) == 0;
    bool below = false;
    const auto add = [&](unsigned maj, unsigned min) {
        const DeviceFacts lower = InspectDevice(maj, min, depth + 1);
        facts.flash = facts.flash || lower.flash;
        facts.crypt = facts.crypt || lower.crypt;
        below = true;
    };
    for (const auto& slave : std::filesystem::directory_iterator(dev / "slaves", ec)) {
        unsigned maj = 0, min = 0;
        if (std::sscanf(ReadSmall(slave.path() / "dev").c_str(), "%u:%u", &maj, &min) == 2)
            add(maj, min);
    }
    struct stat backing {};
    const std::string file = ReadSmall(dev / "loop" / "backing_file");
    if (!file.empty() && ::stat(file.c_str(), &backing) == 0 && major(backing.st_dev) != 0)
        add(major(backing.st_dev), minor(backing.st_dev));
    if (!below)
        facts.flash = ReadSmall(dev / "queue" / "rotational") == "0";
    return facts;
}

// This process's mount table, read again only when the kernel says it changed (poll on
// /proc/self/mountinfo), and what the devices below each file system are, read once per device
// while the table stays the same. A wipe asks for both on every file, so neither is read per file.
class MountTable {
public:
    // The line of the mount with the given id, or the last mount of the device when the kernel
    // gives no id; false when no line matches.
    bool Find(std::uint64_t mountId, unsigned devMajor, unsigned devMinor, MountLine& found) {
        std::lock_guard lock(mutex_);
        Refresh();
        const std::string device = std::to_string(devMajor) + ":" + std::to_string(devMinor);
        bool any = false;
        for (const MountLine& m : mounts_) {
            if (mountId != 0 ? m.id != mountId : m.device != device)
                continue;
            found = m;
            any = true;
            if (mountId != 0)
                break;
        }
        return any;
    }

    DeviceFacts Device(unsigned devMajor, unsigned devMinor) {
        std::lock_guard lock(mutex_);
        Refresh();
        const auto key = (static_cast<std::uint64_t>(devMajor) << 32) | devMinor;
        const auto known = devices_.find(key);
        if (known != devices_.end())
            return known->second;
        return devices_[key] = InspectDevice(devMajor, devMinor, 0);
    }

private:
    void Refresh() {
        if (!file_.IsOpen())
            file_ = FileHandle(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC));
        pollfd changed{file_.Descriptor(), POLLPRI, 0};
        if (loaded_ && file_.IsOpen() && ::poll(&changed, 1, 0) == 0)
            return;
        std::string text;
        std::array<char, 1 << 14> chunk{};
        if (file_.IsOpen() && ::lseek(file_.Descriptor(), 0, SEEK_SET) == 0)
            for (ssize_t n; (n = ::read(file_.Descriptor(), chunk.data(), chunk.size())) > 0;)
                text.append(chunk.data(), static_cast<std::size_t>(n));
        mounts_ = ParseMounts(text);
        devices_.clear();
        loaded_ = file_.IsOpen();
    }

    std::mutex mutex_;
    FileHandle file_;
    bool loaded_ = false;
    std::vector<MountLine> mounts_;
    std::map<std::uint64_t, DeviceFacts> devices_;
};

MountTable& Mounts() {
    static MountTable table;
    return table;
}

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
            // Data of a delayed allocation is still only in memory: no old copy of it lies on
            // the device, so it has no place to compare.
            if (e.fe_flags & FIEMAP_EXTENT_DELALLOC)
                continue;
            if (e.fe_flags & FIEMAP_EXTENT_UNKNOWN)
                map.unplaced = true;
            else
                map.extents.push_back({e.fe_logical, e.fe_physical, e.fe_length});
            if (e.fe_flags & FIEMAP_EXTENT_LAST)
                return map;
        }
        const fiemap_extent& last = request->fm_extents[n - 1];
        start = last.fe_logical + last.fe_length;
    }
}

// True when every byte that lay on the device before still lies at the same place.
bool StayedInPlace(const BlockMap& before, const BlockMap& after) {
    for (const BlockMap::Extent& b : before.extents) {
        std::uint64_t at = b.logical;
        const std::uint64_t end = b.logical + b.length;
        for (const BlockMap::Extent& a : after.extents) {
            if (at >= end)
                break;
            if (a.logical + a.length <= at || a.logical > at)
                continue;
            if (a.physical - a.logical != b.physical - b.logical)
                return false;
            at = a.logical + a.length;
        }
        if (at < end)
            return false;
    }
    return true;
}

constexpr std::uint32_t kExtMagic = 0xEF53;

// The verdict of the file system alone, its mount options and devices included.
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
    struct statx sx {};
    MountLine mount;
    const bool known = ::statx(fd, "", AT_EMPTY_PATH, STATX_MNT_ID, &sx) == 0 &&
                       Mounts().Find((sx.stx_mask & STATX_MNT_ID) ? sx.stx_mnt_id : 0,
                                     sx.stx_dev_major, sx.stx_dev_minor, mount);
    const bool ext = kind->magic == kExtMagic;
    // The ext family shares one number, so the mount table names the member.
    OverwriteVerdict v = Verdict(kind->reach, ext && !mount.type.empty() ? mount.type : kind->name);
    if (!known)
        return v;
    if (ext && HasOption(mount.options, "data=journal"))
        v = Verdict(Reach::Journalled, v.fileSystem);
    if (const std::string c = OptionStarting(mount.options, "compress"); !c.empty())
        Downgrade(v, Reach::Compressed,
                  v.fileSystem + " mounted " + c +
                      " stores files compressed and writes them to new "
                      "blocks (copy-on-write)");
    // A file system on a block device has its device in the stat; btrfs gives every volume an
    // anonymous one, so there the mount's source leads to the device.
    unsigned devMajor = sx.stx_dev_major, devMinor = sx.stx_dev_minor;
    struct stat source {};
    if (devMajor == 0 && mount.source.rfind("/dev/", 0) == 0 &&
        ::stat(mount.source.c_str(), &source) == 0 && S_ISBLK(source.st_mode)) {
        devMajor = major(source.st_rdev);
        devMinor = minor(source.st_rdev);
    }
    if (devMajor == 0)
        return v;
    const DeviceFacts device = Mounts().Device(devMajor, devMinor);
    if (device.flash)
        v.caveat = "it lies on a flash drive, which may keep old copies of overwritten blocks";
    if (device.crypt)
        v.encryption = "dm-crypt";
    return v;
}

// Adds what a regular file's flags and block map say to its file system's verdict.
void JudgeFile(int fd, const BlockMap& map, OverwriteVerdict& v) {
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0)
        flags = 0;
    struct statx sx {};
    const std::uint64_t attributes = ::statx(fd, "", AT_EMPTY_PATH, 0, &sx) == 0
                                         ? sx.stx_attributes & sx.stx_attributes_mask
                                         : 0;
    if (v.encryption.empty() && ((flags & FS_ENCRYPT_FL) || (attributes & STATX_ATTR_ENCRYPTED)))
        v.encryption = "fscrypt";
    const bool compressed =
        map.encoded || (flags & FS_COMPR_FL) || (attributes & STATX_ATTR_COMPRESSED);
    const bool btrfs = v.fileSystem == "btrfs";
    if (!v.InPlace() && !btrfs)
        return;
    if (map.shared)
        return Downgrade(v, Reach::CopyOnWrite,
                         "a copy or snapshot shares its blocks and keeps the old data");
    if (btrfs) {
        // A btrfs file without copy-on-write is written in place, when no snapshot or clone
        // shares its blocks and none is stored compressed.
        if ((flags & FS_NOCOW_FL) && map.answered && !map.unplaced && !compressed)
            Downgrade(v, Reach::InPlace, {});
        else if (compressed)
            Downgrade(v, Reach::Compressed, Reason(Reach::Compressed, v.fileSystem));
        return;
    }
    if (!map.answered || map.unplaced)
        return Downgrade(v, Reach::Unknown,
                         "unknown: " + v.fileSystem + " did not tell where the file's blocks lie");
    if (compressed)
        return Downgrade(v, Reach::Compressed, Reason(Reach::Compressed, v.fileSystem));
    if (flags & FS_JOURNAL_DATA_FL)
        Downgrade(v, Reach::Journalled, v.fileSystem + " keeps a copy of its data in the journal");
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
    if (::fstat(file.Descriptor(), &st) == 0 && S_ISREG(st.st_mode))
        JudgeFile(file.Descriptor(), MapOf(file.Descriptor()), verdict);
    return verdict;
}

BlockMap MapBlocks(const FileHandle& file) {
    return file.IsOpen() ? MapOf(file.Descriptor()) : BlockMap{};
}

OverwriteVerdict VerdictAfterOverwrite(const FileHandle& file, const BlockMap& before) {
    if (!file.IsOpen())
        return Verdict(Reach::Unknown, std::string("the file system"));
    OverwriteVerdict v = MountVerdict(file.Descriptor());
    const BlockMap after = MapOf(file.Descriptor());
    // What the map before says counts as much as the one after: the old bytes lay there, and a
    // copy-on-write pass leaves the file with new blocks that nothing shares any more.
    BlockMap seen = after;
    seen.answered = before.answered && after.answered;
    seen.shared = before.shared || after.shared;
    seen.encoded = before.encoded || after.encoded;
    seen.unplaced = before.unplaced || after.unplaced;
    JudgeFile(file.Descriptor(), seen, v);
    if (v.InPlace() && !StayedInPlace(before, after))
        Downgrade(v, Reach::CopyOnWrite,
                  "its data moved: the writes went to other blocks than the old ones");
    return v;
}

bool StillMounted(const FileHandle& file) {
    struct statx sx {};
    if (!file.IsOpen() || ::statx(file.Descriptor(), "", AT_EMPTY_PATH, STATX_MNT_ID, &sx) != 0)
        return false;
    MountLine mount;
    return Mounts().Find((sx.stx_mask & STATX_MNT_ID) ? sx.stx_mnt_id : 0, sx.stx_dev_major,
                         sx.stx_dev_minor, mount);
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

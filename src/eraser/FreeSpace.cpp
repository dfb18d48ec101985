#include "eraser/FreeSpace.h"

#include "platform/files.h"
#include "platform/overwrite.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <linux/fs.h>
#include <memory>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#ifndef STATX_MNT_ID
#define STATX_MNT_ID 0x00001000U
#endif

namespace corvane::eraser {
namespace {

using platform::FileHandle;

// Direct writes go straight from memory to the device, which wants them aligned to its blocks;
// 4096 bytes suits every device in use.
constexpr std::size_t kAlign = 4096;

std::string ErrorText(int error) {
    return std::strerror(error);
}

// File systems with no disk behind them: their "free space" is no old data of anybody's.
struct VirtualKind {
    std::uint32_t magic;
    const char* name;
};

constexpr std::array kVirtualKinds{
    VirtualKind{0x9fa0, "proc"},          VirtualKind{0x62656572, "sysfs"},
    VirtualKind{0x1cd1, "devpts"},        VirtualKind{0x27e0eb, "cgroup"},
    VirtualKind{0x63677270, "cgroup2"},   VirtualKind{0x64626720, "debugfs"},
    VirtualKind{0x74726163, "tracefs"},   VirtualKind{0x73636673, "securityfs"},
    VirtualKind{0x6165676C, "pstore"},    VirtualKind{0xcafe4a11, "bpf"},
    VirtualKind{0xde5e81e4, "efivarfs"},  VirtualKind{0x62656570, "configfs"},
    VirtualKind{0x65735543, "fusectl"},   VirtualKind{0x958458f6, "hugetlbfs"},
    VirtualKind{0x19800202, "mqueue"},    VirtualKind{0x42494e4d, "binfmt_misc"},
    VirtualKind{0xf97cff8c, "selinuxfs"}, VirtualKind{0x0187, "autofs"},
    VirtualKind{0x6e736673, "nsfs"},
};
constexpr std::uint32_t kRamfsMagic = 0x858458f6;
constexpr std::uint32_t kTmpfsMagic = 0x01021994;

// Where a file system is mounted and what the mount table calls it.
struct MountFacts {
    std::string point;
    std::string type;
};

// The mount table writes a space, tab, newline and backslash in a path as an octal escape.
std::string Unescape(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(),
                            [](char c) { return c >= '0' && c <= '7'; })) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

std::uint64_t MountIdOf(int fd) {
    struct statx sx {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_MNT_ID, &sx) != 0 || !(sx.stx_mask & STATX_MNT_ID))
        return 0;
    return sx.stx_mnt_id;
}

// The mount point and type of the mount with this id (or, without one, the last mount of the
// device) in /proc/self/mountinfo.
MountFacts MountOf(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return {};
    const std::uint64_t id = MountIdOf(fd);
    const std::string device =
        std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
    std::ifstream in("/proc/self/mountinfo");
    MountFacts found;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string mountId, parent, dev, root, point, options, word, type;
        words >> mountId >> parent >> dev >> root >> point >> options;
        while (words >> word && word != "-") {
        } // the optional fields end at a lone "-"
        words >> type;
        if (id != 0 ? mountId == std::to_string(id) : dev == device)
            found = {Unescape(point), type};
        if (id != 0 && !found.point.empty())
            break;
    }
    return found;
}

// A number from a file under /sys/dev/block for the device of a file system, looked up on the
// partition first and then on the disk that holds it; -1 when neither tells.
long long DeviceFact(dev_t device, const std::string& name) {
    const std::string base =
        "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
    for (const std::string& place : {base + "/queue/" + name, base + "/../queue/" + name}) {
        std::ifstream in(place);
        long long value = 0;
        if (in >> value)
            return value;
    }
    return -1;
}

// Memory aligned for direct writes, all zeros, freed when it ends.
struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};
using ZeroBuffer = std::unique_ptr<char, FreeDeleter>;

ZeroBuffer MakeZeros(std::size_t size) {
    void* memory = nullptr;
    if (::posix_memalign(&memory, kAlign, size) != 0)
        return nullptr;
    std::memset(memory, 0, size);
    return ZeroBuffer(static_cast<char*>(memory));
}

// The wipe's own folder: made new (so nothing in it was anybody else's), and on its end emptied
// of the fill files the wipe made in it, by their names, and removed. Nothing else is removed: a
// name some other program put in the folder keeps the folder there, and the report says so.
class FillFolder {
public:
    FillFolder() = default;
    ~FillFolder() {
        std::string ignored;
        Remove(ignored);
    }
    FillFolder(const FillFolder&) = delete;
    FillFolder& operator=(const FillFolder&) = delete;

    // Makes the folder inside the open folder `parent`; false with the error number when it
    // cannot be made there.
    bool Make(const FileHandle& parent, const std::string& place, int& error) {
        for (int attempt = 0; attempt < 16; ++attempt) {
            unsigned char random[6] = {};
            if (::getrandom(random, sizeof random, 0) != sizeof random)
                std::memcpy(random, &attempt, sizeof attempt);
            char name[32];
            std::snprintf(name, sizeof name, ".corvane-free-%02x%02x%02x%02x%02x%02x", random[0],
                          random[1], random[2], random[3], random[4], random[5]);
            if (::mkdirat(parent.Descriptor(), name, 0700) != 0) {
                error = errno;
                if (error == EEXIST)
                    continue;
                return false;
            }
            name_ = name;
            place_ = (place == "/" ? "" : place) + "/" + name;
            parent_ = FileHandle(::fcntl(parent.Descriptor(), F_DUPFD_CLOEXEC, 0));
            folder_ = FileHandle(::openat(parent.Descriptor(), name,
                                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!folder_.IsOpen() || !parent_.IsOpen()) {
                error = errno;
                ::unlinkat(parent.Descriptor(), name, AT_REMOVEDIR);
                name_.clear();
                return false;
            }
            return true;
        }
        return false;
    }

    // A new, empty fill file, for direct writes where the file system takes them; closed with
    // the error number in `failure` when it cannot be made.
    FileHandle NewFile(bool& direct, int& failure) {
        const std::string name = "fill-" + std::to_string(files_);
        constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
        int fd = ::openat(folder_.Descriptor(), name.c_str(), kFlags | O_DIRECT, 0600);
        direct = fd >= 0;
        if (fd < 0 && errno == EINVAL)
            fd = ::openat(folder_.Descriptor(), name.c_str(), kFlags, 0600);
        if (fd < 0)
            failure = errno;
        else
            ++files_;
        return FileHandle(fd);
    }

    // Removes the fill files and the folder; false with the reason when the folder stays.
    bool Remove(std::string& error) {
        if (name_.empty())
            return true;
        for (unsigned i = 0; i < files_; ++i) {
            const std::string name = "fill-" + std::to_string(i);
            if (::unlinkat(folder_.Descriptor(), name.c_str(), 0) != 0 && errno != ENOENT) {
                error = name + ": " + ErrorText(errno);
                return false;
            }
        }
        files_ = 0;
        if (::unlinkat(parent_.Descriptor(), name_.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT) {
            error = ErrorText(errno);
            return false;
        }
        name_.clear();
        return true;
    }

    const FileHandle& Folder() const { return folder_; }
    // The folder's path, for a person.
    const std::string& Place() const { return place_; }

private:
    std::string place_;
    FileHandle parent_;
    FileHandle folder_;
    std::string name_;
    unsigned files_ = 0;
};

// How much the fill may still write: what the writer may take of the free space (an
// administrator also the blocks reserved for one), less the margin left for everybody else.
struct Space {
    std::uint64_t free = 0;  // every free byte, reserved ones too
    std::uint64_t room = 0;  // what the fill may still take
    std::uint64_t block = 0; // the file system's block
};

bool SpaceOf(int fd, std::uint64_t margin, Space& space) {
    struct statvfs sv {};
    if (::fstatvfs(fd, &sv) != 0)
        return false;
    const std::uint64_t unit = sv.f_frsize ? sv.f_frsize : sv.f_bsize;
    space.free = std::uint64_t{sv.f_bfree} * unit;
    const std::uint64_t mine = (::geteuid() == 0 ? sv.f_bfree : sv.f_bavail) * unit;
    space.room = std::min(mine, space.free > margin ? space.free - margin : 0);
    space.block = std::max<std::uint64_t>(unit, 512);
    return true;
}

// How the fill ended.
enum class FillEnd { Full, Cancelled, Quota, Compressed, Failed };

// Writes zeros into new fill files until the room is used up, each file flushed when it is
// full or the fill ends.
class Filler {
public:
    Filler(FillFolder& folder, FreeSpaceProgress& progress, const FreeSpaceOptions& options)
        : folder_(folder), progress_(progress), options_(options),
          chunk_(std::max(options.chunk / kAlign, std::size_t{1}) * kAlign),
          zeros_(MakeZeros(chunk_)) {}

    FillEnd Run(std::uint64_t firstRoom, std::string& error) {
        if (!zeros_) {
            error = "no memory for the zeros";
            return FillEnd::Failed;
        }
        // A file system that stores zeros in less than their size (compressing them) would take
        // writes for ever without filling up.
        const std::uint64_t limit = 2 * firstRoom + (std::uint64_t{64} << 20);
        const FillEnd end = Write(limit, error);
        if (!CloseFile(error) && end != FillEnd::Failed)
            return FillEnd::Failed;
        return end;
    }

    std::uint64_t Written() const { return written_; }

private:
    FillEnd Write(std::uint64_t limit, std::string& error) {
        for (;;) {
            if (progress_.cancel.load())
                return FillEnd::Cancelled;
            Space space;
            if (!SpaceOf(folder_.Folder().Descriptor(), options_.margin, space)) {
                error = "the free space cannot be measured: " + ErrorText(errno);
                return FillEnd::Failed;
            }
            if (space.room < space.block)
                return FillEnd::Full;
            if (written_ > limit)
                return FillEnd::Compressed;
            if (!file_.IsOpen() || offset_ >= options_.fileSize) {
                if (!CloseFile(error))
                    return FillEnd::Failed;
                int failure = 0;
                file_ = folder_.NewFile(direct_, failure);
                offset_ = 0;
                if (!file_.IsOpen()) {
                    if (failure == ENOSPC)
                        return FillEnd::Full;
                    if (failure == EDQUOT)
                        return FillEnd::Quota;
                    error = "a fill file cannot be made: " + ErrorText(failure);
                    return FillEnd::Failed;
                }
            }
            std::uint64_t size =
                std::min<std::uint64_t>({chunk_, space.room, options_.fileSize - offset_});
            if (direct_ && size < kAlign)
                DropDirect();
            size = direct_ ? size / kAlign * kAlign : size / space.block * space.block;
            if (size == 0)
                return FillEnd::Full;
            const ssize_t n =
                ::pwrite(file_.Descriptor(), zeros_.get(), size, static_cast<off_t>(offset_));
            if (n > 0) {
                offset_ += static_cast<std::uint64_t>(n);
                written_ += static_cast<std::uint64_t>(n);
                progress_.written.store(written_);
                continue;
            }
            const int failure = n == 0 ? ENOSPC : errno;
            if (failure == EINTR)
                continue;
            // Direct writes refused, or the space left is smaller than one: the rest goes
            // through the page cache, one block at a time if need be.
            if (direct_ && (failure == EINVAL || failure == ENOSPC)) {
                DropDirect();
                continue;
            }
            if (failure == EFBIG && offset_ > 0) {
                offset_ = options_.fileSize;
                continue;
            }
            if (failure == ENOSPC)
                return FillEnd::Full;
            if (failure == EDQUOT)
                return FillEnd::Quota;
            error = "a write failed: " + ErrorText(failure);
            return FillEnd::Failed;
        }
    }

    void DropDirect() {
        const int flags = ::fcntl(file_.Descriptor(), F_GETFL);
        if (flags >= 0)
            ::fcntl(file_.Descriptor(), F_SETFL, flags & ~O_DIRECT);
        direct_ = false;
    }

    // Flushes and closes the file being filled; a flush that fails means the zeros may not be
    // on the disk, and the fill says so.
    bool CloseFile(std::string& error) {
        if (!file_.IsOpen())
            return true;
        const bool flushed = ::fdatasync(file_.Descriptor()) == 0;
        const int failure = errno;
        file_.Close();
        if (!flushed && error.empty())
            error = "the zeros may not have reached the disk: " + ErrorText(failure);
        return flushed;
    }

    FillFolder& folder_;
    FreeSpaceProgress& progress_;
    const FreeSpaceOptions& options_;
    std::size_t chunk_;
    ZeroBuffer zeros_;
    FileHandle file_;
    bool direct_ = false;
    std::uint64_t offset_ = 0;
    std::uint64_t written_ = 0;
};

// The folder the fill goes in: `path` itself, or the folder holding it (its path in `folder`).
FileHandle OpenStart(const std::string& path, std::string& folder, std::string& error) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        error = path + ": " + ErrorText(errno);
        return {};
    }
    if (S_ISLNK(st.st_mode)) {
        error = path + " is a symbolic link: name the folder it leads to";
        return {};
    }
    folder = path;
    if (!S_ISDIR(st.st_mode)) {
        const auto slash = path.find_last_of('/');
        folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    }
    FileHandle fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.IsOpen())
        error = folder + ": " + ErrorText(errno);
    return fd;
}

bool SameMount(int a, int b) {
    struct stat sa {
    }, sb{};
    return ::fstat(a, &sa) == 0 && ::fstat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
           MountIdOf(a) == MountIdOf(b);
}

// Makes the fill folder in the start folder, or where the user may write on the same mount (the
// home or temporary folder) when the start folder is not theirs to write.
bool MakeFillFolder(const FileHandle& start, const std::string& folder, FillFolder& fill,
                    std::string& error) {
    int failure = 0;
    if (fill.Make(start, folder, failure))
        return true;
    if (failure == EACCES || failure == EPERM) {
        for (const char* variable : {"HOME", "TMPDIR"}) {
            const char* place = std::getenv(variable);
            if (place == nullptr || *place == '\0')
                continue;
            FileHandle other(::open(place, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            int ignored = 0;
            if (other.IsOpen() && SameMount(start.Descriptor(), other.Descriptor()) &&
                fill.Make(other, place, ignored))
                return true;
        }
    }
    error = failure == EROFS
                ? "the file system is mounted read-only"
                : "cannot make the fill folder in " + folder + ": " + ErrorText(failure);
    return false;
}

// What the wipe cannot reach, or why it adds little, on this file system.
void AddNotes(const FileHandle& folder, const std::string& type, FreeSpaceReport& report) {
    const platform::OverwriteVerdict verdict = platform::VerdictFor(folder);
    switch (verdict.reach) {
    case platform::Reach::CopyOnWrite:
        report.notes.push_back(
            verdict.reason +
            ": blocks that a snapshot or a reflinked copy still holds are not free, so the wipe "
            "cannot reach them");
        break;
    case platform::Reach::Memory:
        report.notes.push_back(
            type +
            " keeps files in memory and has no disk blocks that keep old data, so wiping it adds "
            "little (swap may still hold old pages)");
        break;
    case platform::Reach::Unknown:
        report.notes.push_back(verdict.reason +
                               ": the zeros may not reach the blocks deleted files left");
        break;
    case platform::Reach::Compressed:
        report.notes.push_back(verdict.reason +
                               ": zeros take almost no room there, so the fill may stop long "
                               "before every free block is written");
        break;
    case platform::Reach::InPlace:
    case platform::Reach::Journalled:
        break;
    }
}

void Trim(const FileHandle& folder, FreeSpaceReport& report) {
    struct stat st {};
    ::fstat(folder.Descriptor(), &st);
    if (report.fileSystem == "tmpfs") {
        report.trim = TrimOutcome::NotDiscarding;
        report.trimNote = "memory has no blocks to trim";
        return;
    }
    if (DeviceFact(st.st_dev, "discard_max_bytes") == 0) {
        report.trim = TrimOutcome::NotDiscarding;
        report.trimNote = "the device does not discard blocks";
        return;
    }
    fstrim_range range{};
    range.len = ULLONG_MAX;
    if (::ioctl(folder.Descriptor(), FITRIM, &range) == 0) {
        report.trim = TrimOutcome::Trimmed;
        report.trimmed = range.len;
        return;
    }
    const int failure = errno;
    if (failure == EPERM || failure == EACCES) {
        report.trim = TrimOutcome::NoRights;
        report.trimNote = "only an administrator may trim: `fstrim " + report.mountPoint +
                          "` run as root does it";
    } else if (failure == EOPNOTSUPP || failure == ENOTTY) {
        report.trim = TrimOutcome::NotDiscarding;
        report.trimNote = "the device or file system does not discard blocks";
    } else {
        report.trim = TrimOutcome::Failed;
        report.trimNote = "the trim failed: " + ErrorText(failure);
    }
}

// Why the file system of an open folder may not be filled; empty when it may.
std::string Refusal(const FileHandle& folder, const std::string& path) {
    struct statfs sf {};
    if (::fstatfs(folder.Descriptor(), &sf) != 0)
        return path + ": " + ErrorText(errno);
    const auto magic = static_cast<std::uint32_t>(sf.f_type);
    const MountFacts mount = MountOf(folder.Descriptor());
    const auto kind = std::find_if(kVirtualKinds.begin(), kVirtualKinds.end(),
                                   [&](const VirtualKind& k) { return k.magic == magic; });
    // devtmpfs reports itself as tmpfs; only the mount table tells them apart.
    if (kind != kVirtualKinds.end() || mount.type == "devtmpfs" || sf.f_blocks == 0)
        return path + " is on " + (kind != kVirtualKinds.end() ? kind->name : mount.type.c_str()) +
               ", a virtual file system: it has no free disk space to wipe";
    if (magic == kRamfsMagic)
        return path + " is on ramfs, which has no size limit: filling it would take all memory";
    if (sf.f_flags & ST_RDONLY)
        return mount.point + " is mounted read-only: its free space cannot be written";
    return {};
}

} // namespace

int FreeSpaceProgress::Percent() const {
    if (phase.load() == Finished)
        return 100;
    const std::uint64_t whole = target.load();
    if (whole == 0)
        return 0;
    return static_cast<int>(std::min<std::uint64_t>(written.load() * 100 / whole, 99));
}

std::string SizeText(std::uint64_t bytes) {
    static const char* const units[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(units)) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    if (unit == 0 || value >= 100 || value == static_cast<double>(static_cast<int>(value)))
        std::snprintf(text, sizeof text, "%.0f %s", value, units[unit]);
    else
        std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

std::vector<std::string> FreeSpaceReport::Lines() const {
    std::vector<std::string> lines;
    if (outcome == Outcome::Failed)
        lines.push_back("free space not wiped: " + error);
    if (outcome == Outcome::Cancelled)
        lines.push_back("cancelled after " + SizeText(written) + " of zeros");
    const std::string where = mountPoint + (fileSystem.empty() ? "" : " (" + fileSystem + ")");
    if (outcome == Outcome::Done)
        lines.push_back("wiped " + SizeText(written) + " of free space on " + where +
                        " with zeros, flushed and removed them");
    else if (written > 0 && leftBehind.empty())
        lines.push_back("the " + SizeText(written) + " of fill files written on " + where +
                        " are removed");
    if (outcome == Outcome::Done && leftFree > 0)
        lines.push_back(SizeText(leftFree) +
                        " stayed free and was not written over (the margin kept for the rest of "
                        "the system, and what the file system keeps for itself)");
    switch (trim) {
    case TrimOutcome::Skipped:
        break;
    case TrimOutcome::Trimmed:
        lines.push_back("trimmed: the device was told to discard " + SizeText(trimmed) +
                        " of free blocks");
        break;
    case TrimOutcome::NotDiscarding:
    case TrimOutcome::NoRights:
    case TrimOutcome::Failed:
        lines.push_back("not trimmed: " + trimNote);
        break;
    }
    lines.insert(lines.end(), notes.begin(), notes.end());
    if (!leftBehind.empty())
        lines.push_back("the fill folder " + leftBehind + " could not be removed");
    return lines;
}

std::string FreeSpaceRefusal(const std::string& path) {
    std::string folder, error;
    const FileHandle start = OpenStart(path, folder, error);
    return start.IsOpen() ? Refusal(start, path) : error;
}

FreeSpaceReport WipeFreeSpace(const std::string& path, FreeSpaceProgress& progress,
                              const FreeSpaceOptions& options) {
    FreeSpaceReport report;
    progress.phase.store(FreeSpaceProgress::Preparing);
    const auto finish = [&](FreeSpaceReport::Outcome outcome) {
        report.outcome = outcome;
        progress.phase.store(FreeSpaceProgress::Finished);
        return report;
    };
    std::string folder;
    const FileHandle start = OpenStart(path, folder, report.error);
    if (!start.IsOpen())
        return finish(FreeSpaceReport::Outcome::Failed);
    const MountFacts mount = MountOf(start.Descriptor());
    report.mountPoint = mount.point.empty() ? path : mount.point;
    report.fileSystem = mount.type;
    if (report.error = Refusal(start, path); !report.error.empty())
        return finish(FreeSpaceReport::Outcome::Failed);
    AddNotes(start, report.fileSystem, report);

    FillFolder fill;
    if (!MakeFillFolder(start, folder, fill, report.error)) {
        if (report.error.find("read-only") != std::string::npos)
            report.error = report.mountPoint + " is mounted read-only: its free space cannot be "
                                               "written";
        return finish(FreeSpaceReport::Outcome::Failed);
    }
    // Blocks freed just before (a file deleted a moment ago) are reused only once the file
    // system has committed their release.
    ::syncfs(fill.Folder().Descriptor());
    Space space;
    if (!SpaceOf(fill.Folder().Descriptor(), options.margin, space)) {
        report.error = "the free space cannot be measured: " + ErrorText(errno);
        return finish(FreeSpaceReport::Outcome::Failed);
    }
    progress.target.store(std::max<std::uint64_t>(space.room, 1));
    progress.phase.store(FreeSpaceProgress::Filling);

    Filler filler(fill, progress, options);
    std::string fillError;
    const FillEnd end = filler.Run(space.room, fillError);
    report.written = filler.Written();
    if (SpaceOf(fill.Folder().Descriptor(), options.margin, space))
        report.leftFree = space.free;

    progress.phase.store(FreeSpaceProgress::Flushing);
    if (::syncfs(fill.Folder().Descriptor()) != 0 && fillError.empty())
        fillError = "the zeros may not have reached the disk: " + ErrorText(errno);
    progress.phase.store(FreeSpaceProgress::Removing);
    const std::string fillPlace = fill.Place();
    std::string removeError;
    if (!fill.Remove(removeError)) {
        report.leftBehind = fillPlace;
        report.error = "the fill folder could not be removed: " + removeError;
        return finish(FreeSpaceReport::Outcome::Failed);
    }
    // The trim only sees the fill's blocks as free once their release is committed.
    ::syncfs(start.Descriptor());

    if (end == FillEnd::Cancelled)
        return finish(FreeSpaceReport::Outcome::Cancelled);
    if (end == FillEnd::Failed) {
        report.error = fillError;
        return finish(FreeSpaceReport::Outcome::Failed);
    }
    if (options.trim) {
        progress.phase.store(FreeSpaceProgress::Trimming);
        Trim(start, report);
    }
    if (end == FillEnd::Quota) {
        report.quotaReached = true;
        report.error = "a disk quota stopped the fill after " + SizeText(report.written) +
                       ": the free space beyond it was not written over";
        return finish(FreeSpaceReport::Outcome::Failed);
    }
    if (end == FillEnd::Compressed) {
        report.error = "the free space did not shrink as the zeros were written (the file "
                       "system compresses them), so the old blocks were not reached";
        return finish(FreeSpaceReport::Outcome::Failed);
    }
    if (!fillError.empty()) {
        report.error = fillError;
        return finish(FreeSpaceReport::Outcome::Failed);
    }
    return finish(FreeSpaceReport::Outcome::Done);
}

} // namespace corvane::eraser

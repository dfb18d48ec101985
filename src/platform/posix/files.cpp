#include "platform/files.h"

#include "platform/posix/filetimes.h"
#include "platform/treewalk.h"
#include "platform/world.h"

#include <QList>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <memory>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#ifndef STATX_MNT_ID
#define STATX_MNT_ID 0x00001000U
#endif

namespace corvane::platform {
namespace {

// Maps a Windows path to POSIX; an empty result means "no such place" (an unknown drive, or
// no path at all, which must never stand for drive C:'s root).
std::string Posix(const std::string& windowsPath) {
    if (windowsPath.empty())
        return {};
    return world::ToPosix(windowsPath);
}

std::string JoinWindows(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '\\')
        return folder + name;
    return folder + "\\" + name;
}

// Splits a POSIX path into its folder and its last name, for the calls relative to a folder.
bool SplitParent(const std::string& posix, std::string& parent, std::string& name) {
    std::string p = posix;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    const auto slash = p.rfind('/');
    if (slash == std::string::npos)
        return false;
    parent = slash == 0 ? "/" : p.substr(0, slash);
    name = p.substr(slash + 1);
    return !name.empty() && name != "." && name != "..";
}

// Opens a path that must be a regular file. The path is examined without following a link
// first, so a FIFO or a device is never opened at all; the descriptor is then checked to be the
// same regular file, so a swap between the two steps is caught as well.
FileHandle OpenRegular(const std::string& posix, int flags) {
    if (posix.empty()) {
        errno = ENOENT;
        return {};
    }
    struct stat before {};
    const bool existed = ::lstat(posix.c_str(), &before) == 0;
    if (existed && !S_ISREG(before.st_mode)) {
        errno = S_ISDIR(before.st_mode) ? EISDIR : (S_ISLNK(before.st_mode) ? ELOOP : EINVAL);
        return {};
    }
    if (!existed && !(flags & O_CREAT))
        return {};
    FileHandle file(::open(posix.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666));
    if (!file.IsOpen())
        return {};
    struct stat st {};
    if (::fstat(file.Descriptor(), &st) != 0 || !S_ISREG(st.st_mode) ||
        (existed && (st.st_dev != before.st_dev || st.st_ino != before.st_ino))) {
        errno = EINVAL;
        return {};
    }
    // Regular files never block; clear the flag so that writes behave plainly.
    const int fl = ::fcntl(file.Descriptor(), F_GETFL);
    if (fl >= 0)
        ::fcntl(file.Descriptor(), F_SETFL, fl & ~O_NONBLOCK);
    return file;
}

// Opens a folder without following a link in its last piece.
int OpenFolderFd(const std::string& posix) {
    if (posix.empty())
        return -1;
    return ::open(posix.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

struct DirCloser {
    void operator()(DIR* d) const {
        if (d)
            ::closedir(d);
    }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

// A directory stream over an open folder descriptor, which it takes over; empty (and the
// descriptor closed) when there is none.
DirPtr StreamOf(int fd) {
    if (fd < 0)
        return nullptr;
    DirPtr dir(::fdopendir(fd));
    if (!dir)
        ::close(fd);
    return dir;
}

// Lists a folder: every entry with its lstat facts, in the file system's order.
struct Entry {
    std::string name;
    struct stat st;
};

std::vector<Entry> ReadFolder(const std::string& posix) {
    std::vector<Entry> out;
    const int fd = OpenFolderFd(posix);
    DirPtr dir = StreamOf(fd);
    if (!dir)
        return out;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        Entry entry{name, {}};
        if (::fstatat(::dirfd(dir.get()), e->d_name, &entry.st, AT_SYMLINK_NOFOLLOW) != 0)
            continue; // gone since the listing began
        out.push_back(std::move(entry));
    }
    return out;
}

// True when a listed entry is a folder (never through a link). The entry's own type answers
// on most file systems; only where it is unknown is the entry examined, and an entry gone since
// the listing began counts as a folder, so it is left out.
bool IsFolderEntry(int folderFd, const dirent& e) {
    if (e.d_type != DT_UNKNOWN)
        return e.d_type == DT_DIR;
    struct stat st {};
    return ::fstatat(folderFd, e.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode);
}

// Folder deletion as a visitor of the walk: every file and link goes (a read-only file only
// when forced), then each folder once it is empty. A mount point below stays, and with it the
// folders above it.
class DeleteVisitor : public TreeVisitor {
public:
    DeleteVisitor(FileService& files, bool force) : files_(files), force_(force) {}

    void File(const WalkEntry& entry) override {
        if (!force_ && entry.facts.IsRegular() && !(entry.facts.Mode & S_IWUSR))
            ok_ = false; // a read-only file stays unless the delete is forced
        else if (!files_.RemoveAt(entry.folder, entry.name, false) && errno != ENOENT)
            ok_ = false;
    }
    void Leave(const WalkEntry& entry) override {
        ok_ = files_.RemoveAt(entry.folder, entry.name, true) && ok_;
    }
    void OtherMount(const WalkEntry&) override { ok_ = false; }
    void NotOpened(const WalkEntry&, int) override { ok_ = false; }
    void Lost(std::span<const std::string>) override { ok_ = false; }

    bool Ok() const { return ok_; }

private:
    FileService& files_;
    bool force_;
    bool ok_ = true;
};

QList<uint> Folded(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
        .toCaseFolded()
        .toUcs4();
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// An ASCII text seen through case folding, which for ASCII only lowers A to Z; it lets the
// common all-ASCII match run on the bytes without converting them.
struct AsciiFolded {
    std::string_view text;
    qsizetype size() const { return static_cast<qsizetype>(text.size()); }
    char operator[](qsizetype i) const { return FoldAscii(text[static_cast<std::size_t>(i)]); }
};

template <typename Text> bool Match(const Text& name, const Text& pat) {
    qsizetype n = 0, p = 0;
    // Iterative wildcard match with one remembered star: linear in practice, never exponential.
    qsizetype starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pat.size() && (pat[p] == '?' || pat[p] == name[n])) {
            ++n, ++p;
        } else if (p < pat.size() && pat[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat[p] == '*')
        ++p;
    return p == pat.size();
}

// Fills facts from statx, asking for the mount id as well; a kernel without it leaves the id 0,
// and then only the device tells mounts apart.
bool StatxFacts(int dirFd, const char* name, int flags, FileFacts& facts) {
    struct statx sx {};
    if (::statx(dirFd, name, flags | AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                STATX_BASIC_STATS | STATX_MNT_ID, &sx) != 0)
        return false;
    facts.Device = (static_cast<std::uint64_t>(sx.stx_dev_major) << 32) | sx.stx_dev_minor;
    facts.Inode = sx.stx_ino;
    facts.Mount = (sx.stx_mask & STATX_MNT_ID) ? sx.stx_mnt_id : 0;
    facts.Mode = sx.stx_mode;
    facts.Links = sx.stx_nlink;
    facts.Size = static_cast<std::int64_t>(sx.stx_size);
    facts.Owner = sx.stx_uid;
    return true;
}

// A name that must stay inside its folder: no separator, and never "." or "..".
bool PlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// One listed name with what the sort compares. Case-insensitive order is the order of the
// case-folded UTF-16 texts; for ASCII names that is the order of their lowered bytes, which is
// computed once per name instead of converting both names on every comparison.
struct SortEntry {
    std::string name;
    std::string lowered; // the ASCII-lowered name, when `ascii`
    QString text;        // the name as text, only when some name is not ASCII
    bool ascii = true;
};

void SortWithoutCase(std::vector<std::string>& names) {
    std::vector<SortEntry> entries;
    entries.reserve(names.size());
    bool allAscii = true;
    for (std::string& name : names) {
        SortEntry e;
        e.ascii = IsAscii(name);
        allAscii = allAscii && e.ascii;
        if (e.ascii) {
            e.lowered = name;
            std::transform(e.lowered.begin(), e.lowered.end(), e.lowered.begin(), FoldAscii);
        }
        e.name = std::move(name);
        entries.push_back(std::move(e));
    }
    if (!allAscii)
        for (SortEntry& e : entries)
            e.text = QString::fromStdString(e.name);
    std::sort(entries.begin(), entries.end(), [](const SortEntry& a, const SortEntry& b) {
        const int c = a.ascii && b.ascii ? a.lowered.compare(b.lowered)
                                         : a.text.compare(b.text, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.name < b.name;
    });
    for (std::size_t i = 0; i < entries.size(); ++i)
        names[i] = std::move(entries[i].name);
}

// The Windows names of a folder's entries that are not folders and match one of the patterns
// (separated by ";"), in the file system's order. Hidden names (a leading dot) only when asked.
std::vector<std::string> MatchingNames(const std::string& posixFolder, const std::string& pattern,
                                       bool includeHidden) {
    std::vector<std::string> patterns;
    for (size_t start = 0; start <= pattern.size();) {
        size_t end = pattern.find(';', start);
        if (end == std::string::npos)
            end = pattern.size();
        if (end > start)
            patterns.push_back(pattern.substr(start, end - start));
        start = end + 1;
    }
    std::vector<std::string> names;
    const int fd = OpenFolderFd(posixFolder);
    DirPtr dir = StreamOf(fd);
    if (!dir)
        return names;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string_view raw = e->d_name;
        if (raw == "." || raw == ".." || (!includeHidden && raw.front() == '.'))
            continue;
        if (IsFolderEntry(::dirfd(dir.get()), *e))
            continue;
        std::string name = world::EncodeName(raw);
        if (std::any_of(patterns.begin(), patterns.end(),
                        [&](const std::string& p) { return MatchesPattern(name, p); }))
            names.push_back(std::move(name));
    }
    return names;
}

FileService*& Current() {
    static PosixFileService posix;
    static FileService* current = &posix;
    return current;
}

} // namespace

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool FileHandle::Close() {
    if (fd_ < 0)
        return false;
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
}

bool MatchesPattern(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*" || pattern == "*")
        return true;
    if (IsAscii(name) && IsAscii(pattern))
        return Match(AsciiFolded{name}, AsciiFolded{pattern});
    return Match(Folded(name), Folded(pattern));
}

bool IsDriveRootPath(const std::string& windowsPath) {
    if (windowsPath.empty())
        return true;
    const std::string posix = world::ToPosix(windowsPath);
    return !posix.empty() && world::IsDriveRoot(posix);
}

FileHandle PosixFileService::OpenForReading(const std::string& path) {
    return OpenRegular(Posix(path), O_RDONLY);
}

bool PosixFileService::FileLength(const FileHandle& file, std::int64_t& length) {
    struct stat st {};
    if (!file.IsOpen() || ::fstat(file.Descriptor(), &st) != 0)
        return false;
    length = st.st_size;
    return true;
}

FileHandle PosixFileService::OpenReadWrite(const std::string& path) {
    return OpenRegular(Posix(path), O_RDWR | O_CREAT);
}

bool PosixFileService::WriteAt(const FileHandle& file, std::int64_t offset, const void* data,
                               std::size_t size) {
    if (!file.IsOpen())
        return false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(file.Descriptor(), p, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

bool PosixFileService::FlushToDisk(const FileHandle& file) {
    return file.IsOpen() && ::fdatasync(file.Descriptor()) == 0;
}

bool PosixFileService::Close(FileHandle& file) {
    return file.Close();
}

bool PosixFileService::SetAttributesNormal(const std::string& path) {
    const std::string posix = Posix(path);
    if (posix.empty())
        return false;
    // An O_PATH descriptor pins the file without following a link or opening a device; the
    // mode is then changed through the descriptor's own /proc entry, so it is this very file.
    const int fd = ::open(posix.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = false;
    if (::fstat(fd, &st) == 0 && (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))) {
        const mode_t mode = (st.st_mode & 07777) | S_IWUSR;
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        ok = (st.st_mode & S_IWUSR) || ::chmod(self.c_str(), mode) == 0;
    }
    ::close(fd);
    return ok;
}

bool PosixFileService::DeleteFileA(const std::string& path) {
    const std::string posix = Posix(path);
    if (posix.empty() || world::IsDriveRoot(posix))
        return false;
    struct stat st {};
    if (::lstat(posix.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    return ::unlink(posix.c_str()) == 0;
}

std::vector<std::string> PosixFileService::ListFiles(const std::string& folder,
                                                     const std::string& pattern,
                                                     bool includeHidden) {
    std::vector<std::string> names = MatchingNames(Posix(folder), pattern, includeHidden);
    SortWithoutCase(names);
    return names;
}

std::size_t PosixFileService::CountFiles(const std::string& folder, const std::string& pattern,
                                         bool includeHidden) {
    return MatchingNames(Posix(folder), pattern, includeHidden).size();
}

bool PosixFileService::StampFolder(const std::string& folder, FolderStamp& stamp) {
    // The folder is opened as the listing opens it, so the stamp is of the folder it would read.
    const int fd = OpenFolderFd(Posix(folder));
    if (fd < 0)
        return false;
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0;
    ::close(fd);
    timespec now{};
    if (!ok || ::clock_gettime(CLOCK_REALTIME, &now) != 0)
        return false;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.modifiedNs = Nanoseconds(st.st_mtim);
    stamp.changedNs = Nanoseconds(st.st_ctim);
    stamp.settled = TimesSettled(st.st_ctim, st.st_mtim, now);
    return true;
}

std::string PosixFileService::GetSpecialFolder(int which) {
    switch (which) {
    case 0:
        return "C:\\WINDOWS";
    case 1:
        return "C:\\WINDOWS\\system32";
    case 2:
        return world::TempPath();
    default:
        return {};
    }
}

bool PosixFileService::GetFolder(const std::string& path, FsoFolder& folder) {
    const std::string posix = Posix(path);
    const int fd = OpenFolderFd(posix);
    if (fd < 0)
        return false;
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0;
    ::close(fd);
    if (!ok)
        return false;
    folder.Path = world::ToWindows(posix);
    while (folder.Path.size() > 3 && folder.Path.back() == '\\')
        folder.Path.pop_back();
    folder.Device = st.st_dev;
    return true;
}

std::vector<FsoItem> PosixFileService::Files(const FsoFolder& folder) {
    std::vector<FsoItem> items;
    for (const auto& e : ReadFolder(Posix(folder.Path)))
        if (!S_ISDIR(e.st.st_mode)) {
            const std::string name = world::EncodeName(e.name);
            items.push_back({JoinWindows(folder.Path, name), name, e.st.st_dev});
        }
    return items;
}

std::vector<FsoItem> PosixFileService::SubFolders(const FsoFolder& folder) {
    std::vector<FsoItem> items;
    for (const auto& e : ReadFolder(Posix(folder.Path)))
        if (S_ISDIR(e.st.st_mode)) {
            const std::string name = world::EncodeName(e.name);
            items.push_back({JoinWindows(folder.Path, name), name, e.st.st_dev});
        }
    return items;
}

bool PosixFileService::DeleteFolder(const std::string& path, bool force) {
    const std::string posix = Posix(path);
    if (posix.empty() || world::IsDriveRoot(posix))
        return false;
    std::string parent, name;
    if (!SplitParent(posix, parent, name))
        return false;
    FileFacts before;
    if (!StatxFacts(AT_FDCWD, posix.c_str(), 0, before))
        return false;
    if (S_ISLNK(before.Mode))
        return ::unlink(posix.c_str()) == 0; // the link goes, its target stays
    if (!before.IsFolder())
        return false;
    // The walk runs on the plain service, so a files service that records or refuses calls
    // sees this deletion as the one call it is.
    PosixFileService plain;
    const FileHandle parentFolder(OpenFolderFd(parent));
    FileHandle top = plain.OpenFolderAt(parentFolder, name);
    FileFacts facts;
    if (!plain.Facts(top, facts) || !facts.SameFile(before))
        return false;
    DeleteVisitor visitor(plain, force);
    const bool walked = WalkTree(plain, std::move(top), visitor);
    return walked && visitor.Ok() && plain.RemoveAt(parentFolder, name, true);
}

bool FileFacts::IsFolder() const {
    return S_ISDIR(Mode);
}

bool FileFacts::IsRegular() const {
    return S_ISREG(Mode);
}

bool IsOnVirtualFileSystem(const std::string& posixPath) {
    struct statfs sf {};
    if (::statfs(posixPath.c_str(), &sf) != 0)
        return false;
    switch (static_cast<unsigned long>(sf.f_type)) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEVPTS_SUPER_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case PSTOREFS_MAGIC:
    case BPF_FS_MAGIC:
    case EFIVARFS_MAGIC:
    case HUGETLBFS_MAGIC:
    case 0x19800202: // mqueue
    case BINFMTFS_MAGIC:
    case SELINUX_MAGIC:
    case AUTOFS_SUPER_MAGIC:
    case 0x62656570: // configfs
    case 0x65735543: // fusectl
        return true;
    default:
        break;
    }
    // /dev is a memory file system like any other tmpfs, so it is told apart by being the very
    // mount that /dev is.
    FileFacts dev, here;
    return StatxFacts(AT_FDCWD, "/dev", 0, dev) &&
           StatxFacts(AT_FDCWD, posixPath.c_str(), 0, here) && here.SameMount(dev);
}

FileHandle PosixFileService::OpenFolder(const std::string& path) {
    return FileHandle(OpenFolderFd(Posix(path)));
}

FileHandle PosixFileService::OpenFolderAt(const FileHandle& folder, const std::string& name) {
    if (!folder.IsOpen() || (name != ".." && !PlainName(name)))
        return {};
    return FileHandle(::openat(folder.Descriptor(), name.c_str(),
                               O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

bool PosixFileService::Facts(const FileHandle& file, FileFacts& facts) {
    return file.IsOpen() && StatxFacts(file.Descriptor(), "", AT_EMPTY_PATH, facts);
}

bool PosixFileService::FactsAt(const FileHandle& folder, const std::string& name,
                               FileFacts& facts) {
    return folder.IsOpen() && PlainName(name) &&
           StatxFacts(folder.Descriptor(), name.c_str(), 0, facts);
}

std::vector<std::string> PosixFileService::NamesIn(const FileHandle& folder) {
    std::vector<std::string> names;
    // The listing reads through its own descriptor, so the caller's stays where it is.
    const int fd = folder.IsOpen()
                       ? ::openat(folder.Descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                       : -1;
    DirPtr dir = StreamOf(fd);
    if (!dir)
        return names;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    return names;
}

FileHandle PosixFileService::OpenForWipingAt(const FileHandle& folder, const std::string& name,
                                             bool create) {
    if (!folder.IsOpen() || !PlainName(name))
        return {};
    const int dirFd = folder.Descriptor();
    FileFacts before;
    const bool existed = StatxFacts(dirFd, name.c_str(), 0, before);
    if (existed && !before.IsRegular()) {
        errno = before.IsFolder() ? EISDIR : EINVAL;
        return {};
    }
    if (!existed && !create)
        return {};
    if (existed && before.Owner == ::geteuid() &&
        (before.Mode & (S_IRUSR | S_IWUSR)) != (S_IRUSR | S_IWUSR)) {
        // The mode is changed through a descriptor that pins this very inode without opening
        // its data, so a link or a swapped name can never lend its target the new mode.
        FileHandle pin(::openat(dirFd, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        FileFacts pinned;
        if (pin.IsOpen() && Facts(pin, pinned) && pinned.SameFile(before) && pinned.IsRegular()) {
            const std::string self = "/proc/self/fd/" + std::to_string(pin.Descriptor());
            ::chmod(self.c_str(), (pinned.Mode & 07777) | S_IRUSR | S_IWUSR);
        }
    }
    const int flags =
        O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (existed ? 0 : O_CREAT | O_EXCL);
    FileHandle file(::openat(dirFd, name.c_str(), flags, 0666));
    FileFacts opened;
    if (!file.IsOpen() || !Facts(file, opened) || !opened.IsRegular() ||
        (existed && !opened.SameFile(before))) {
        if (file.IsOpen())
            errno = EINVAL;
        return {};
    }
    const int fl = ::fcntl(file.Descriptor(), F_GETFL);
    if (fl >= 0)
        ::fcntl(file.Descriptor(), F_SETFL, fl & ~O_NONBLOCK);
    return file;
}

bool PosixFileService::RemoveAt(const FileHandle& folder, const std::string& name, bool isFolder) {
    return folder.IsOpen() && PlainName(name) &&
           ::unlinkat(folder.Descriptor(), name.c_str(), isFolder ? AT_REMOVEDIR : 0) == 0;
}

bool PosixFileService::RenameAt(const FileHandle& folder, const std::string& from,
                                const std::string& to) {
    if (!folder.IsOpen() || !PlainName(from) || !PlainName(to)) {
        errno = EINVAL;
        return false;
    }
    return ::renameat2(folder.Descriptor(), from.c_str(), folder.Descriptor(), to.c_str(),
                       RENAME_NOREPLACE) == 0;
}

FileService& FileSystem() {
    return *Current();
}

ScopedFileSystem::ScopedFileSystem(FileService& service) : previous_(Current()) {
    Current() = &service;
}

ScopedFileSystem::~ScopedFileSystem() {
    Current() = previous_;
}

} // namespace corvane::platform

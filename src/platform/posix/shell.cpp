#include "platform/shell.h"

#include "platform/world.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane::platform {
namespace fs = std::filesystem;

namespace {

// An owned file descriptor.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int Get() const { return fd_; }
    // Gives up ownership (to a directory stream that closes it).
    void Release() { fd_ = -1; }

private:
    int fd_;
};

// An owned directory stream.
class Dir {
public:
    explicit Dir(DIR* dir) : dir_(dir) {}
    Dir(const Dir&) = delete;
    Dir& operator=(const Dir&) = delete;
    ~Dir() {
        if (dir_)
            ::closedir(dir_);
    }
    DIR* Get() const { return dir_; }

private:
    DIR* dir_;
};

// Removes everything inside the folder open as `dirFd`. Each entry is examined without following
// links, and sub-folders are entered through descriptors opened with O_NOFOLLOW relative to their
// parent, so a link (or a folder swapped for a link meanwhile) is removed as a link and nothing
// outside the folder is touched. Mount points are left alone, like `rm --one-file-system`.
void EmptyFolder(int dirFd, dev_t device) {
    Fd listFd(::dup(dirFd));
    Dir dir(listFd.Get() >= 0 ? ::fdopendir(listFd.Get()) : nullptr);
    if (!dir.Get())
        return;
    listFd.Release(); // the stream owns it now
    while (const dirent* entry = ::readdir(dir.Get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            if (st.st_dev != device)
                continue;
            Fd sub(::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (sub.Get() < 0)
                continue;
            EmptyFolder(sub.Get(), device);
            ::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR);
        } else {
            ::unlinkat(dirFd, name.c_str(), 0);
        }
    }
}

void EmptyRecentFolder() {
    const std::string recent = world::ToPosix(world::ProfilePath() + "\\Recent");
    if (recent.empty())
        return;
    Fd fd(::open(recent.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0)
        return;
    EmptyFolder(fd.Get(), st.st_dev);
}

fs::path DesktopRecentList() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
        return fs::path(data) / "recently-used.xbel";
    const char* home = std::getenv("HOME");
    if (!home || !*home)
        return {};
    return fs::path(home) / ".local/share/recently-used.xbel";
}

constexpr std::string_view kEmptyList =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<xbel version=\"1.0\"\n"
    "      xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\"\n"
    "      xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\"\n"
    ">\n"
    "</xbel>\n";

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Replaces the desktop's list by an empty one in a single rename, so a reader sees either the old
// list or the empty one, never a half-written file. A desktop that keeps no list gets none.
void EmptyDesktopRecentList() {
    const fs::path file = DesktopRecentList();
    struct stat st {};
    if (file.empty() || ::lstat(file.c_str(), &st) != 0)
        return;
    std::string tmpl = (file.parent_path() / ".recently-used.xbel.XXXXXX").string();
    Fd fd(::mkstemp(tmpl.data()));
    if (fd.Get() < 0)
        return;
    // The new list keeps the permissions of the old one (a link's own mode means nothing).
    ::fchmod(fd.Get(), S_ISREG(st.st_mode) ? (st.st_mode & 07777) : 0600);
    if (!WriteAll(fd.Get(), kEmptyList) || ::fsync(fd.Get()) != 0 ||
        ::rename(tmpl.c_str(), file.c_str()) != 0)
        ::unlink(tmpl.c_str());
}

} // namespace

void SHAddToRecentDocs(std::uint32_t /*flags*/, const void* item) {
    if (item != nullptr)
        return;
    EmptyRecentFolder();
    EmptyDesktopRecentList();
}

} // namespace corvane::platform

#include "browsers/ProfileFiles.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvane::browsers {
namespace {

struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

struct Dir {
    DIR* dir = nullptr;
    Dir(const Dir&) = delete;
    Dir& operator=(const Dir&) = delete;
    explicit Dir(DIR* d) : dir(d) {}
    ~Dir() {
        if (dir)
            ::closedir(dir);
    }
};

// The names inside an open folder, read through a duplicate so the caller keeps its descriptor.
std::vector<std::string> Names(int folderFd) {
    std::vector<std::string> names;
    const int copy = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return names;
    Dir dir(::fdopendir(copy));
    if (!dir.dir) {
        ::close(copy);
        return names;
    }
    while (const dirent* entry = ::readdir(dir.dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    return names;
}

int OpenFolderAt(int parent, const char* name) {
    return ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

void Fail(RemoveResult& result, const std::string& path, int error) {
    if (result.ok)
        result.error = path + ": " + std::strerror(error);
    result.ok = false;
}

// Empties the open folder `fd` (shown as `path`) of the entries `filter` accepts.
void RemoveEntries(int fd, const std::string& path, dev_t device, const NameFilter& filter,
                   RemoveResult& result) {
    for (const std::string& name : Names(fd)) {
        if (filter && !filter(name))
            continue;
        const std::string child = path + "/" + name;
        struct stat st {};
        if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            Fail(result, child, errno);
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            // A folder on another file system is a mount point: it is not ours to empty.
            if (st.st_dev != device) {
                Fail(result, child, EXDEV);
                continue;
            }
            Fd sub(OpenFolderAt(fd, name.c_str()));
            if (sub.fd < 0) {
                Fail(result, child, errno);
                continue;
            }
            RemoveEntries(sub.fd, child, device, {}, result);
            if (::unlinkat(fd, name.c_str(), AT_REMOVEDIR) != 0)
                Fail(result, child, errno);
            continue;
        }
        if (::unlinkat(fd, name.c_str(), 0) != 0) {
            Fail(result, child, errno);
            continue;
        }
        ++result.files;
    }
}

long CountIn(int fd, dev_t device, const NameFilter& filter) {
    long count = 0;
    for (const std::string& name : Names(fd)) {
        struct stat st {};
        if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(st.st_mode) && (!filter || filter(name))) {
            ++count;
        } else if (S_ISDIR(st.st_mode) && st.st_dev == device) {
            Fd sub(OpenFolderAt(fd, name.c_str()));
            if (sub.fd >= 0)
                count += CountIn(sub.fd, device, filter);
        }
    }
    return count;
}

} // namespace

RemoveResult RemoveInFolder(const std::filesystem::path& folder, const NameFilter& filter) {
    RemoveResult result;
    Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.fd < 0) {
        if (errno != ENOENT)
            Fail(result, folder.string(), errno);
        return result;
    }
    struct stat st {};
    if (::fstat(fd.fd, &st) != 0) {
        Fail(result, folder.string(), errno);
        return result;
    }
    RemoveEntries(fd.fd, folder.string(), st.st_dev, filter, result);
    return result;
}

long CountFiles(const std::filesystem::path& folder, const NameFilter& filter) {
    Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (fd.fd < 0 || ::fstat(fd.fd, &st) != 0)
        return 0;
    return CountIn(fd.fd, st.st_dev, filter);
}

void RemoveInto(const std::filesystem::path& folder, const NameFilter& filter, const char* what,
                ProfileReport& report) {
    const RemoveResult removed = RemoveInFolder(folder, filter);
    if (removed.files > 0 || removed.ok)
        report.Add(what, removed.files);
    if (!removed.ok)
        report.problems.push_back(removed.error);
}

} // namespace corvane::browsers

#include "browsers/InUse.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace corvane::browsers {
namespace {

// `folder/name` in a buffer of the caller's: the watcher asks on every beat, and building a
// path object each time costs more than the check itself.
const char* Join(const std::filesystem::path& folder, const char* name, char (&buffer)[PATH_MAX]) {
    const int n = std::snprintf(buffer, sizeof buffer, "%s/%s", folder.c_str(), name);
    return n > 0 && n < static_cast<int>(sizeof buffer) ? buffer : nullptr;
}

} // namespace

bool IsFirefoxProfileLocked(const std::filesystem::path& folder) {
    char buffer[PATH_MAX];
    const char* file = Join(folder, ".parentlock", buffer);
    const int fd = file ? ::open(file, O_RDONLY | O_NOFOLLOW | O_CLOEXEC) : -1;
    if (fd < 0)
        return false; // no lock file: no browser ever held this profile
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    const bool locked = ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

bool IsChromiumUserDataLocked(const std::filesystem::path& userData) {
    char target[PATH_MAX + 1];
    const ssize_t n = ::readlink((userData / "SingletonLock").c_str(), target, sizeof target - 1);
    if (n <= 0)
        return false; // no lock: the browser is closed
    const std::string text(target, static_cast<std::size_t>(n));
    // "host-pid"; a host name may itself hold dashes, so the pid is after the last one.
    const auto dash = text.rfind('-');
    if (dash == std::string::npos)
        return false;
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || text.substr(0, dash) != host)
        return true; // another machine sharing this home may be running it
    char* end = nullptr;
    const long pid = std::strtol(text.c_str() + dash + 1, &end, 10);
    if (pid <= 0 || *end != '\0')
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool IsInUse(const Profile& profile) {
    return profile.family == Family::Firefox ? IsFirefoxProfileLocked(profile.lockFolder)
                                             : IsChromiumUserDataLocked(profile.lockFolder);
}

} // namespace corvane::browsers

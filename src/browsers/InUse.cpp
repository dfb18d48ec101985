#include "browsers/InUse.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane::browsers {
namespace {

// `folder/name` in a buffer of the caller's: the watcher asks on every beat, and building a
// path object each time costs more than the check itself.
const char* Join(const std::filesystem::path& folder, const char* name, char (&buffer)[PATH_MAX]) {
    const int n = std::snprintf(buffer, sizeof buffer, "%s/%s", folder.c_str(), name);
    return n > 0 && n < static_cast<int>(sizeof buffer) ? buffer : nullptr;
}

// The folder of Corvane's own profile locks: private to the user, in the runtime folder where
// there is one. A folder someone else made or anyone may write is refused.
int LockFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime && *runtime == '/'
                                   ? std::string(runtime) + "/corvane-locks"
                                   : "/tmp/corvane-locks-" + std::to_string(::geteuid());
    ::mkdir(folder.c_str(), 0700);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid() || (st.st_mode & 077))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// An open-file-description lock: it conflicts with every other open of the file, even in this
// process, and goes with the descriptor.
bool TakeOwnLock(int fd) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// The start time of a running process, from /proc/PID/stat; false when there is no such process
// or it has ended and only waits for its parent (a zombie has closed every file it had open).
bool ReadProcess(pid_t pid, unsigned long long& started) {
    char file[32];
    std::snprintf(file, sizeof file, "/proc/%d/stat", static_cast<int>(pid));
    const int fd = ::open(file, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno != ENOENT && errno != ESRCH && ::kill(pid, 0) == 0;
    char text[1024];
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0)
        return false;
    text[n] = '\0';
    // "pid (name) state ..." where the name may hold spaces and parentheses: it ends at the last
    // ')'. The start time is the 20th field after the state.
    const char* rest = std::strrchr(text, ')');
    if (!rest || rest[1] != ' ')
        return false;
    const char state = rest[2];
    if (state == 'Z' || state == 'X' || state == 'x')
        return false;
    const char* field = rest + 2;
    for (int i = 0; i < 19 && field; ++i) {
        field = std::strchr(field, ' ');
        if (field)
            ++field;
    }
    started = field ? std::strtoull(field, nullptr, 10) : 0;
    return true;
}

} // namespace

CleaningLock::CleaningLock(const Profile& profile) {
    const int folder = LockFolder();
    if (folder >= 0) {
        const std::string name = std::to_string(std::hash<std::string>{}(profile.id)) + ".lock";
        own_ = ::openat(folder, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        ::close(folder);
    }
    if (own_ >= 0 && !TakeOwnLock(own_)) {
        blocked_ = Holder::OtherCorvane;
        return;
    }
    if (profile.family != Family::Firefox) {
        if (IsInUse(profile))
            blocked_ = Holder::Browser;
        return;
    }
    parent_ = ::open((profile.lockFolder / ".parentlock").c_str(),
                     O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (parent_ < 0) {
        // A profile where no lock can be made is one no browser can open either; its databases
        // say for themselves whether they can be changed.
        if (errno != EACCES && errno != EROFS && errno != EPERM)
            blocked_ = Holder::Browser;
        return;
    }
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(parent_, F_SETLK, &lock) != 0)
        blocked_ = Holder::Browser;
}

CleaningLock::~CleaningLock() {
    if (parent_ >= 0)
        ::close(parent_);
    if (own_ >= 0)
        ::close(own_);
}

bool IsFirefoxProfileLocked(const std::filesystem::path& folder, pid_t* holder) {
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
    if (holder)
        *holder = locked && lock.l_pid > 0 ? lock.l_pid : 0;
    return locked;
}

bool IsChromiumUserDataLocked(const std::filesystem::path& userData, pid_t* holder) {
    if (holder)
        *holder = 0;
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
    if (pid <= 0 || pid > INT_MAX || *end != '\0')
        return false;
    const bool alive = ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
    if (alive && holder)
        *holder = static_cast<pid_t>(pid);
    return alive;
}

bool IsInUse(const Profile& profile, pid_t* holder) {
    return profile.family == Family::Firefox ? IsFirefoxProfileLocked(profile.lockFolder, holder)
                                             : IsChromiumUserDataLocked(profile.lockFolder, holder);
}

ProcessSeen ProcessSeen::Of(pid_t pid) {
    ProcessSeen seen;
    seen.pid = pid;
    if (pid > 0 && !ReadProcess(pid, seen.started))
        seen.started = 0;
    return seen;
}

bool ProcessSeen::Ended() const {
    if (pid <= 0)
        return false;
    unsigned long long now = 0;
    if (!ReadProcess(pid, now))
        return true;
    // Without the start time of the first sight, only the pid's absence can tell.
    return started != 0 && now != started;
}

} // namespace corvane::browsers

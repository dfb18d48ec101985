#include "platform/processes.h"

#include "platform/world.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace corvane::platform {
namespace {

// The module handle that stands for a process's executable.
constexpr HMODULE kMainModule = 0x00400000;

ProcessSource*& Current() {
    static ProcfsProcessSource procfs;
    static ProcessSource* current = &procfs;
    return current;
}

bool ReadLinkAt(int dirFd, const char* name, std::string& target) {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = ::readlinkat(dirFd, name, buffer.data(), buffer.size());
        if (n < 0)
            return false;
        if (static_cast<size_t>(n) < buffer.size()) {
            target.assign(buffer.data(), static_cast<size_t>(n));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// The first word of the process's command line.
std::string FirstArgument(int dirFd) {
    const int fd = ::openat(dirFd, "cmdline", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::string text;
    char buffer[1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
        if (text.find('\0') != std::string::npos)
            break;
    }
    ::close(fd);
    const auto nul = text.find('\0');
    return nul == std::string::npos ? text : text.substr(0, nul);
}

// An absolute Windows path ("X:\..."): what an emulator puts first on the command line of the
// Windows program it runs.
bool IsWindowsPath(const std::string& s) {
    return s.size() >= 3 && std::isalpha(static_cast<unsigned char>(s[0])) && s[1] == ':' &&
           (s[2] == '\\' || s[2] == '/');
}

} // namespace

ProcessHandle::ProcessHandle(ProcessHandle&& other) noexcept
    : pid_(other.pid_), fd_(other.fd_), open_(other.open_) {
    other.fd_ = -1;
    other.open_ = false;
}

ProcessHandle& ProcessHandle::operator=(ProcessHandle&& other) noexcept {
    if (this != &other) {
        Close();
        pid_ = other.pid_;
        fd_ = other.fd_;
        open_ = other.open_;
        other.fd_ = -1;
        other.open_ = false;
    }
    return *this;
}

bool ProcessHandle::Close() {
    if (!open_)
        return false;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    open_ = false;
    return true;
}

bool ProcfsProcessSource::EnumProcesses(DWORD* ids, DWORD cb, DWORD* bytesReturned) {
    if (bytesReturned == nullptr)
        return false;
    std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir("/proc"), ::closedir);
    if (!proc)
        return false;
    const DWORD room = cb / sizeof(DWORD);
    DWORD count = 0;
    while (const dirent* e = ::readdir(proc.get())) {
        if (count >= room)
            break;
        const char* name = e->d_name;
        if (*name == '\0' || !std::all_of(name, name + std::strlen(name),
                                          [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        ids[count++] = static_cast<DWORD>(std::strtoul(name, nullptr, 10));
    }
    *bytesReturned = count * sizeof(DWORD);
    return true;
}

ProcessHandle ProcfsProcessSource::OpenProcess(DWORD, bool, DWORD pid) {
    const std::string dir = "/proc/" + std::to_string(pid);
    // The folder descriptor pins this very process: if it ends and its id is reused, reads
    // through the descriptor fail instead of describing the newcomer.
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::string exe;
    if (!ReadLinkAt(fd, "exe", exe)) {
        ::close(fd); // another user's process, or a kernel thread without an executable
        return {};
    }
    return ProcessHandle(pid, fd);
}

bool ProcfsProcessSource::EnumProcessModules(const ProcessHandle& process, HMODULE* modules,
                                             DWORD cb, DWORD* needed) {
    std::string exe;
    if (!process.IsOpen() || !ReadLinkAt(process.Descriptor(), "exe", exe))
        return false;
    if (cb >= sizeof(HMODULE) && modules != nullptr)
        modules[0] = kMainModule;
    if (needed != nullptr)
        *needed = sizeof(HMODULE);
    return true;
}

DWORD ProcfsProcessSource::GetModuleFileNameExA(const ProcessHandle& process, HMODULE module,
                                                char* name, DWORD size) {
    if (!process.IsOpen() || module != kMainModule || name == nullptr || size == 0)
        return 0;
    std::string exe;
    if (!ReadLinkAt(process.Descriptor(), "exe", exe))
        return 0;
    std::string path;
    if (const std::string first = FirstArgument(process.Descriptor()); IsWindowsPath(first)) {
        path = first;
    } else {
        // A running program whose file was replaced or removed still has its old path.
        constexpr std::string_view deleted = " (deleted)";
        if (exe.size() > deleted.size() &&
            exe.compare(exe.size() - deleted.size(), deleted.size(), deleted) == 0)
            exe.resize(exe.size() - deleted.size());
        path = world::ToWindows(exe);
    }
    const DWORD copied = static_cast<DWORD>(std::min<size_t>(path.size(), size - 1));
    std::memcpy(name, path.data(), copied);
    name[copied] = '\0';
    return copied;
}

bool ProcfsProcessSource::CloseHandle(ProcessHandle& process) {
    return process.Close();
}

ProcessSource& Processes() {
    return *Current();
}

ScopedProcessSource::ScopedProcessSource(ProcessSource& source) : previous_(Current()) {
    Current() = &source;
}

ScopedProcessSource::~ScopedProcessSource() {
    Current() = previous_;
}

} // namespace corvane::platform

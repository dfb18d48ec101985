#pragma once
// The process list with the Win32 calling shapes: process ids, opening a process, its modules
// and the file name of its executable as a Windows path. The source is an interface so that a
// test can replay a recorded list; the default reads /proc.

#include <cstdint>

namespace corvane::platform {

using DWORD = std::uint32_t;
using HMODULE = std::uint32_t;

/// Access right: query the process's facts.
inline constexpr DWORD PROCESS_QUERY_INFORMATION = 0x400;
/// Access right: read the process's memory.
inline constexpr DWORD PROCESS_VM_READ = 0x10;

/// An open process: what it holds is released when the handle ends.
class ProcessHandle {
public:
    ProcessHandle() = default;
    /// An open handle on process `pid`; `fd` is a descriptor it owns, or -1.
    ProcessHandle(DWORD pid, int fd) : pid_(pid), fd_(fd), open_(true) {}
    ~ProcessHandle() { Close(); }
    ProcessHandle(ProcessHandle&& other) noexcept;
    ProcessHandle& operator=(ProcessHandle&& other) noexcept;
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;

    /// True while the handle is open.
    bool IsOpen() const { return open_; }
    /// The process id.
    DWORD Pid() const { return pid_; }
    /// The descriptor the handle holds (-1 when none).
    int Descriptor() const { return fd_; }
    /// Releases the handle; true when it was open.
    bool Close();

private:
    DWORD pid_ = 0;
    int fd_ = -1;
    bool open_ = false;
};

/// Where the process list comes from.
class ProcessSource {
public:
    virtual ~ProcessSource() = default;
    /// Fills `ids` with up to `cb / 4` process ids and sets `*bytesReturned` to the bytes
    /// written.
    virtual bool EnumProcesses(DWORD* ids, DWORD cb, DWORD* bytesReturned) = 0;
    /// Opens a process; fails where its executable can't be read.
    virtual ProcessHandle OpenProcess(DWORD desiredAccess, bool inheritHandle, DWORD pid) = 0;
    /// Fills `modules` with up to `cb / 4` module handles, the executable first; sets `*needed`
    /// to the bytes all of them take.
    virtual bool EnumProcessModules(const ProcessHandle& process, HMODULE* modules, DWORD cb,
                                    DWORD* needed) = 0;
    /// Copies the module's file name as a Windows path (at most `size - 1` characters and a
    /// NUL); returns the characters copied, 0 on failure.
    virtual DWORD GetModuleFileNameExA(const ProcessHandle& process, HMODULE module, char* name,
                                       DWORD size) = 0;
    /// Closes a process handle.
    virtual bool CloseHandle(ProcessHandle& process) = 0;
};

/// The process list of this machine, read from /proc.
class ProcfsProcessSource : public ProcessSource {
public:
    bool EnumProcesses(DWORD* ids, DWORD cb, DWORD* bytesReturned) override;
    ProcessHandle OpenProcess(DWORD desiredAccess, bool inheritHandle, DWORD pid) override;
    bool EnumProcessModules(const ProcessHandle& process, HMODULE* modules, DWORD cb,
                            DWORD* needed) override;
    DWORD GetModuleFileNameExA(const ProcessHandle& process, HMODULE module, char* name,
                               DWORD size) override;
    bool CloseHandle(ProcessHandle& process) override;
};

/// The process source in use (/proc unless a test installed another).
ProcessSource& Processes();

/// Installs a process source for its lifetime and puts the previous one back afterwards.
class ScopedProcessSource {
public:
    explicit ScopedProcessSource(ProcessSource& source);
    ~ScopedProcessSource();
    ScopedProcessSource(const ScopedProcessSource&) = delete;
    ScopedProcessSource& operator=(const ScopedProcessSource&) = delete;

private:
    ProcessSource* previous_;
};

} // namespace corvane::platform

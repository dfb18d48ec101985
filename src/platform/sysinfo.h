#pragma once
// System facts in the shape of the Windows calls that report them. The version numbers come from
// the world's world.conf, so a world can be made "Windows 98" or "classic" by editing one file;
// memory and processor facts come from the real machine.

#include <cstdint>

namespace corvane::platform {

/// OSVERSIONINFOA: the fields the program reads (the size field must be 148).
struct OSVERSIONINFOA {
    std::uint32_t dwOSVersionInfoSize = 0;
    std::uint32_t dwMajorVersion = 0;
    std::uint32_t dwMinorVersion = 0;
    std::uint32_t dwBuildNumber = 0;
    std::uint32_t dwPlatformId = 0;
    char szCSDVersion[128] = {};
};

/// DLLVERSIONINFO (the size field must be 20).
struct DLLVERSIONINFO {
    std::uint32_t cbSize = 0;
    std::uint32_t dwMajorVersion = 0;
    std::uint32_t dwMinorVersion = 0;
    std::uint32_t dwBuildNumber = 0;
    std::uint32_t dwPlatformID = 0;
};

/// SYSTEM_INFO: the processor type is the field the program reads.
struct SYSTEM_INFO {
    std::uint32_t dwProcessorType = 0;
    std::uint32_t dwNumberOfProcessors = 0;
    std::uint32_t dwPageSize = 0;
};

/// MEMORYSTATUS: byte counts saturated at 0xFFFFFFFF, as the real call reports them.
struct MEMORYSTATUS {
    std::uint32_t dwLength = 0;
    std::uint32_t dwMemoryLoad = 0;
    std::uint32_t dwTotalPhys = 0;
    std::uint32_t dwAvailPhys = 0;
    std::uint32_t dwTotalPageFile = 0;
    std::uint32_t dwAvailPageFile = 0;
    std::uint32_t dwTotalVirtual = 0;
    std::uint32_t dwAvailVirtual = 0;
};

/// The libraries whose version DllGetVersion can report.
enum class Library { ShellUtilities, CommonControls };

/// Fills the version record; false (record untouched) unless its size field is 148.
bool GetVersionExA(OSVERSIONINFOA* info);
/// Fills the library's version record; false (record untouched) unless its size field is 20.
bool DllGetVersion(Library library, DLLVERSIONINFO* info);
/// True when visual themes are on for the application.
bool IsAppThemed();
/// Fills the processor facts (8664 on x86-64, 586 on 32-bit x86).
void GetSystemInfo(SYSTEM_INFO* info);
/// Fills the memory facts of the machine and the process's address space.
void GlobalMemoryStatus(MEMORYSTATUS* status);
/// Initialises the common controls; nothing is needed on this platform.
void InitCommonControls();

} // namespace corvane::platform

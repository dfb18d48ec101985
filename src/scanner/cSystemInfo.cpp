#include "scanner/cSystemInfo.h"

#include "platform/sysinfo.h"

#include <cmath>

namespace corvane {

cSystemInfo::cSystemInfo() {
    CollectSystemInfo();
}

std::int32_t cSystemInfo::VirtualMemoryFree() const {
    return RoundHalfEven(virtualMemoryFree_);
}

std::int32_t cSystemInfo::RoundHalfEven(double value) {
    return static_cast<std::int32_t>(std::nearbyint(value)); // the default mode rounds to even
}

double cSystemInfo::KiB(std::uint32_t bytes) {
    return static_cast<double>(bytes) / 1024.0;
}

std::string cSystemInfo::NameOfVersion(std::int16_t major, std::int16_t minor) {
    switch (major) {
    case 3:
        // 3.50 and 3.51 were the server line; every other 3.x is the plain desktop.
        return (minor == 50 || minor == 51) ? "Windows NT " : "Windows ";
    case 4:
        if (minor == 0)
            return "Windows NT ";
        if (minor == 10)
            return "Windows 98 ";
        return "Windows ME ";
    case 5:
        return minor == 1 ? "Windows XP " : "Windows 2000 ";
    default:
        return "Windows Unknown Version";
    }
}

std::string cSystemInfo::NameOfProcessor(std::uint32_t type) {
    switch (type) {
    case 386:
        return "Intel 386";
    case 486:
        return "Intel 486";
    case 586:
        return "Intel Pentium";
    case 4000:
        return "MIPS R4000";
    case 21064:
        return "DEC Alpha 21064";
    default:
        return "(AMD Or Other)";
    }
}

void cSystemInfo::CollectSystemInfo() {
    platform::OSVERSIONINFOA version;
    version.dwOSVersionInfoSize = 148;
    if (!platform::GetVersionExA(&version))
        version = {}; // a failed query leaves the record at zero
    const auto major = static_cast<std::int16_t>(version.dwMajorVersion);
    const auto minor = static_cast<std::int16_t>(version.dwMinorVersion);
    const auto build = static_cast<std::int32_t>(version.dwBuildNumber);
    winName_ = NameOfVersion(major, minor);
    winVersion_ = std::to_string(major) + "." + std::to_string(minor) + " (Build " +
                  std::to_string(build) + ")";

    platform::SYSTEM_INFO system;
    platform::GetSystemInfo(&system);
    cpuVersion_ = NameOfProcessor(system.dwProcessorType);

    platform::MEMORYSTATUS memory;
    memory.dwLength = 32;
    platform::GlobalMemoryStatus(&memory);
    memoryTotal_ = RoundHalfEven(KiB(memory.dwTotalPhys));
    memoryFree_ = RoundHalfEven(KiB(memory.dwAvailPhys));
    virtualMemoryTotal_ = RoundHalfEven(KiB(memory.dwTotalVirtual));
    virtualMemoryFree_ = KiB(memory.dwAvailVirtual);

    platform::DLLVERSIONINFO shell;
    shell.cbSize = 20;
    if (!platform::DllGetVersion(platform::Library::ShellUtilities, &shell))
        shell = {};
    ieVersion_ = "Internet Explorer " + std::to_string(shell.dwMajorVersion) + "." +
                 std::to_string(shell.dwMinorVersion) + "." + std::to_string(shell.dwBuildNumber);
}

} // namespace corvane

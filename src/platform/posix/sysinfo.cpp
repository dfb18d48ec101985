#include "platform/sysinfo.h"

#include "platform/world.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/sysinfo.h>
#include <unistd.h>

namespace corvane::platform {
namespace {

// Reads dotted numbers ("6.0.2900") into up to three fields; missing or bad parts stay 0.
void ParseDotted(const std::string& text, std::uint32_t* out, int count) {
    const char* p = text.data();
    const char* end = p + text.size();
    for (int i = 0; i < count && p < end; ++i) {
        std::uint32_t v = 0;
        auto [next, ec] = std::from_chars(p, end, v);
        if (ec != std::errc())
            return;
        out[i] = v;
        p = next;
        if (p < end && *p == '.')
            ++p;
        else
            return;
    }
}

std::uint32_t Saturate(unsigned long long bytes) {
    return static_cast<std::uint32_t>(std::min<unsigned long long>(bytes, 0xFFFFFFFFull));
}

bool IsYes(std::string v) {
    std::transform(v.begin(), v.end(), v.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return v == "yes" || v == "true" || v == "on" || v == "1";
}

} // namespace

bool GetVersionExA(OSVERSIONINFOA* info) {
    if (info == nullptr || info->dwOSVersionInfoSize != 148)
        return false;
    auto conf = world::Conf();
    std::uint32_t version[2] = {0, 0};
    ParseDotted(conf["windows_version"], version, 2);
    std::uint32_t build[1] = {0};
    ParseDotted(conf["windows_build"], build, 1);
    info->dwMajorVersion = version[0];
    info->dwMinorVersion = version[1];
    info->dwBuildNumber = build[0];
    info->dwPlatformId = 2;
    return true;
}

bool DllGetVersion(Library library, DLLVERSIONINFO* info) {
    if (info == nullptr || info->cbSize != 20)
        return false;
    auto conf = world::Conf();
    std::uint32_t v[3] = {0, 0, 0};
    if (library == Library::ShellUtilities)
        ParseDotted(conf["shell_version"], v, 3);
    else
        ParseDotted(conf["common_controls"], v, 3);
    info->dwMajorVersion = v[0];
    info->dwMinorVersion = v[1];
    info->dwBuildNumber = v[2];
    info->dwPlatformID = 2;
    return true;
}

bool IsAppThemed() {
    return IsYes(world::Conf()["themes"]);
}

void GetSystemInfo(SYSTEM_INFO* info) {
    if (info == nullptr)
        return;
#if defined(__x86_64__) || defined(__aarch64__)
    info->dwProcessorType = sizeof(void*) == 8 ? 8664 : 586;
#else
    info->dwProcessorType = 586;
#endif
    info->dwNumberOfProcessors =
        static_cast<std::uint32_t>(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)));
    info->dwPageSize = static_cast<std::uint32_t>(sysconf(_SC_PAGESIZE));
}

void GlobalMemoryStatus(MEMORYSTATUS* status) {
    if (status == nullptr)
        return;
    struct sysinfo si {};
    if (::sysinfo(&si) == 0) {
        const unsigned long long unit = si.mem_unit ? si.mem_unit : 1;
        status->dwTotalPhys = Saturate(si.totalram * unit);
        status->dwAvailPhys = Saturate((si.freeram + si.bufferram) * unit);
        status->dwTotalPageFile = Saturate((si.totalram + si.totalswap) * unit);
        status->dwAvailPageFile = Saturate((si.freeram + si.freeswap) * unit);
        if (si.totalram > 0)
            status->dwMemoryLoad = static_cast<std::uint32_t>(
                100 - (100ull * (si.freeram + si.bufferram)) / si.totalram);
    }
    // The user-mode address space: the process's limit when one is set, else the usual 47 bits.
    struct rlimit rl {};
    unsigned long long total = 1ull << 47;
    if (getrlimit(RLIMIT_AS, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY)
        total = rl.rlim_cur;
    unsigned long long used = 0;
    std::ifstream statm("/proc/self/statm");
    if (statm >> used)
        used *= static_cast<unsigned long long>(sysconf(_SC_PAGESIZE));
    status->dwTotalVirtual = Saturate(total);
    status->dwAvailVirtual = Saturate(total > used ? total - used : 0);
}

void InitCommonControls() {}

} // namespace corvane::platform

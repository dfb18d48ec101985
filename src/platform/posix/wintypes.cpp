#include "platform/wintypes.h"

#include <chrono>

namespace corvane::platform {
namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
} // namespace

DWORD GetLastError() {
    return t_lastError;
}
void SetLastError(DWORD code) {
    t_lastError = code;
}

void GetSystemTimeAsFileTime(FILETIME* time) {
    using namespace std::chrono;
    // 100-nanosecond intervals between 1601-01-01 and 1970-01-01.
    constexpr std::uint64_t kEpochOffset = 116444736000000000ULL;
    const auto since1970 = duration_cast<nanoseconds>(system_clock::now().time_since_epoch());
    *time = Uint64ToFileTime(kEpochOffset + static_cast<std::uint64_t>(since1970.count() / 100));
}

} // namespace corvane::platform

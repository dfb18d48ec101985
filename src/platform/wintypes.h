#pragma once
// The Win32 basic types and status codes that the platform services share, and the per-thread
// last-error value that the calls returning only success or failure leave behind, as on Windows.

#include "platform/registry.h"

#include <cstdint>

namespace corvane::platform {

/// The Win32 truth value: non-zero for success.
using BOOL = int;

/// A point in time: 100-nanosecond intervals since 1 January 1601 (UTC), in two halves.
struct FILETIME {
    DWORD dwLowDateTime = 0;
    DWORD dwHighDateTime = 0;
};

/// The time now as a FILETIME.
void GetSystemTimeAsFileTime(FILETIME* time);
/// A FILETIME as one 64-bit count.
constexpr std::uint64_t FileTimeToUint64(FILETIME t) {
    return (std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}
/// A 64-bit count as a FILETIME.
constexpr FILETIME Uint64ToFileTime(std::uint64_t t) {
    return FILETIME{static_cast<DWORD>(t & 0xFFFFFFFFu), static_cast<DWORD>(t >> 32)};
}

// DWORD and the status codes the registry calls share (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND,
// ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER, ERROR_NO_MORE_ITEMS) come with registry.h; these
// are the codes only the other services report.

/// The store behind the service could not be read or written.
inline constexpr LONG ERROR_READ_FAULT = 30;
/// Memory for the result could not be had.
inline constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
/// The store behind the service could not be opened.
inline constexpr LONG ERROR_OPEN_FAILED = 110;
/// The caller's buffer is missing or too small; the size needed was reported.
inline constexpr LONG ERROR_INSUFFICIENT_BUFFER = 122;

/// The last-error value of the calling thread.
DWORD GetLastError();
/// Sets the last-error value of the calling thread.
void SetLastError(DWORD code);

} // namespace corvane::platform

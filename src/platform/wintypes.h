#pragma once
// The Win32 basic types and status codes that the platform services share, and the per-thread
// last-error value that the calls returning only success or failure leave behind, as on Windows.

#include <cstdint>

namespace corvane::platform {

/// The 32-bit unsigned integer of the Win32 calls.
using DWORD = std::uint32_t;
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

/// The operation succeeded.
constexpr DWORD ERROR_SUCCESS = 0;
/// The named item does not exist.
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
/// The handle is not one this service gave out, or it was closed.
constexpr DWORD ERROR_INVALID_HANDLE = 6;
/// The store behind the service could not be read or written.
constexpr DWORD ERROR_READ_FAULT = 30;
/// Memory for the result could not be had.
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
/// An argument is missing or malformed.
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
/// The store behind the service could not be opened.
constexpr DWORD ERROR_OPEN_FAILED = 110;
/// The caller's buffer is missing or too small; the size needed was reported.
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
/// An enumeration has no further item.
constexpr DWORD ERROR_NO_MORE_ITEMS = 259;

/// The last-error value of the calling thread.
DWORD GetLastError();
/// Sets the last-error value of the calling thread.
void SetLastError(DWORD code);

} // namespace corvane::platform

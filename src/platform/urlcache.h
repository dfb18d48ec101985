#pragma once
// The browser's URL cache in the shape of the internet library's calls. The entries live in the
// world's urlcache.sqlite; their local files live under the Cache folder of the profile. A walk
// hands out one entry per call in the caller's buffer, with the size contract of the real calls:
// no buffer or a buffer that is too small fails with ERROR_INSUFFICIENT_BUFFER and reports the
// size needed, and the end of the walk fails with ERROR_NO_MORE_ITEMS.

#include "platform/wintypes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::platform {

/// The fixed head of every cache entry record. The strings it points to follow it in the same
/// buffer. The record keeps the fields of the classic 80-byte record in 80 bytes with this
/// platform's 8-byte pointers; the header-info and extension fields, which this cache never
/// fills, are not part of it.
struct INTERNET_CACHE_ENTRY_INFOA {
    DWORD dwStructSize = 0;
    DWORD dwAlignment = 0;
    char* lpszSourceUrlName = nullptr;
    char* lpszLocalFileName = nullptr;
    DWORD CacheEntryType = 0;
    DWORD dwUseCount = 0;
    DWORD dwHitRate = 0;
    DWORD dwSizeLow = 0;
    DWORD dwSizeHigh = 0;
    FILETIME LastModifiedTime;
    FILETIME ExpireTime;
    FILETIME LastAccessTime;
    FILETIME LastSyncTime;
    DWORD dwExemptDelta = 0;
};
static_assert(sizeof(INTERNET_CACHE_ENTRY_INFOA) == 80, "the entry head is 80 bytes");

/// An open cache walk; null means none.
using HANDLE = void*;

/// The entry type bit of ordinary cached pages and files.
constexpr DWORD NORMAL_CACHE_ENTRY = 0x00000001;
/// The entry type bit of entries kept out of scavenging.
constexpr DWORD STICKY_CACHE_ENTRY = 0x00000004;
/// The entry type bit of cookie entries.
constexpr DWORD COOKIE_CACHE_ENTRY = 0x00100000;
/// The entry type bit of visited-address entries.
constexpr DWORD URLHISTORY_CACHE_ENTRY = 0x00200000;

/// Starts a walk of the entries (in the order they were added) and returns the first one. A
/// pattern of null, "", "*" or "*.*" walks every entry; any other pattern walks the entries whose
/// URL starts with it, ignoring case ("Cookie:"). Returns the walk's handle, or null with the
/// last error set (ERROR_INSUFFICIENT_BUFFER with `*size` set to the size needed,
/// ERROR_NO_MORE_ITEMS when there is no entry, ERROR_READ_FAULT when the store cannot be read).
/// Walks belong to the thread that started them.
HANDLE FindFirstUrlCacheEntryA(const char* pattern, INTERNET_CACHE_ENTRY_INFOA* info, DWORD* size);
/// Returns the entry after the last one this walk returned. Entries this process deletes or adds
/// meanwhile are skipped or included; changes other programs make show from the next walk on.
/// FALSE with the last error set as for FindFirstUrlCacheEntryA, or ERROR_INVALID_HANDLE.
BOOL FindNextUrlCacheEntryA(HANDLE walk, INTERNET_CACHE_ENTRY_INFOA* info, DWORD* size);
/// Ends a walk; FALSE with ERROR_INVALID_HANDLE for a handle that is not open.
BOOL FindCloseUrlCache(HANDLE walk);
/// Removes the entry with exactly this URL and its local file; FALSE with ERROR_FILE_NOT_FOUND
/// when there is none.
BOOL DeleteUrlCacheEntryA(const char* url);
/// Adds an entry at the end of the walk order, or replaces the type and local file of the entry
/// that has this URL (keeping its place; a local file it no longer uses is removed). The local
/// file is a name relative to the Cache folder ("Content.IE5\X1Y2Z3\page[1].htm"), or null or ""
/// for none; a name that leaves the Cache folder fails with ERROR_INVALID_PARAMETER.
BOOL CommitUrlCacheEntryA(const char* url, const char* localFile, DWORD cacheEntryType);
/// One entry for CommitUrlCacheEntries.
struct UrlCacheAddition {
    std::string url;
    std::string localFile;
    DWORD type = 0;
};
/// Adds or replaces many entries, in order, as CommitUrlCacheEntryA does one, as one change:
/// all of them or, on failure, none (a URL with a NUL in it fails with ERROR_INVALID_PARAMETER).
BOOL CommitUrlCacheEntries(const std::vector<UrlCacheAddition>& entries);

/// Counts the entries a listing shows (the first entry always, every later one with the
/// normal-entry bit) without walking them; false when the store cannot be read.
bool CountListedUrlCacheEntries(std::uint64_t& count);

/// A number that changes whenever a walk started now could return other entries than one
/// started before (the store was changed by this or another program, or another world's store
/// is in use); false when the store cannot be read, and then nothing can be assumed.
bool UrlCacheChangeCount(std::uint64_t& count);

/// Empties the store's write-ahead log into the file, so entries deleted before leave no copy in
/// the log; FALSE when the store can't be opened or another program kept the log in use.
BOOL FlushErasedUrlCacheEntries();

/// The Cache folder of the profile as a Windows path (what the "Cache" shell folder names).
std::string UrlCacheFolder();
/// The POSIX path of a local file name relative to the Cache folder, or "" when the name would
/// lead outside the folder.
std::string UrlCacheLocalFilePath(std::string_view localFile);

} // namespace corvane::platform

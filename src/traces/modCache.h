#pragma once
// The URL cache walk both windows use: one walk at a time for the whole program, the current
// entry held in a buffer sized to what the cache asks for, and deletion of single entries by URL.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane::modCache {

/// Starts a new walk (closing an open one); true when its first entry is current.
bool FindFirstCacheEntry();
/// Moves to the next entry; true when it is current, false at the end, on failure or with no walk.
bool FindNextCacheEntry();
/// Ends the open walk, if there is one.
void CloseCacheEnum();
/// The type flags of the current entry (0 when there is none).
std::uint32_t GetCacheEntryType();
/// The source URL of the current entry ("" when there is none).
std::string GetCacheEntryUrl();
/// Deletes the entry with this URL and its local file; true when the cache deleted it.
bool DeleteCacheEntry(const std::string& url);

/// The URL list both windows show: the first entry always, every later entry only when bit 0
/// (the normal-entry bit) of its type is set, in walk order. The walk is closed afterwards.
std::vector<std::string> ListCacheUrls();
/// The number of URLs ListCacheUrls would return, counted without reading them (0 when the cache
/// cannot be read, as the list is then empty).
std::size_t CountCacheUrls();

/// Makes the entry buffer allocations fail after `successes` more successful ones (a negative
/// count: never), so tests can reach the failed-allocation paths.
void SetAllocationFailureForTesting(int successes);

} // namespace corvane::modCache

#pragma once
// What the cache, history and seed commands share: adding entries to the two browser stores.

#include <cstdint>
#include <string>

namespace corvane::cli {

/// Adds (or replaces) a cache entry. With a file name, a local file with some content is made
/// under the Cache folder's "Content.IE5" tree first. False with `error` on failure.
bool AddCacheEntry(const std::string& url, std::uint32_t type, const std::string& fileName,
                   std::string& error);

/// Records a visit in the URL history (the title may be empty). False with `error` on failure.
bool AddHistoryEntry(const std::string& url, const std::string& title, std::string& error);

/// Writes a file with its folders; false with `error` on failure.
bool WriteWorldFile(const std::string& posixPath, const std::string& content, std::string& error);

} // namespace corvane::cli

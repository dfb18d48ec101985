#pragma once
// What the cache and seed commands share: adding a cache entry together with its local file.

#include <cstdint>
#include <string>

namespace corvane::cli {

/// Adds (or replaces) a cache entry. With a file name, a local file with some content is made
/// under the Cache folder's "Content.IE5" tree first. False with `error` on failure.
bool AddCacheEntry(const std::string& url, std::uint32_t type, const std::string& fileName,
                   std::string& error);

/// Writes a file with its folders; false with `error` on failure.
bool WriteWorldFile(const std::string& posixPath, const std::string& content, std::string& error);

} // namespace corvane::cli

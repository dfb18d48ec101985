#pragma once
// Shell services of the desktop the world runs on.

#include <cstdint>

namespace corvane::platform {

/// SHAddToRecentDocs: the item is a pointer to an item id list.
inline constexpr std::uint32_t SHARD_PIDL = 0x1;
/// SHAddToRecentDocs: the item is a path (8-bit text).
inline constexpr std::uint32_t SHARD_PATHA = 0x2;

/// With a null item, empties the user's recent-documents list: the world's Recent folder (links
/// inside it are removed, never followed) and the desktop's own list (recently-used.xbel in the
/// XDG data folder, rewritten as an empty list; a desktop without that file is left without it).
/// Adding an item is not provided by this world and does nothing.
void SHAddToRecentDocs(std::uint32_t flags, const void* item);

} // namespace corvane::platform

#pragma once
// The one folder walk every tree operation uses (the shredder, folder deletion, the browser
// cleaners). It reaches everything through descriptors relative to the folder that holds it, so
// no path is resolved twice; it never follows a link, never leaves the mount it started on
// (device and mount id, so a bind mount of the same file system is seen too), keeps its own
// stack, so depth is no limit, and holds a bounded number of folders open.

#include "platform/files.h"

#include <cstddef>
#include <span>
#include <string>

namespace corvane::platform {

/// The most folders a walk keeps open at once; the ones above are reached again through "..".
inline constexpr std::size_t kWalkOpenFolders = 128;

/// One entry the walk met, valid only during the visitor's call.
struct WalkEntry {
    /// The open folder that holds the entry.
    const FileHandle& folder;
    /// The facts of that folder.
    const FileFacts& folderFacts;
    /// The entry's POSIX name inside the folder.
    const std::string& name;
    /// The entry's own facts (a link's, never its target's).
    const FileFacts& facts;
    /// The names of the folders from the start down to `folder` (the start itself excluded).
    std::span<const std::string> trail;

    /// 0 for an entry directly inside the starting folder.
    std::size_t Depth() const { return trail.size(); }
};

/// What a walk tells its visitor. Within a folder every entry that is not a folder is visited
/// first, then the subfolders one by one, depth first; a folder is left (post-order) once
/// everything inside it was visited, with its parent open again, ready for its removal.
class TreeVisitor {
public:
    virtual ~TreeVisitor() = default;

    /// An entry that is not a folder: a file, a link, a FIFO, a socket or a device.
    virtual void File(const WalkEntry& entry) = 0;
    /// A folder on the walk's mount; true to walk into it later (the default).
    virtual bool Enter(const WalkEntry& /*entry*/) { return true; }
    /// A folder the walk entered, once everything inside it was visited; its descriptor is
    /// closed already and `entry.folder` is its parent.
    virtual void Leave(const WalkEntry& /*entry*/) {}
    /// A folder the walk does not enter because another file system is mounted on it.
    virtual void OtherMount(const WalkEntry& /*entry*/) {}
    /// A folder that could not be opened (gone, swapped for a link, refused); `error` is the
    /// errno of the open.
    virtual void NotOpened(const WalkEntry& /*entry*/, int /*error*/) {}
    /// The walk stopped early: the folder at `trail` was closed to save descriptors and its
    /// child's ".." no longer leads to it (it was moved), so nothing above is safe to reach.
    virtual void Lost(std::span<const std::string> /*trail*/) {}
};

/// Walks the tree below the open folder `top` through `files` (so a recording or faulty files
/// service sees every step), telling `visitor` what it meets. The top folder itself is never
/// visited. True when the walk went to its end, false when it stopped early or `top` is not an
/// open folder.
bool WalkTree(FileService& files, FileHandle top, TreeVisitor& visitor);

} // namespace corvane::platform

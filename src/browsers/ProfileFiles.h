#pragma once
// The file work the family cleaners share: deleting cache, session and site-storage files
// through descriptors that never follow a link out of the folder being emptied, each regular
// file overwritten once with zeros before it goes where the file system writes in place.

#include "browsers/CleanReport.h"
#include "platform/overwrite.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace corvane::browsers {

/// What emptying a folder did.
struct RemoveResult {
    long files = 0;    ///< regular files (and links) removed
    bool ok = true;    ///< false when something could not be removed
    std::string error; ///< the first failure, naming the path
    /// Why the old bytes of what was removed may survive on the disk: the verdict for the
    /// folder's file system ("btrfs keeps copies (copy-on-write)"); empty where it writes in place.
    std::string mayKeep;
    /// The files removed without their bytes overwritten for a reason of their own (other names
    /// keep their data, no write permission), one line each naming the path.
    std::vector<std::string> notOverwritten;
};

/// Which entries directly inside a folder to remove (by name); empty means every entry.
using NameFilter = std::function<bool(const std::string& name)>;

/// What emptying a folder would remove, found without changing anything.
struct Tally {
    long files = 0;         ///< the names RemoveInFolder would count
    std::int64_t bytes = 0; ///< the length of the regular files among them
};

/// The entries of `folder` that RemoveInFolder would remove with this filter, read only.
Tally TallyInFolder(const std::filesystem::path& folder, const NameFilter& filter = {});

/// Removes the entries of `folder` that `filter` accepts: files and links are unlinked (a link
/// is removed, never followed), folders are emptied and removed, without leaving the mount the
/// folder is on. Where its file system writes in place, each regular file with one name is
/// zeroed once before it goes and one syncfs at the end pushes the zeros to the disk. A missing
/// folder removes nothing.
RemoveResult RemoveInFolder(const std::filesystem::path& folder, const NameFilter& filter = {});

/// RemoveInFolder with the zeroed files left in `batch`, which syncs them with the other files
/// it holds: a failed sync is reported by `batch.Flush`, not in the result.
RemoveResult RemoveInFolder(const std::filesystem::path& folder, const NameFilter& filter,
                            platform::OverwriteBatch& batch);

/// Removes one file as RemoveInFolder removes each (a link goes unfollowed, a regular file is
/// zeroed first where that reaches its bytes); a missing file removes nothing.
RemoveResult RemoveStoreFile(const std::filesystem::path& file);

/// RemoveStoreFile with the zeroed file left in `batch` until it syncs.
RemoveResult RemoveStoreFile(const std::filesystem::path& file, platform::OverwriteBatch& batch);

/// The regular files inside `folder` and its subfolders that `filter` accepts (by name), without
/// following links; 0 when the folder is missing.
long CountFiles(const std::filesystem::path& folder, const NameFilter& filter = {});

/// Empties a folder into a profile's report: the files removed under `what`, or a problem line,
/// and a problem line for each file whose other names keep its bytes.
void RemoveInto(const std::filesystem::path& folder, const NameFilter& filter, const char* what,
                platform::OverwriteBatch& batch, ProfileReport& report);

} // namespace corvane::browsers

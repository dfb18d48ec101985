#pragma once
// The file work the family cleaners share: deleting cache, session and site-storage files
// through descriptors that never follow a link out of the folder being emptied.

#include "browsers/CleanReport.h"

#include <filesystem>
#include <functional>
#include <string>

namespace corvane::browsers {

/// What emptying a folder did.
struct RemoveResult {
    long files = 0;    ///< regular files (and links) removed
    bool ok = true;    ///< false when something could not be removed
    std::string error; ///< the first failure, naming the path
};

/// Which entries directly inside a folder to remove (by name); empty means every entry.
using NameFilter = std::function<bool(const std::string& name)>;

/// Removes the entries of `folder` that `filter` accepts: files and links are unlinked (a link
/// is removed, never followed), folders are emptied and removed, without leaving the file system
/// the folder is on. A missing folder removes nothing. Plain deletes: no per-file flush.
RemoveResult RemoveInFolder(const std::filesystem::path& folder, const NameFilter& filter = {});

/// The regular files inside `folder` and its subfolders that `filter` accepts (by name), without
/// following links; 0 when the folder is missing.
long CountFiles(const std::filesystem::path& folder, const NameFilter& filter = {});

/// Empties a folder into a profile's report: the files removed under `what`, or a problem line.
void RemoveInto(const std::filesystem::path& folder, const NameFilter& filter, const char* what,
                ProfileReport& report);

} // namespace corvane::browsers

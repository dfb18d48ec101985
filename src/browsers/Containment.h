#pragma once
// Where a cleaner may write. Discovery hands out only resolved folders (every link followed), and
// only folders a browser could have made for this user: never the root, the home or a folder
// holding it, a system folder or another user's folder. A link is followed only into the home,
// the runtime folder or the temporary folder, where the tools that keep profiles in memory put
// them; a cache folder must stay inside its cache root once resolved.

#include "browsers/Profile.h"

#include <filesystem>
#include <string>
#include <vector>

namespace corvane::browsers {

/// Whether `path` is `folder` or lies below it, compared component by component.
bool Inside(const std::filesystem::path& path, const std::filesystem::path& folder);

/// A path in normal form without a trailing separator ("/a/b/" and "/a/./b" give "/a/b").
std::filesystem::path Normal(const std::filesystem::path& path);

/// The user's folders resolved once for a discovery, and the rules that judge a folder by them.
class Containment {
public:
    /// Resolves the home, XDG, runtime and temporary folders of `folders`.
    explicit Containment(const UserFolders& folders);

    /// Resolves a profile or user-data folder found at `folder` (absolute, as listed): true with
    /// `real` when a cleaner may write below it, else false with a line saying why.
    bool ResolveFolder(const std::filesystem::path& folder, std::filesystem::path& real,
                       std::string& problem) const;

    /// Resolves a cache folder meant to lie below `root`: true with `real` when it does after
    /// resolving links and may be written, else false with a line saying why. A folder not made
    /// yet resolves through its nearest existing parent.
    bool ResolveCache(const std::filesystem::path& folder, const std::filesystem::path& root,
                      std::filesystem::path& real, std::string& problem) const;

    /// A profile's cache folders: `folder` resolved when it passes ResolveCache (else a line
    /// in `problems`), then the resolved profile folder `real`, each once.
    std::vector<std::filesystem::path> CacheFolders(const std::filesystem::path& folder,
                                                    const std::filesystem::path& root,
                                                    const std::filesystem::path& real,
                                                    std::vector<std::string>& problems) const;

private:
    // Why a resolved folder may never be written, or "" when it may.
    std::string Refusal(const std::filesystem::path& real) const;

    std::filesystem::path home_;
    std::filesystem::path config_;
    std::filesystem::path cache_;
    std::filesystem::path runtime_; // empty when unset or not the user's own
    std::filesystem::path temp_;
    uid_t owner_;
};

} // namespace corvane::browsers

#pragma once
// Discovery per family: where each family lists its profiles and how a listing is read.

#include "browsers/Profile.h"

namespace corvane::browsers {

/// Adds the profiles listed in `<root>/profiles.ini`; a missing or malformed file adds a problem
/// line. `cacheRoot` is where the browser keeps caches for profiles of this root; `browser` the
/// name shown before the profile name when the profile does not say it is an ESR one.
void DiscoverFirefoxRoot(const std::filesystem::path& root, const std::filesystem::path& cacheRoot,
                         const std::string& browser, const UserFolders& folders, Discovery& found);

/// Adds the profiles of one user-data folder (the keys of `profile.info_cache` in its
/// "Local State"); a missing or malformed file adds a problem line.
void DiscoverChromiumUserData(const std::filesystem::path& userData,
                              const std::filesystem::path& cacheRoot, const std::string& browser,
                              const UserFolders& folders, Discovery& found);

} // namespace corvane::browsers

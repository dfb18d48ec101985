#pragma once
// The Firefox family: profiles.ini discovery and the cleaner of one profile.

#include "browsers/CleanReport.h"
#include "browsers/Profile.h"

namespace corvane::browsers {

/// Adds the profiles listed in `<root>/profiles.ini`; a missing or malformed file adds a problem
/// line. `cacheRoot` is where the browser keeps caches for profiles of this root; `browser` the
/// name shown before the profile name when the profile does not say it is an ESR one.
void DiscoverFirefoxRoot(const std::filesystem::path& root, const std::filesystem::path& cacheRoot,
                         const std::string& browser, const UserFolders& folders, Discovery& found);

/// Erases the profile's history, cookies, cache, session and form history. The caller has made
/// sure the browser is closed; the cleaner holds the profile lock itself while it works.
void CleanFirefoxProfile(const Profile& profile, ProfileReport& report);

/// The cookie rows and cache entry files of a profile, read only.
void CountFirefoxTraces(const Profile& profile, long& cookies, long& cacheEntries);

} // namespace corvane::browsers

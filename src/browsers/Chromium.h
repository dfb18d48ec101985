#pragma once
// The Chromium family (Chromium, Google Chrome, Brave, Edge, Vivaldi): "Local State" discovery
// and the cleaner of one profile.

#include "browsers/CleanReport.h"
#include "browsers/Profile.h"

namespace corvane::browsers {

/// Adds the profiles of one user-data folder (the keys of `profile.info_cache` in its
/// "Local State"); a missing or malformed file adds a problem line.
void DiscoverChromiumUserData(const std::filesystem::path& userData,
                              const std::filesystem::path& cacheRoot, const std::string& browser,
                              const UserFolders& folders, Discovery& found);

/// Erases the profile's history, cookies, cache, session and autofill entries. The caller has
/// made sure the browser is closed.
void CleanChromiumProfile(const Profile& profile, ProfileReport& report);

/// The cookie rows and cache entry files of a profile, read only.
void CountChromiumTraces(const Profile& profile, long& cookies, long& cacheEntries);

} // namespace corvane::browsers

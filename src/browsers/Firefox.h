#pragma once
// The Firefox family: the cleaner of one profile.

#include "browsers/CleanReport.h"
#include "browsers/Profile.h"

namespace corvane::browsers {

/// Erases the profile's history, cookies, cache, session and form history. The caller has made
/// sure the browser is closed; the cleaner holds the profile lock itself while it works.
void CleanFirefoxProfile(const Profile& profile, ProfileReport& report);

/// The cookie rows and cache entry files of a profile, read only.
void CountFirefoxTraces(const Profile& profile, long& cookies, long& cacheEntries);

} // namespace corvane::browsers

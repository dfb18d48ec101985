#pragma once
// The Chromium family (Chromium, Google Chrome, Brave, Edge, Vivaldi): the cleaner
// of one profile.

#include "browsers/CleanReport.h"
#include "browsers/Profile.h"

namespace corvane::browsers {

/// Erases the profile's history, cookies, cache, session and autofill entries. The caller has
/// made sure the browser is closed.
void CleanChromiumProfile(const Profile& profile, ProfileReport& report);

/// The cookie rows and cache entry files of a profile, read only.
void CountChromiumTraces(const Profile& profile, long& cookies, long& cacheEntries);

} // namespace corvane::browsers

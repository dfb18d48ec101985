#pragma once
// Cleaning the user's real profiles, and counting their traces for the scan. A profile is
// cleaned only when the user agreed and no browser has it open; one family-specific cleaner
// then erases its history, cookies, cache, session and form history.

#include "browsers/CleanReport.h"
#include "browsers/Profile.h"

namespace corvane::browsers {

/// Cleans one profile regardless of the recorded choice (the caller decided); a profile in use
/// is reported and left untouched.
ProfileReport CleanProfile(const Profile& profile);

/// Cleans every enabled profile that is closed (or only the one named by `onlyId`, if it is
/// enabled); profiles in use are reported as skipped. Undecided and disabled profiles are
/// neither touched nor reported, except a named one, which is reported as not enabled.
CleaningReport CleanEnabledProfiles(const std::string& onlyId = {},
                                    const UserFolders& folders = UserFolders::FromEnvironment());

/// The traces of the enabled profiles the scan adds to its counts.
struct TraceCounts {
    long cookies = 0;      ///< cookie rows
    long cacheEntries = 0; ///< cache entry files
};

/// Counts the cookies and cache entries of every enabled profile, reading only; a database a
/// browser holds locked counts nothing.
TraceCounts CountEnabledTraces(const UserFolders& folders = UserFolders::FromEnvironment());

} // namespace corvane::browsers

#pragma once
// Cleaning the user's real profiles, and counting their traces for the scan. A profile is
// cleaned only when the user agreed and no browser has it open; every store of its family in the
// store table is then erased in turn.

#include "browsers/CleanReport.h"
#include "browsers/Profile.h"

#include <functional>

namespace corvane::browsers {

/// Asks whether a Chromium-family browser has started on the profile since its clean began.
using StartedProbe = std::function<bool(const Profile& profile)>;

/// Cleans one profile regardless of the recorded choice (the caller decided); a profile in use
/// is reported and left untouched. `started` is asked before each store of a Chromium-family
/// profile (by default the browser's own lock is looked at).
ProfileReport CleanProfile(const Profile& profile,
                           const UserFolders& folders = UserFolders::FromEnvironment(),
                           const StartedProbe& started = {});

/// Cleans every enabled profile that is closed (or only the one named by `onlyId`, if it is
/// enabled); profiles in use are reported as skipped. Undecided and disabled profiles are
/// neither touched nor reported, except a named one, which is reported as not enabled.
CleaningReport CleanEnabledProfiles(const std::string& onlyId = {},
                                    const UserFolders& folders = UserFolders::FromEnvironment());

/// What CleanProfile would erase now, store by store from the same table, with the sizes of the
/// files; nothing of the profile is written (its databases are read into memory).
ProfileReport PreviewProfile(const Profile& profile,
                             const UserFolders& folders = UserFolders::FromEnvironment());

/// CleanEnabledProfiles, told before it happens: what it would erase in each profile.
CleaningReport PreviewEnabledProfiles(const std::string& onlyId = {},
                                      const UserFolders& folders = UserFolders::FromEnvironment());

/// The traces of the enabled profiles the scan adds to its counts.
struct TraceCounts {
    long cookies = 0;      ///< cookie rows
    long cacheEntries = 0; ///< cache entry files
    /// One line per store that could not be read ("NAME: Cookies not counted: in use").
    std::vector<std::string> notCounted;
};

/// Counts the cookies and cache entries of every enabled profile, reading only; a database a
/// browser holds locked is not counted, and said so.
TraceCounts CountEnabledTraces(const UserFolders& folders = UserFolders::FromEnvironment());

} // namespace corvane::browsers

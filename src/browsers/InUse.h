#pragma once
// Whether a browser has a profile open. Never by process name: a name says nothing about which
// profile. Firefox holds a POSIX lock on `.parentlock` while it runs; Chromium leaves
// `SingletonLock`, a symbolic link to "host-pid", in its user-data folder.

#include "browsers/Profile.h"

namespace corvane::browsers {

/// True while a browser has the profile open.
bool IsInUse(const Profile& profile);

/// Firefox: true when another process holds a lock on `<folder>/.parentlock`.
bool IsFirefoxProfileLocked(const std::filesystem::path& folder);

/// Chromium: true when `<userData>/SingletonLock` names a live process of this host, or any
/// process of another host (which cannot be checked from here, so it is taken as running).
bool IsChromiumUserDataLocked(const std::filesystem::path& userData);

} // namespace corvane::browsers

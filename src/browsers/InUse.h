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

/// Who keeps a clean from starting.
enum class Holder {
    Nobody,       ///< the clean holds the profile
    Browser,      ///< a browser has it open
    OtherCorvane, ///< another Corvane is cleaning it
};

/// Held for the whole clean of one profile. It takes Corvane's own lock on the profile (so a
/// second Corvane finds it and says so) and, for Firefox, the profile's `.parentlock` as the
/// browser itself takes it, made when missing, so that a Firefox started meanwhile finds the
/// profile in use and stops instead of opening half-cleaned databases.
class CleaningLock {
public:
    /// Takes the locks, or finds who holds them.
    explicit CleaningLock(const Profile& profile);
    ~CleaningLock();
    CleaningLock(const CleaningLock&) = delete;
    CleaningLock& operator=(const CleaningLock&) = delete;
    /// Nobody when the clean may go on; else who holds the profile.
    Holder Blocked() const { return blocked_; }

private:
    int own_ = -1;
    int parent_ = -1;
    Holder blocked_ = Holder::Nobody;
};

} // namespace corvane::browsers

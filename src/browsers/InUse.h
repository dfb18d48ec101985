#pragma once
// Whether a browser has a profile open. Never by process name: a name says nothing about which
// profile. Firefox holds a POSIX lock on `.parentlock` while it runs; Chromium leaves
// `SingletonLock`, a symbolic link to "host-pid", in its user-data folder.

#include "browsers/Profile.h"

#include <sys/types.h>

namespace corvane::browsers {

/// True while a browser has the profile open; `holder` (when given) receives the pid of the
/// process the lock names, or 0 when the lock does not say.
bool IsInUse(const Profile& profile, pid_t* holder = nullptr);

/// Firefox: true when another process holds a lock on `<folder>/.parentlock`; `holder` receives
/// the pid the system reports for that lock.
bool IsFirefoxProfileLocked(const std::filesystem::path& folder, pid_t* holder = nullptr);

/// Chromium: true when `<userData>/SingletonLock` names a live process of this host, or any
/// process of another host (which cannot be checked from here, so it is taken as running);
/// `holder` receives the pid of this host's process (0 for another host's).
bool IsChromiumUserDataLocked(const std::filesystem::path& userData, pid_t* holder = nullptr);

/// One process as it was seen holding a profile: the pid and when that process started, so
/// that a pid the system has since given to another program is not taken for the browser.
struct ProcessSeen {
    pid_t pid = 0;                  ///< 0 when unknown
    unsigned long long started = 0; ///< clock ticks after boot; 0 when it could not be read

    /// Notes the process `pid` as it runs now.
    static ProcessSeen Of(pid_t pid);
    /// True once that process has ended: no such pid, a zombie waiting for its parent, or a
    /// later process under the same pid. False while it runs, and when the pid is unknown.
    bool Ended() const;
};

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

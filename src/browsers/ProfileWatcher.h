#pragma once
// The automatic erase for the user's real browsers: each enabled profile is followed, and when
// it goes from in use to closed it is cleaned as soon as the browser has finished writing, once
// per browser run. A browser lets go of its lock only at the very end (Firefox when its process
// ends, Chromium at the end of its shutdown), so the profile is cleaned as soon as the process
// the lock named has ended too. The file system tells of a lock let go at once; a beat looks at
// every profile all the same, for the browsers that start, and where the system says nothing.

#include "browsers/CleanReport.h"
#include "browsers/InUse.h"
#include "browsers/Profile.h"
#include "platform/messageloop.h"

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace corvane::browsers {

/// Follows the enabled profiles and cleans each one when its browser closes.
class ProfileWatcher {
public:
    /// What the watcher calls out to; every hook is optional.
    struct Hooks {
        /// The cleaning of a profile begins (the tray shows its busy picture).
        std::function<void(const Profile&)> BusyBegin;
        /// The cleaning has ended, with its report (the tray puts its picture back).
        std::function<void(const ProfileReport&)> BusyEnd;
        /// The profiles to follow (default: the enabled profiles discovery finds).
        std::function<std::vector<Profile>()> Profiles;
        /// Whether a profile is in use (default: IsInUse, which also names the process).
        std::function<bool(const Profile&)> InUse;
        /// Cleans a profile (default: CleanProfile).
        std::function<ProfileReport(const Profile&)> Clean;
        /// Whether the browser that last had a closed profile open has ended (default: whether
        /// the process its lock named is gone; unknown without the default InUse).
        std::function<bool(const Profile&)> Ended;
    };

    /// The beat, in milliseconds (before the time scale).
    static constexpr int kInterval = 500;
    /// The step on which a profile just closed is looked at until its browser has ended, in ms.
    static constexpr int kStep = 20;
    /// How long a browser that has let go of the profile may take to end, in ms; the profile is
    /// cleaned then even if it has not (the lock, the browser's own word, says it is closed).
    static constexpr int kExitWait = 3000;
    /// The wait after a close whose browser process cannot be told, in milliseconds.
    static constexpr int kSettle = 500;
    /// The profile list is found again every this many beats (new profiles, changed choices).
    static constexpr int kRefreshBeats = 10;

    explicit ProfileWatcher(Hooks hooks = {});
    ~ProfileWatcher();
    ProfileWatcher(const ProfileWatcher&) = delete;
    ProfileWatcher& operator=(const ProfileWatcher&) = delete;

    /// Finds the profiles and starts the beat and the file system's notices (needs the loop).
    void Start();
    /// Stops the beat and the notices.
    void Stop();

    /// Finds the profiles to follow again, keeping what is known of those still there.
    void Refresh();
    /// Checks each followed profile and cleans those whose browser has closed and ended.
    void Check();
    /// The number of profiles followed now.
    std::size_t Followed() const { return followed_.size(); }
    /// True while a closed profile waits for its browser to end (the step runs).
    bool Waiting() const { return Step.Enabled(); }

    /// The beat timer.
    platform::Timer Beat;
    /// The short step that runs while a profile waits for its browser to end.
    platform::Timer Step;

private:
    enum class State { Closed, Open, Closing };
    struct Watched {
        Profile profile;
        State state = State::Closed;
        /// The process that last held the profile, as the lock named it.
        ProcessSeen holder;
        /// Closing: when the profile is cleaned even if its browser has not ended.
        std::chrono::steady_clock::time_point deadline;
    };
    struct Notices;
    void Tick();
    bool InUse(Watched& watched) const;
    bool Ended(const Watched& watched) const;
    void Clean(Watched& watched);

    Hooks hooks_;
    std::vector<Watched> followed_;
    std::unique_ptr<Notices> notices_;
    int beatsSinceRefresh_ = 0;
};

} // namespace corvane::browsers

#pragma once
// The automatic erase for the user's real browsers: on the same 500 ms beat as the world's
// browser check, each enabled profile is followed; when it goes from in use to closed, the
// watcher waits 500 ms and cleans that profile, once per browser run.

#include "browsers/CleanReport.h"
#include "browsers/Profile.h"
#include "platform/messageloop.h"

#include <functional>
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
        /// Whether a profile is in use (default: IsInUse).
        std::function<bool(const Profile&)> InUse;
        /// Cleans a profile (default: CleanProfile).
        std::function<ProfileReport(const Profile&)> Clean;
    };

    /// The beat, in milliseconds (before the time scale).
    static constexpr int kInterval = 500;
    /// The wait between a browser's close and the cleaning, in milliseconds.
    static constexpr int kSettle = 500;
    /// The profile list is found again every this many beats (new profiles, changed choices).
    static constexpr int kRefreshBeats = 10;

    explicit ProfileWatcher(Hooks hooks = {});

    /// Finds the profiles and starts the beat.
    void Start();
    /// Stops the beat.
    void Stop();

    /// Finds the profiles to follow again, keeping what is known of those still there.
    void Refresh();
    /// One beat: checks each followed profile and cleans those that have just closed.
    void Check();
    /// The number of profiles followed now.
    std::size_t Followed() const { return followed_.size(); }

    /// The beat timer.
    platform::Timer Beat;

private:
    struct Watched {
        Profile profile;
        bool wasInUse = false;
    };
    void Tick();
    bool InUse(const Profile& profile) const;

    Hooks hooks_;
    std::vector<Watched> followed_;
    int beatsSinceRefresh_ = 0;
};

} // namespace corvane::browsers

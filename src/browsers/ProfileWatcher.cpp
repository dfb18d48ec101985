#include "browsers/ProfileWatcher.h"

#include "browsers/Cleaner.h"
#include "browsers/Consent.h"
#include "browsers/InUse.h"

namespace corvane::browsers {

ProfileWatcher::ProfileWatcher(Hooks hooks) : hooks_(std::move(hooks)) {
    Beat.SetInterval(kInterval);
    Beat.OnTick = [this] { Tick(); };
}

void ProfileWatcher::Start() {
    Refresh();
    Beat.SetEnabled(true);
}

void ProfileWatcher::Stop() {
    Beat.SetEnabled(false);
}

bool ProfileWatcher::InUse(const Profile& profile) const {
    return hooks_.InUse ? hooks_.InUse(profile) : IsInUse(profile);
}

void ProfileWatcher::Refresh() {
    std::vector<Profile> profiles;
    if (hooks_.Profiles) {
        profiles = hooks_.Profiles();
    } else {
        for (Profile& profile : DiscoverProfiles().profiles)
            if (GetConsent(profile.id) == Consent::Enabled)
                profiles.push_back(std::move(profile));
    }
    std::vector<Watched> followed;
    for (Profile& profile : profiles) {
        bool wasInUse = false;
        for (const Watched& known : followed_)
            if (known.profile.id == profile.id)
                wasInUse = known.wasInUse;
        followed.push_back({std::move(profile), wasInUse});
    }
    followed_ = std::move(followed);
    beatsSinceRefresh_ = 0;
}

void ProfileWatcher::Tick() {
    if (++beatsSinceRefresh_ >= kRefreshBeats)
        Refresh();
    Check();
}

void ProfileWatcher::Check() {
    for (Watched& followed : followed_) {
        const bool inUse = InUse(followed.profile);
        if (inUse || !followed.wasInUse) {
            followed.wasInUse = inUse;
            continue;
        }
        // The browser has just closed this profile: once it has finished writing, clean it.
        followed.wasInUse = false;
        if (hooks_.BusyBegin)
            hooks_.BusyBegin(followed.profile);
        platform::Sleep(kSettle);
        const ProfileReport report =
            hooks_.Clean ? hooks_.Clean(followed.profile) : CleanProfile(followed.profile);
        // A browser started again within the wait keeps the profile; it is cleaned at its close.
        if (report.outcome == Outcome::InUse || report.outcome == Outcome::BrowserStarted)
            followed.wasInUse = true;
        if (hooks_.BusyEnd)
            hooks_.BusyEnd(report);
    }
}

} // namespace corvane::browsers

#include "browsers/Cleaner.h"

#include "browsers/Chromium.h"
#include "browsers/Consent.h"
#include "browsers/Firefox.h"
#include "browsers/InUse.h"

namespace corvane::browsers {

ProfileReport CleanProfile(const Profile& profile) {
    ProfileReport report;
    report.id = profile.id;
    report.name = profile.name;
    // A browser that has the profile open writes its databases back from memory: nothing of it
    // is touched, not even what looks idle.
    if (IsInUse(profile)) {
        report.outcome = Outcome::InUse;
        return report;
    }
    if (profile.family == Family::Firefox)
        CleanFirefoxProfile(profile, report);
    else
        CleanChromiumProfile(profile, report);
    if (report.outcome == Outcome::Cleaned && !report.problems.empty())
        report.outcome = Outcome::Partly;
    return report;
}

CleaningReport CleanEnabledProfiles(const std::string& onlyId, const UserFolders& folders) {
    CleaningReport cleaning;
    Discovery found = DiscoverProfiles(folders);
    cleaning.problems = std::move(found.problems);
    bool named = false;
    for (const Profile& profile : found.profiles) {
        if (!onlyId.empty() && profile.id != onlyId)
            continue;
        named = true;
        if (GetConsent(profile.id) != Consent::Enabled) {
            if (!onlyId.empty()) {
                ProfileReport report;
                report.id = profile.id;
                report.name = profile.name;
                report.outcome = Outcome::NotEnabled;
                cleaning.profiles.push_back(std::move(report));
            }
            continue;
        }
        cleaning.profiles.push_back(CleanProfile(profile));
    }
    if (!onlyId.empty() && !named)
        cleaning.problems.push_back("no browser profile " + onlyId);
    return cleaning;
}

TraceCounts CountEnabledTraces(const UserFolders& folders) {
    TraceCounts counts;
    for (const Profile& profile : DiscoverProfiles(folders).profiles) {
        if (GetConsent(profile.id) != Consent::Enabled)
            continue;
        if (profile.family == Family::Firefox)
            CountFirefoxTraces(profile, counts.cookies, counts.cacheEntries);
        else
            CountChromiumTraces(profile, counts.cookies, counts.cacheEntries);
    }
    return counts;
}

} // namespace corvane::browsers

#include "browsers/Cleaner.h"

#include "browsers/Consent.h"
#include "browsers/InUse.h"
#include "browsers/ProfileFiles.h"
#include "browsers/StoreDatabase.h"
#include "browsers/Stores.h"
#include "platform/overwrite.h"

#include <algorithm>
#include <fcntl.h>

namespace corvane::browsers {
namespace {

// The name a report gives a store: its path inside its place.
std::string StoreName(const Store& store) {
    return *store.path ? store.path : store.what;
}

void CleanStore(const Store& store, const Profile& profile, const std::filesystem::path& path,
                platform::OverwriteBatch& batch, ProfileReport& report) {
    if (store.method == Method::Database) {
        const DatabaseClean done =
            CleanDatabase(path, [&](sqlite::Database& db, long& count, std::string& error) {
                return store.sql(db, profile, count, error);
            });
        if (!done.ok) {
            report.problems.push_back(done.problem);
            return;
        }
        report.Add(store.what, done.count);
        if (!done.note.empty())
            report.notes.push_back(done.note);
        return;
    }
    NameFilter filter;
    if (store.names)
        filter = store.names;
    // A Folder store's own folder stays; a Names store removes the entries it names.
    RemoveInto(path, filter, store.what, batch, report);
}

// A folder shared by every profile of a browser is cleaned only when the user agreed for all of
// them, since it holds the addresses of each; otherwise it is said why it was left.
bool SharedFolderAgreed(const Profile& profile, const UserFolders& folders, std::string& others) {
    for (const Profile& sibling : DiscoverProfiles(folders).profiles)
        if (sibling.family == profile.family && sibling.lockFolder == profile.lockFolder &&
            sibling.id != profile.id && GetConsent(sibling.id) != Consent::Enabled)
            others += (others.empty() ? "" : ", ") + sibling.name;
    return others.empty();
}

// Where a profile's folders lie on a file system that does not overwrite in place (copy-on-write,
// a data journal, unknown), what the clean removed may still be readable on the disk: it is said
// once per file system and reason.
void NoteWhatTheDiskMayKeep(const Profile& profile, ProfileReport& report) {
    std::vector<std::filesystem::path> folders = profile.cacheFolders;
    folders.insert(folders.begin(), profile.realFolder);
    if (profile.family == Family::Chromium)
        folders.push_back(profile.lockFolder);
    for (const auto& folder : folders) {
        const platform::FileHandle handle(
            ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!handle.IsOpen())
            continue;
        const platform::OverwriteVerdict verdict = platform::VerdictFor(handle);
        if (verdict.InPlace() || verdict.reason.empty())
            continue;
        const std::string note = "the old data may survive on the disk: " + verdict.reason;
        if (std::find(report.notes.begin(), report.notes.end(), note) == report.notes.end())
            report.notes.push_back(note);
    }
}

} // namespace

ProfileReport CleanProfile(const Profile& profile, const UserFolders& folders,
                           const StartedProbe& started) {
    ProfileReport report;
    report.id = profile.id;
    report.name = profile.name;
    // A browser that has the profile open writes its databases back from memory: nothing of it
    // is touched, not even what looks idle.
    const CleaningLock lock(profile);
    if (lock.Blocked() != Holder::Nobody) {
        report.outcome = lock.Blocked() == Holder::Browser ? Outcome::InUse : Outcome::OtherCorvane;
        return report;
    }
    // The files of every store are zeroed before they go, and synced to the disk once at the end.
    platform::OverwriteBatch batch;
    const auto flush = [&] {
        std::string error;
        if (!batch.Flush(error))
            report.problems.push_back("the overwritten files may not have reached the disk (" +
                                      error + ")");
    };
    const auto stores = Stores();
    for (std::size_t i = 0; i < stores.size(); ++i) {
        const Store& store = stores[i];
        // A kind the user keeps is not even looked at.
        if (store.family != profile.family || !CleansKind(profile.id, store.kind))
            continue;
        // Chromium takes a lock a Corvane cannot keep it out of: it is looked at before every
        // store, and a browser that has started keeps what it may have written since.
        if (profile.family == Family::Chromium && (started ? started(profile) : IsInUse(profile))) {
            report.outcome = Outcome::BrowserStarted;
            for (std::size_t j = i; j < stores.size(); ++j)
                if (stores[j].family == profile.family && CleansKind(profile.id, stores[j].kind))
                    report.notReached.push_back(StoreName(stores[j]));
            flush();
            return report;
        }
        std::string others;
        if (store.place == Place::InUserData && !SharedFolderAgreed(profile, folders, others)) {
            report.notes.push_back(StoreName(store) + " left: it also holds the history of " +
                                   others + ", not enabled");
            continue;
        }
        for (const auto& path : StorePaths(store, profile))
            CleanStore(store, profile, path, batch, report);
    }
    flush();
    NoteWhatTheDiskMayKeep(profile, report);
    if (report.outcome == Outcome::Cleaned && !report.problems.empty())
        report.outcome = Outcome::Partly;
    return report;
}

namespace {

// Runs `one` on every enabled profile (or the one named, if enabled), as the clean and its
// preview both go through the profiles.
CleaningReport
ForEnabledProfiles(const std::string& onlyId, const UserFolders& folders,
                   const std::function<ProfileReport(const Profile&, const UserFolders&)>& one) {
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
        cleaning.profiles.push_back(one(profile, folders));
    }
    if (!onlyId.empty() && !named)
        cleaning.problems.push_back("no browser profile " + onlyId);
    return cleaning;
}

} // namespace

CleaningReport CleanEnabledProfiles(const std::string& onlyId, const UserFolders& folders) {
    return ForEnabledProfiles(onlyId, folders,
                              [](const Profile& profile, const UserFolders& where) {
                                  return CleanProfile(profile, where);
                              });
}

ProfileReport PreviewProfile(const Profile& profile, const UserFolders& folders) {
    ProfileReport report;
    report.id = profile.id;
    report.name = profile.name;
    report.preview = true;
    if (IsInUse(profile)) {
        report.outcome = Outcome::InUse;
        return report;
    }
    for (const Store& store : Stores()) {
        if (store.family != profile.family || !CleansKind(profile.id, store.kind))
            continue;
        std::string others;
        if (store.place == Place::InUserData && !SharedFolderAgreed(profile, folders, others)) {
            report.notes.push_back(StoreName(store) + " left: it also holds the history of " +
                                   others + ", not enabled");
            continue;
        }
        for (const auto& path : StorePaths(store, profile)) {
            if (store.method != Method::Database) {
                NameFilter filter;
                if (store.names)
                    filter = store.names;
                const Tally tally = TallyInFolder(path, filter);
                report.Add(store.what, tally.files, tally.bytes);
                continue;
            }
            const DatabaseClean would =
                PreviewDatabase(path, [&](sqlite::Database& db, long& count, std::string& error) {
                    return store.sql(db, profile, count, error);
                });
            if (would.ok)
                report.Add(store.what, would.count);
            else
                report.problems.push_back(would.problem);
        }
    }
    if (!report.problems.empty())
        report.outcome = Outcome::Partly;
    return report;
}

CleaningReport PreviewEnabledProfiles(const std::string& onlyId, const UserFolders& folders) {
    return ForEnabledProfiles(onlyId, folders,
                              [](const Profile& profile, const UserFolders& where) {
                                  return PreviewProfile(profile, where);
                              });
}

TraceCounts CountEnabledTraces(const UserFolders& folders) {
    TraceCounts counts;
    for (const Profile& profile : DiscoverProfiles(folders).profiles) {
        if (GetConsent(profile.id) != Consent::Enabled)
            continue;
        for (const Store& store : Stores()) {
            if (store.family != profile.family || store.counted == Counted::Nothing)
                continue;
            for (const auto& path : StorePaths(store, profile)) {
                if (store.counted == Counted::CacheFiles) {
                    NameFilter entry;
                    if (store.isEntry)
                        entry = store.isEntry;
                    counts.cacheEntries +=
                        CountFiles(*store.countIn ? path / store.countIn : path, entry);
                    continue;
                }
                long rows = 0;
                const CountState state = CountRows(path, store.countIn, rows);
                if (state == CountState::Counted)
                    counts.cookies += rows;
                else
                    counts.notCounted.push_back(
                        profile.name + ": " + path.filename().string() + " not counted: " +
                        (state == CountState::InUse ? "in use" : "cannot be read"));
            }
        }
    }
    return counts;
}

} // namespace corvane::browsers

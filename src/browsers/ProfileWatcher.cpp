#include "browsers/ProfileWatcher.h"

#include "browsers/Cleaner.h"
#include "browsers/Consent.h"
#include "platform/files.h"

#include <QSocketNotifier>

#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace corvane::browsers {

// The file system's word that a lock may have been let go: Firefox's `.parentlock` closed by a
// process that had it open for writing (the browser, at its end), Chromium's `SingletonLock`
// made or removed in the user-data folder. Our own look at `.parentlock` opens it read-only,
// so it wakes nobody.
struct ProfileWatcher::Notices {
    platform::FileHandle fd{::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)};
    std::unique_ptr<QSocketNotifier> notifier;
    std::vector<int> watches;

    void WatchAll(const std::vector<Watched>& followed) {
        for (const int wd : watches)
            ::inotify_rm_watch(fd.Descriptor(), wd);
        watches.clear();
        for (const Watched& one : followed) {
            const Profile& profile = one.profile;
            int wd = -1;
            if (profile.family == Family::Firefox) {
                wd = ::inotify_add_watch(fd.Descriptor(),
                                         (profile.lockFolder / ".parentlock").c_str(),
                                         IN_CLOSE_WRITE | IN_DONT_FOLLOW);
                // A profile no browser has opened yet has no lock file: its making is the news.
                if (wd < 0)
                    wd = ::inotify_add_watch(fd.Descriptor(), profile.lockFolder.c_str(),
                                             IN_CREATE | IN_ONLYDIR);
            } else {
                wd = ::inotify_add_watch(fd.Descriptor(), profile.lockFolder.c_str(),
                                         IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                             IN_ONLYDIR);
            }
            if (wd >= 0)
                watches.push_back(wd);
        }
    }

    // Reads every notice waiting; true when one is about a lock.
    bool Drain() {
        alignas(inotify_event) char buffer[4096];
        bool aboutLock = false;
        for (;;) {
            const ssize_t n = ::read(fd.Descriptor(), buffer, sizeof buffer);
            if (n <= 0)
                return aboutLock;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                // A watch on the lock file itself has no name; a folder's notices name the entry.
                aboutLock = aboutLock || event->len == 0 ||
                            std::strcmp(event->name, ".parentlock") == 0 ||
                            std::strcmp(event->name, "SingletonLock") == 0;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }
};

ProfileWatcher::ProfileWatcher(Hooks hooks) : hooks_(std::move(hooks)) {
    Beat.SetInterval(kInterval);
    Beat.OnTick = [this] { Tick(); };
    Step.SetInterval(kStep);
    Step.OnTick = [this] { Check(); };
}

ProfileWatcher::~ProfileWatcher() = default;

void ProfileWatcher::Start() {
    notices_ = std::make_unique<Notices>();
    if (notices_->fd.IsOpen()) {
        notices_->notifier =
            std::make_unique<QSocketNotifier>(notices_->fd.Descriptor(), QSocketNotifier::Read);
        QObject::connect(notices_->notifier.get(), &QSocketNotifier::activated, [this] {
            if (notices_->Drain())
                Check();
        });
    } else {
        notices_.reset(); // the beat alone then
    }
    Refresh();
    Beat.SetEnabled(true);
}

void ProfileWatcher::Stop() {
    Beat.SetEnabled(false);
    Step.SetEnabled(false);
    notices_.reset();
}

bool ProfileWatcher::InUse(Watched& watched) const {
    if (hooks_.InUse)
        return hooks_.InUse(watched.profile);
    pid_t pid = 0;
    const bool inUse = IsInUse(watched.profile, &pid);
    // A new process is noted once: its start time tells it from a later one under its pid.
    if (inUse && pid != watched.holder.pid)
        watched.holder = ProcessSeen::Of(pid);
    return inUse;
}

bool ProfileWatcher::Ended(const Watched& watched) const {
    return hooks_.Ended ? hooks_.Ended(watched.profile) : watched.holder.Ended();
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
        Watched watched;
        for (const Watched& known : followed_)
            if (known.profile.id == profile.id)
                watched = known;
        watched.profile = std::move(profile);
        followed.push_back(std::move(watched));
    }
    followed_ = std::move(followed);
    beatsSinceRefresh_ = 0;
    if (notices_)
        notices_->WatchAll(followed_);
}

void ProfileWatcher::Tick() {
    if (++beatsSinceRefresh_ >= kRefreshBeats)
        Refresh();
    Check();
}

void ProfileWatcher::Check() {
    bool waiting = false;
    const auto now = std::chrono::steady_clock::now();
    for (Watched& followed : followed_) {
        if (InUse(followed)) {
            followed.state = State::Open;
            continue;
        }
        if (followed.state == State::Closed)
            continue;
        if (followed.state == State::Open) {
            // The browser has let go of the profile; its last writes end with its process.
            followed.state = State::Closing;
            const int wait = followed.holder.pid > 0 || hooks_.Ended ? kExitWait : kSettle;
            followed.deadline = now + std::chrono::milliseconds(platform::ScaledMilliseconds(wait));
        }
        if (!Ended(followed) && now < followed.deadline) {
            waiting = true;
            continue;
        }
        Clean(followed);
    }
    Step.SetEnabled(waiting);
}

void ProfileWatcher::Clean(Watched& followed) {
    followed.state = State::Closed;
    followed.holder = {};
    if (hooks_.BusyBegin)
        hooks_.BusyBegin(followed.profile);
    const ProfileReport report =
        hooks_.Clean ? hooks_.Clean(followed.profile) : CleanProfile(followed.profile);
    // A browser started again meanwhile keeps the profile; it is cleaned at its close.
    if (report.outcome == Outcome::InUse || report.outcome == Outcome::BrowserStarted)
        followed.state = State::Open;
    if (hooks_.BusyEnd)
        hooks_.BusyEnd(report);
}

} // namespace corvane::browsers

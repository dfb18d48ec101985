#include "browsers/Profile.h"

#include "browsers/Containment.h"
#include "browsers/Discovery.h"
#include "platform/files.h"

#include <QString>

#include <algorithm>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane::browsers {
namespace {

std::filesystem::path EnvFolder(const char* name, const std::filesystem::path& fallback) {
    const char* value = std::getenv(name);
    // The XDG rules ignore a relative value.
    if (value && *value == '/')
        return value;
    return fallback;
}

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
}

// The folder a browser's path in the table below is taken from.
enum class Base { Home, Config, Cache };

// Where one browser keeps its profiles and their caches. A sandboxed install (snap, flatpak)
// keeps its own home-like folders below one of its own in the user's home.
struct BrowserRoot {
    Family family;
    const char* name;
    Base configBase;
    const char* configPath; ///< the profiles folder (Firefox) or user-data folder (Chromium)
    Base cacheBase;
    const char* cachePath; ///< the cache root matching it
};

constexpr BrowserRoot kBrowserRoots[] = {
    // The classic layout first: the browser uses it whenever it exists, and a new install
    // takes the XDG one only when it does not.
    {Family::Firefox, "Firefox", Base::Home, ".mozilla/firefox", Base::Cache, "mozilla/firefox"},
    {Family::Firefox, "Firefox", Base::Config, "mozilla/firefox", Base::Cache, "mozilla/firefox"},
    {Family::Firefox, "Firefox (snap)", Base::Home, "snap/firefox/common/.mozilla/firefox",
     Base::Home, "snap/firefox/common/.cache/mozilla/firefox"},
    {Family::Firefox, "Firefox (flatpak)", Base::Home,
     ".var/app/org.mozilla.firefox/.mozilla/firefox", Base::Home,
     ".var/app/org.mozilla.firefox/cache/mozilla/firefox"},
    {Family::Firefox, "LibreWolf", Base::Home, ".librewolf", Base::Cache, "librewolf"},
    {Family::Firefox, "LibreWolf (flatpak)", Base::Home,
     ".var/app/io.gitlab.librewolf-community/.librewolf", Base::Home,
     ".var/app/io.gitlab.librewolf-community/cache/librewolf"},
    {Family::Firefox, "Waterfox", Base::Home, ".waterfox", Base::Cache, "waterfox"},

    {Family::Chromium, "Chromium", Base::Config, "chromium", Base::Cache, "chromium"},
    {Family::Chromium, "Google Chrome", Base::Config, "google-chrome", Base::Cache,
     "google-chrome"},
    {Family::Chromium, "Google Chrome Beta", Base::Config, "google-chrome-beta", Base::Cache,
     "google-chrome-beta"},
    {Family::Chromium, "Google Chrome Dev", Base::Config, "google-chrome-unstable", Base::Cache,
     "google-chrome-unstable"},
    {Family::Chromium, "Brave", Base::Config, "BraveSoftware/Brave-Browser", Base::Cache,
     "BraveSoftware/Brave-Browser"},
    {Family::Chromium, "Microsoft Edge", Base::Config, "microsoft-edge", Base::Cache,
     "microsoft-edge"},
    {Family::Chromium, "Microsoft Edge Beta", Base::Config, "microsoft-edge-beta", Base::Cache,
     "microsoft-edge-beta"},
    {Family::Chromium, "Microsoft Edge Dev", Base::Config, "microsoft-edge-dev", Base::Cache,
     "microsoft-edge-dev"},
    {Family::Chromium, "Vivaldi", Base::Config, "vivaldi", Base::Cache, "vivaldi"},
    {Family::Chromium, "Opera", Base::Config, "opera", Base::Cache, "opera"},
    {Family::Chromium, "Chromium (snap)", Base::Home, "snap/chromium/common/chromium", Base::Home,
     "snap/chromium/common/.cache/chromium"},
    {Family::Chromium, "Chromium (flatpak)", Base::Home,
     ".var/app/org.chromium.Chromium/config/chromium", Base::Home,
     ".var/app/org.chromium.Chromium/cache/chromium"},
    {Family::Chromium, "Ungoogled Chromium (flatpak)", Base::Home,
     ".var/app/io.github.ungoogled_software.ungoogled_chromium/config/chromium", Base::Home,
     ".var/app/io.github.ungoogled_software.ungoogled_chromium/cache/chromium"},
    {Family::Chromium, "Google Chrome (flatpak)", Base::Home,
     ".var/app/com.google.Chrome/config/google-chrome", Base::Home,
     ".var/app/com.google.Chrome/cache/google-chrome"},
    {Family::Chromium, "Brave (snap)", Base::Home,
     "snap/brave/current/.config/BraveSoftware/Brave-Browser", Base::Home,
     "snap/brave/current/.cache/BraveSoftware/Brave-Browser"},
    {Family::Chromium, "Brave (flatpak)", Base::Home,
     ".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser", Base::Home,
     ".var/app/com.brave.Browser/cache/BraveSoftware/Brave-Browser"},
    {Family::Chromium, "Microsoft Edge (flatpak)", Base::Home,
     ".var/app/com.microsoft.Edge/config/microsoft-edge", Base::Home,
     ".var/app/com.microsoft.Edge/cache/microsoft-edge"},
    {Family::Chromium, "Vivaldi (snap)", Base::Home, "snap/vivaldi/current/.config/vivaldi",
     Base::Home, "snap/vivaldi/current/.cache/vivaldi"},
    {Family::Chromium, "Vivaldi (flatpak)", Base::Home,
     ".var/app/com.vivaldi.Vivaldi/config/vivaldi", Base::Home,
     ".var/app/com.vivaldi.Vivaldi/cache/vivaldi"},
};

const std::filesystem::path& BaseFolder(Base base, const UserFolders& folders) {
    switch (base) {
    case Base::Config:
        return folders.configHome;
    case Base::Cache:
        return folders.cacheHome;
    case Base::Home:
        break;
    }
    return folders.home;
}

// Two listings may reach one folder (a root linked to another, two keys naming one folder): a
// folder is one profile, kept under the first id it was found by.
void DropRepeats(Discovery& found) {
    std::set<std::filesystem::path> seen;
    std::vector<Profile> unique;
    for (Profile& profile : found.profiles) {
        if (seen.insert(profile.realFolder).second)
            unique.push_back(std::move(profile));
        else
            found.problems.push_back(profile.folder.string() + ": the same folder as a profile " +
                                     "listed before, listed once");
    }
    found.profiles = std::move(unique);
}

} // namespace

const char* FamilyWord(Family family) {
    return family == Family::Firefox ? "firefox" : "chromium";
}

UserFolders UserFolders::FromEnvironment() {
    UserFolders folders;
    const char* home = std::getenv("HOME");
    if (home && *home == '/') {
        folders.home = home;
    } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
        folders.home = pw->pw_dir;
    }
    folders.configHome = EnvFolder("XDG_CONFIG_HOME", folders.home / ".config");
    folders.cacheHome = EnvFolder("XDG_CACHE_HOME", folders.home / ".cache");
    folders.runtimeHome = EnvFolder("XDG_RUNTIME_DIR", {});
    folders.tempFolder = "/tmp";
    folders.owner = ::geteuid();
    return folders;
}

bool ReadListing(const std::filesystem::path& file, std::size_t limit, std::string& bytes,
                 std::string& error) {
    // Non-blocking, so that a pipe put in a listing's place cannot hold discovery up.
    const platform::FileHandle handle(
        ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat facts {};
    if (!handle.IsOpen() || ::fstat(handle.Descriptor(), &facts) != 0) {
        error = "cannot be read";
        return false;
    }
    if (!S_ISREG(facts.st_mode)) {
        error = "not a regular file";
        return false;
    }
    if (static_cast<std::size_t>(facts.st_size) > limit) {
        error = "larger than " + std::to_string(limit >> 10) + " KiB";
        return false;
    }
    bytes.assign(static_cast<std::size_t>(facts.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(handle.Descriptor(), bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // the file shrank meanwhile: what was read is what there is
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return true;
}

bool HasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), IsControl);
}

std::string Printable(const std::string& text) {
    std::string shown =
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdString();
    std::replace_if(shown.begin(), shown.end(), IsControl, '?');
    return shown;
}

Discovery DiscoverProfiles(const UserFolders& folders) {
    Discovery found;
    if (folders.home.empty()) {
        found.problems.push_back("no home folder: no browser profiles looked for");
        return found;
    }
    const Containment containment(folders);
    for (const BrowserRoot& root : kBrowserRoots) {
        const std::filesystem::path config = BaseFolder(root.configBase, folders) / root.configPath;
        const std::filesystem::path cache = BaseFolder(root.cacheBase, folders) / root.cachePath;
        if (root.family == Family::Firefox)
            DiscoverFirefoxRoot(config, cache, root.name, containment, found);
        else
            DiscoverChromiumUserData(config, cache, root.name, containment, found);
    }
    DropRepeats(found);
    for (std::string& problem : found.problems)
        problem = Printable(problem);
    return found;
}

bool FindProfile(const std::string& id, Profile& profile, const UserFolders& folders) {
    for (Profile& candidate : DiscoverProfiles(folders).profiles) {
        if (candidate.id == id) {
            profile = std::move(candidate);
            return true;
        }
    }
    return false;
}

} // namespace corvane::browsers

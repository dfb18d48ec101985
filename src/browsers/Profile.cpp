#include "browsers/Profile.h"

#include "browsers/Discovery.h"

#include <cstdlib>
#include <pwd.h>
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

// A Chromium-family browser: its name and where its user-data folder lives.
struct ChromiumBrowser {
    const char* name;
    const char* configPath; ///< below the XDG config folder
};

constexpr ChromiumBrowser kChromiumBrowsers[] = {
    {"Chromium", "chromium"},
    {"Google Chrome", "google-chrome"},
    {"Brave", "BraveSoftware/Brave-Browser"},
    {"Microsoft Edge", "microsoft-edge"},
    {"Vivaldi", "vivaldi"},
};

// A sandboxed install keeps its own home-like folders: config and cache below a folder of its
// own in the user's home.
struct Sandbox {
    const char* browser;    ///< the Chromium-family config path it holds, or "firefox"
    const char* label;      ///< appended to the browser's name
    const char* configBase; ///< below home
    const char* cacheBase;  ///< below home
};

constexpr Sandbox kSandboxes[] = {
    {"firefox", " (snap)", "snap/firefox/common/.mozilla/firefox",
     "snap/firefox/common/.cache/mozilla/firefox"},
    {"firefox", " (flatpak)", ".var/app/org.mozilla.firefox/.mozilla/firefox",
     ".var/app/org.mozilla.firefox/cache/mozilla/firefox"},
    {"chromium", " (snap)", "snap/chromium/common/chromium",
     "snap/chromium/common/.cache/chromium"},
    {"chromium", " (flatpak)", ".var/app/org.chromium.Chromium/config/chromium",
     ".var/app/org.chromium.Chromium/cache/chromium"},
    {"google-chrome", " (flatpak)", ".var/app/com.google.Chrome/config/google-chrome",
     ".var/app/com.google.Chrome/cache/google-chrome"},
    {"BraveSoftware/Brave-Browser", " (snap)",
     "snap/brave/current/.config/BraveSoftware/Brave-Browser",
     "snap/brave/current/.cache/BraveSoftware/Brave-Browser"},
    {"BraveSoftware/Brave-Browser", " (flatpak)",
     ".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser",
     ".var/app/com.brave.Browser/cache/BraveSoftware/Brave-Browser"},
    {"microsoft-edge", " (flatpak)", ".var/app/com.microsoft.Edge/config/microsoft-edge",
     ".var/app/com.microsoft.Edge/cache/microsoft-edge"},
    {"vivaldi", " (flatpak)", ".var/app/com.vivaldi.Vivaldi/config/vivaldi",
     ".var/app/com.vivaldi.Vivaldi/cache/vivaldi"},
};

const char* ChromiumName(const std::string& configPath) {
    for (const ChromiumBrowser& browser : kChromiumBrowsers)
        if (configPath == browser.configPath)
            return browser.name;
    return "Chromium";
}

bool Inside(const std::filesystem::path& path, const std::filesystem::path& folder) {
    auto p = path.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
        if (f->empty())
            continue; // a trailing separator
        if (p == path.end() || *p != *f)
            return false;
    }
    return true;
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
    return folders;
}

bool AcceptProfileFolder(const std::filesystem::path& folder, const UserFolders& folders,
                         std::string& problem) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        problem = folder.string() + ": profile folder missing, skipped";
        return false;
    }
    const std::filesystem::path real = std::filesystem::canonical(folder, ec);
    if (ec) {
        problem = folder.string() + ": cannot be resolved (" + ec.message() + "), skipped";
        return false;
    }
    if (real == folder.lexically_normal())
        return true;
    // Reaching the folder went through a link: follow it only while it stays in the home.
    const std::filesystem::path home = std::filesystem::canonical(folders.home, ec);
    if (!ec && !home.empty() && Inside(real, home))
        return true;
    problem =
        folder.string() + ": a link to " + real.string() + " outside the home folder, not followed";
    return false;
}

Discovery DiscoverProfiles(const UserFolders& folders) {
    Discovery found;
    if (folders.home.empty()) {
        found.problems.push_back("no home folder: no browser profiles looked for");
        return found;
    }
    const std::filesystem::path firefoxCache = folders.cacheHome / "mozilla/firefox";
    DiscoverFirefoxRoot(folders.configHome / "mozilla/firefox", firefoxCache, "Firefox", folders,
                        found);
    DiscoverFirefoxRoot(folders.home / ".mozilla/firefox", firefoxCache, "Firefox", folders, found);
    for (const ChromiumBrowser& browser : kChromiumBrowsers)
        DiscoverChromiumUserData(folders.configHome / browser.configPath,
                                 folders.cacheHome / browser.configPath, browser.name, folders,
                                 found);
    for (const Sandbox& sandbox : kSandboxes) {
        const std::string browser = sandbox.browser;
        if (browser == "firefox")
            DiscoverFirefoxRoot(folders.home / sandbox.configBase, folders.home / sandbox.cacheBase,
                                std::string("Firefox") + sandbox.label, folders, found);
        else
            DiscoverChromiumUserData(
                folders.home / sandbox.configBase, folders.home / sandbox.cacheBase,
                ChromiumName(browser) + std::string(sandbox.label), folders, found);
    }
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

#pragma once
// The user's real browser profiles: the model and their discovery. Firefox-family profiles come
// from profiles.ini, Chromium-family ones from the "Local State" of each browser's user-data
// folder. Discovery runs at each use and caches nothing, so a profile made or removed since is
// seen at once.

#include <filesystem>
#include <string>
#include <vector>

namespace corvane::browsers {

/// The two families of profile layout the cleaners know.
enum class Family { Firefox, Chromium };

/// The word that starts a profile id of the family ("firefox", "chromium").
const char* FamilyWord(Family family);

/// One real browser profile.
struct Profile {
    Family family = Family::Firefox;
    /// `family:absolute-profile-folder`, stable across runs; the consent is kept under it.
    std::string id;
    /// The browser and the profile name, e.g. "Firefox ESR - default-esr", "Chromium - Default".
    std::string name;
    /// The profile folder (absolute, as found; not resolved through links).
    std::filesystem::path folder;
    /// The folders that may hold the profile's caches: its folder in the browser's cache root,
    /// and the profile folder itself, where a browser keeps them for profiles outside that root.
    std::vector<std::filesystem::path> cacheFolders;
    /// Chromium: the user-data folder that holds `SingletonLock` and `Local State`; Firefox:
    /// the profile folder.
    std::filesystem::path lockFolder;
};

/// What a discovery found, and one line for each place it could not read.
struct Discovery {
    std::vector<Profile> profiles;
    /// Clear lines about malformed or missing files and refused folders; discovery went on.
    std::vector<std::string> problems;
};

/// The user's home and XDG folders discovery looks in (taken from the environment).
struct UserFolders {
    std::filesystem::path home;
    std::filesystem::path configHome;
    std::filesystem::path cacheHome;

    /// `$HOME`, `$XDG_CONFIG_HOME` (else ~/.config), `$XDG_CACHE_HOME` (else ~/.cache).
    static UserFolders FromEnvironment();
};

/// Whether discovery may use a profile folder: it must be a folder, and when reaching it goes
/// through a symbolic link, where the link leads must stay inside the user's home. Otherwise
/// false with a line saying why.
bool AcceptProfileFolder(const std::filesystem::path& folder, const UserFolders& folders,
                         std::string& problem);

/// Finds every Firefox-family and Chromium-family profile of the user.
Discovery DiscoverProfiles(const UserFolders& folders = UserFolders::FromEnvironment());

/// Finds the profile with this id; false when no profile of that id exists now.
bool FindProfile(const std::string& id, Profile& profile,
                 const UserFolders& folders = UserFolders::FromEnvironment());

} // namespace corvane::browsers

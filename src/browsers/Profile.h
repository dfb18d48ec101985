#pragma once
// The user's real browser profiles: the model and their discovery. Firefox-family profiles come
// from profiles.ini, Chromium-family ones from the "Local State" of each browser's user-data
// folder. Discovery runs at each use and caches nothing, so a profile made or removed since is
// seen at once.

#include <filesystem>
#include <string>
#include <vector>

#include <sys/types.h>

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
    /// The profile folder as listed (absolute and in normal form, links not resolved).
    std::filesystem::path folder;
    /// The profile folder with every link resolved: the cleaners write below it, never below
    /// `folder`.
    std::filesystem::path realFolder;
    /// The resolved folders that may hold the profile's cache, without the cache's own folder
    /// names: the profile's folder in the browser's cache root (when it stays inside that root),
    /// then `realFolder`, where a browser keeps the cache of a profile outside its usual root.
    std::vector<std::filesystem::path> cacheFolders;
    /// Resolved too. Chromium: the user-data folder that holds `SingletonLock`, `Local State`
    /// and the stores its profiles share; Firefox: `realFolder`.
    std::filesystem::path lockFolder;
};

/// What a discovery found, and one line for each place it could not read.
struct Discovery {
    std::vector<Profile> profiles;
    /// Clear lines about malformed or missing files and refused folders; discovery went on.
    std::vector<std::string> problems;
};

/// The user's folders discovery looks in and the user whose folders it may hand out.
struct UserFolders {
    std::filesystem::path home;
    std::filesystem::path configHome;
    std::filesystem::path cacheHome;
    /// `$XDG_RUNTIME_DIR`, or empty: a link may lead a profile here.
    std::filesystem::path runtimeHome;
    /// The shared temporary folder: a link may lead a profile here too.
    std::filesystem::path tempFolder;
    /// The owner a profile, cache or user-data folder must have.
    uid_t owner = 0;

    /// `$HOME`, `$XDG_CONFIG_HOME` (else ~/.config), `$XDG_CACHE_HOME` (else ~/.cache),
    /// `$XDG_RUNTIME_DIR`, /tmp and the effective user.
    static UserFolders FromEnvironment();
};

/// Finds every Firefox-family and Chromium-family profile of the user.
Discovery DiscoverProfiles(const UserFolders& folders = UserFolders::FromEnvironment());

/// Finds the profile with this id; false when no profile of that id exists now.
bool FindProfile(const std::string& id, Profile& profile,
                 const UserFolders& folders = UserFolders::FromEnvironment());

} // namespace corvane::browsers

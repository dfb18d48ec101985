#include "browsers/Stores.h"

#include "browsers/Chromium.h"
#include "browsers/Firefox.h"
#include "browsers/StoreDatabase.h"

namespace corvane::browsers {
namespace {

// A database that holds nothing but what visited sites left: every row of every table goes,
// except the schema version the browser reads first.
bool EraseAllRows(sqlite::Database& db, const Profile&, long& count, std::string& error) {
    return EmptyAllTables(db, {"meta"}, nullptr, count, error);
}

constexpr Family F = Family::Firefox;
constexpr Family C = Family::Chromium;
using enum Kind;
constexpr Place InProfile = Place::InProfile;
constexpr Place InCache = Place::InCache;
constexpr Place InUserData = Place::InUserData;
using enum Method;

namespace ff = firefox;
namespace cr = chromium;

const Store kStores[] = {
    // Firefox: history, then the stores that refer to it.
    {F, History, InProfile, "places.sqlite", Database, "history", ff::ErasePlaces, nullptr,
     "bookmarks and keywords, with their pages"},
    {F, History, InProfile, "favicons.sqlite", Database, "history", ff::EraseFavicons, nullptr,
     "the icons of bookmarked pages"},
    {F, History, InCache, "thumbnails", Folder, "history files"},
    {F, Cookies, InProfile, "cookies.sqlite", Database, "cookies", ff::EraseCookies, nullptr, "",
     Counted::CookieRows, "moz_cookies"},
    {F, Cookies, InProfile, "storage/default", Folder, "site data", nullptr, ff::IsSiteOrigin,
     "the storage of extensions"},
    {F, Cookies, InProfile, "storage/temporary", Folder, "site data", nullptr, ff::IsSiteOrigin},
    {F, Cookies, InProfile, "storage/permanent", Folder, "site data", nullptr, ff::IsSiteOrigin},
    {F, Cookies, InProfile, "storage/private", Folder, "site data"},
    {F, Cookies, InProfile, "storage.sqlite", Database, "site data", ff::EraseStorageOrigins},
    {F, Cookies, InProfile, "storage/ls-archive.sqlite", Database, "site data", EraseAllRows},
    {F, Cookies, InProfile, "webappsstore.sqlite", Database, "site data", EraseAllRows},
    {F, Cookies, InProfile, "bounce-tracking-protection.sqlite", Database, "site data",
     EraseAllRows},
    {F, Cookies, InProfile, "", Names, "site data", nullptr, ff::IsHostFile},
    {F, Cache, InCache, "cache2", Folder, "cache files", nullptr, nullptr, "", Counted::CacheFiles,
     "entries"},
    {F, Session, InProfile, "", Names, "session files", nullptr, ff::IsSessionFile},
    {F, Forms, InProfile, "formhistory.sqlite", Database, "form history", ff::EraseFormHistory},

    // Chromium family.
    {C, History, InProfile, "History", Database, "history", cr::EraseHistory, nullptr,
     "bookmarks (a file of their own)"},
    {C, History, InProfile, "Favicons", Database, "history", cr::EraseFavicons, nullptr,
     "the icons of bookmarked pages"},
    {C, History, InProfile, "Top Sites", Database, "history", EraseAllRows},
    {C, History, InProfile, "Shortcuts", Database, "history", EraseAllRows},
    {C, History, InProfile, "Network Action Predictor", Database, "history", EraseAllRows},
    {C, History, InProfile, "DIPS", Database, "history", EraseAllRows},
    {C, History, InProfile, "Media History", Database, "history", EraseAllRows},
    {C, History, InProfile, "shared_proto_db", Folder, "history files"},
    {C, History, InProfile, "", Names, "history files", nullptr, cr::IsHistoryFile},
    {C, History, InUserData, "segmentation_platform/ukm_db", Database, "history", EraseAllRows},
    {C, Cookies, InProfile, "Network/Cookies", Database, "cookies", cr::EraseCookies, nullptr, "",
     Counted::CookieRows, "cookies"},
    {C, Cookies, InProfile, "Cookies", Database, "cookies", cr::EraseCookies, nullptr, "",
     Counted::CookieRows, "cookies"},
    {C, Cookies, InProfile, "Local Storage", Folder, "site data"},
    {C, Cookies, InProfile, "Session Storage", Folder, "site data"},
    {C, Cookies, InProfile, "IndexedDB", Folder, "site data", nullptr, cr::IsSiteOrigin,
     "the storage of extensions"},
    {C, Cookies, InProfile, "Service Worker", Folder, "site data"},
    {C, Cookies, InProfile, "File System", Folder, "site data"},
    {C, Cookies, InProfile, "databases", Folder, "site data"},
    {C, Cookies, InProfile, "WebStorage", Folder, "site data"},
    {C, Cookies, InProfile, "blob_storage", Folder, "site data"},
    {C, Cookies, InProfile, "Shared Dictionary", Folder, "site data"},
    {C, Cookies, InProfile, "Network/Reporting and NEL", Database, "site data", EraseAllRows},
    {C, Cookies, InProfile, "Network/Trust Tokens", Database, "site data", EraseAllRows},
    {C, Cookies, InProfile, "Network", Names, "site data", nullptr,
     [](const std::string& name) {
         return name == "TransportSecurity" || name == "Network Persistent State";
     }},
    {C, Cache, InCache, "Cache/Cache_Data", Folder, "cache files", nullptr, nullptr, "",
     Counted::CacheFiles, "", cr::IsCacheEntry},
    {C, Cache, InCache, "Code Cache", Folder, "cache files"},
    {C, Cache, InCache, "GPUCache", Folder, "cache files"},
    {C, Cache, InCache, "DawnWebGPUCache", Folder, "cache files"},
    {C, Cache, InCache, "DawnGraphiteCache", Folder, "cache files"},
    {C, Session, InProfile, "", Names, "session files", nullptr, cr::IsSessionFile},
    {C, Forms, InProfile, "Web Data", Database, "form history", cr::EraseAutofill, nullptr,
     "saved addresses, cards and search engines"},
};

} // namespace

std::span<const Store> Stores() {
    return kStores;
}

std::vector<std::filesystem::path> StorePaths(const Store& store, const Profile& profile) {
    std::vector<std::filesystem::path> paths;
    auto add = [&](const std::filesystem::path& base) {
        paths.push_back(*store.path ? base / store.path : base);
    };
    switch (store.place) {
    case Place::InProfile:
        add(profile.realFolder);
        break;
    case Place::InCache:
        for (const auto& folder : profile.cacheFolders)
            add(folder);
        break;
    case Place::InUserData:
        if (profile.family == Family::Chromium)
            add(profile.lockFolder);
        break;
    }
    return paths;
}

const char* KindWord(Kind kind) {
    switch (kind) {
    case Kind::History:
        return "history";
    case Kind::Cookies:
        return "cookies and site data";
    case Kind::Cache:
        return "cache";
    case Kind::Session:
        return "session";
    case Kind::Forms:
        return "form history";
    }
    return "";
}

} // namespace corvane::browsers

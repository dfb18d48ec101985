#pragma once
// Every store of a browser profile that tells where its user went, as the rows of one table. The
// clean, the scan's counts and the proof of a clean all read the same rows, so a store learned
// later is one new row; only what is special to one store, its SQL, is code.

#include "browsers/Profile.h"
#include "platform/sqlitedb.h"

#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace corvane::browsers {

/// What a store holds, as the user may choose it per profile.
enum class Kind { History, Cookies, Cache, Session, Forms };

/// Where a store lies.
enum class Place {
    InProfile,  ///< the profile folder
    InCache,    ///< each of the profile's cache folders
    InUserData, ///< the folder a Chromium-family browser shares between its profiles
};

/// How a store is erased.
enum class Method {
    Database, ///< rows deleted by the store's SQL inside one transaction
    Folder,   ///< everything inside the folder goes (the folder stays), except what `names` refuses
    Names,    ///< the entries of the folder whose names `names` accepts go (files or folders)
};

/// What of a store the scan counts.
enum class Counted { Nothing, CookieRows, CacheFiles };

/// The SQL of a database store: erases its rows, adding what the report counts to `count`.
using StoreSql = bool (*)(sqlite::Database& db, const Profile& profile, long& count,
                          std::string& error);

/// One store.
struct Store {
    Family family;
    Kind kind;
    Place place;
    /// The database file, or the folder, relative to the place ("" is the place itself).
    const char* path;
    Method method;
    /// The report's word for what was erased ("history", "cookies", "site data", ...).
    const char* what;
    /// Database: the rows' SQL.
    StoreSql sql = nullptr;
    /// Folder: which entries may go (nullptr: all); Names: which entries go.
    bool (*names)(const std::string& name) = nullptr;
    /// What the store keeps of the user's own things ("" when nothing).
    const char* keeps = "";
    /// What the scan counts in it.
    Counted counted = Counted::Nothing;
    /// CookieRows: the table; CacheFiles: the subfolder whose files are entries ("" itself).
    const char* countIn = "";
    /// CacheFiles: which file names are entries (nullptr: all).
    bool (*isEntry)(const std::string& name) = nullptr;
};

/// Every store of both families, in the order they are erased.
std::span<const Store> Stores();

/// Where a store lies for this profile: one path per folder of its place (a cache store has one
/// per cache folder).
std::vector<std::filesystem::path> StorePaths(const Store& store, const Profile& profile);

/// The report word of a store kind ("history", "cookies and site data", "cache", "session",
/// "form history").
const char* KindWord(Kind kind);

} // namespace corvane::browsers

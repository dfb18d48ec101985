#pragma once
// The Firefox family's stores: the SQL of its databases and the names of its files.

#include "browsers/Profile.h"
#include "platform/sqlitedb.h"

#include <string>

namespace corvane::browsers::firefox {

/// places.sqlite: visits, input history, metadata and annotations; places no bookmark or keyword
/// references, and origins no place uses. Counts the visits.
bool ErasePlaces(sqlite::Database& db, const Profile& profile, long& count, std::string& error);
/// favicons.sqlite: the pages no longer in places.sqlite, and the icons no page uses (the icons
/// of bookmarked pages and of their sites stay).
bool EraseFavicons(sqlite::Database& db, const Profile& profile, long& count, std::string& error);
/// cookies.sqlite: every cookie.
bool EraseCookies(sqlite::Database& db, const Profile& profile, long& count, std::string& error);
/// formhistory.sqlite: every form and search entry.
bool EraseFormHistory(sqlite::Database& db, const Profile& profile, long& count,
                      std::string& error);
/// storage.sqlite: the origins of the site storage (extensions' own stay).
bool EraseStorageOrigins(sqlite::Database& db, const Profile& profile, long& count,
                         std::string& error);

/// Site storage folders of web sites (an extension's own storage is the user's and stays).
bool IsSiteOrigin(const std::string& name);
/// The saved session and its backups.
bool IsSessionFile(const std::string& name);
/// Files of the profile folder that name the hosts the user reached.
bool IsHostFile(const std::string& name);

} // namespace corvane::browsers::firefox

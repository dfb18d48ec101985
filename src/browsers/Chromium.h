#pragma once
// The Chromium family's stores (Chromium, Google Chrome, Brave, Edge, Vivaldi, Opera): the SQL of
// its databases and the names of its files.

#include "browsers/Profile.h"
#include "platform/sqlitedb.h"

#include <string>

namespace corvane::browsers::chromium {

/// History: every table (addresses, visits, search terms, downloads, visited links) except the
/// schema version. Counts the visits.
bool EraseHistory(sqlite::Database& db, const Profile& profile, long& count, std::string& error);
/// Favicons: the mappings, icons and bitmaps of pages that are not bookmarked.
bool EraseFavicons(sqlite::Database& db, const Profile& profile, long& count, std::string& error);
/// Cookies: every cookie.
bool EraseCookies(sqlite::Database& db, const Profile& profile, long& count, std::string& error);
/// Web Data: the autofill entries (saved addresses, cards and search engines stay).
bool EraseAutofill(sqlite::Database& db, const Profile& profile, long& count, std::string& error);

/// The bookmarked addresses of a profile, from its Bookmarks file; false when it cannot be read.
bool BookmarkedAddresses(const Profile& profile, std::vector<std::string>& urls,
                         std::string& error);

/// Site storage entries of web sites (an extension's own storage is the user's and stays).
bool IsSiteOrigin(const std::string& name);
/// The saved session, tabs and their encrypted copies.
bool IsSessionFile(const std::string& name);
/// Files of the profile folder that list visited addresses or reached hosts.
bool IsHistoryFile(const std::string& name);
/// Files of the cache folder that are entries (the index files are not).
bool IsCacheEntry(const std::string& name);

} // namespace corvane::browsers::chromium

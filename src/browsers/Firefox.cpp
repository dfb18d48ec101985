#include "browsers/Firefox.h"

#include "browsers/StoreDatabase.h"

#include <set>

namespace corvane::browsers::firefox {
namespace {

// Empties the tables that exist (a table an older or newer version lacks is no fault).
bool EmptyTables(sqlite::Database& db, std::initializer_list<const char*> tables,
                 std::string& error) {
    long ignored = 0;
    for (const char* table : tables)
        if (db.HasTable(table) &&
            !EraseRows(db, std::string("DELETE FROM ") + table, ignored, error))
            return false;
    return true;
}

// The statement that marks a table's ranks stale, so the browser recomputes them.
std::string ResetRanks(sqlite::Database& db, const char* table, std::string reset) {
    if (db.HasColumn(table, "recalc_frecency"))
        reset += ", recalc_frecency = 1";
    if (db.HasColumn(table, "alt_frecency"))
        reset += ", alt_frecency = NULL, recalc_alt_frecency = 1";
    return reset;
}

// "scheme://host:port" of an address, or "" when it has none.
std::string PrePath(const std::string& url) {
    const auto scheme = url.find("://");
    if (scheme == std::string::npos)
        return {};
    const auto path = url.find_first_of("/?#", scheme + 3);
    return url.substr(0, path);
}

// The addresses places.sqlite still holds after its clean: the bookmarked pages.
bool KeptPages(const Profile& profile, std::set<std::string>& pages, std::string& error) {
    const std::filesystem::path places = profile.realFolder / "places.sqlite";
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(places, ec)))
        return true;
    sqlite::Database db;
    if (!OpenToRead(db, places, error)) {
        error = "the bookmarked pages cannot be read (" + error + ")";
        return false;
    }
    sqlite::Statement urls = db.Prepare("SELECT url FROM moz_places WHERE foreign_count > 0");
    while (urls.Step())
        pages.insert(urls.Text(0));
    if (!urls.Done()) {
        error = "the bookmarked pages cannot be read (" + db.ErrorMessage() + ")";
        return false;
    }
    return true;
}

} // namespace

bool ErasePlaces(sqlite::Database& db, const Profile&, long& count, std::string& error) {
    if (!db.HasTable("moz_places") || !db.HasTable("moz_historyvisits")) {
        error = "not a places database";
        return false;
    }
    if (!EraseRows(db, "DELETE FROM moz_historyvisits", count, error) ||
        !EmptyTables(db,
                     {"moz_historyvisits_extra", "moz_inputhistory",
                      "moz_places_metadata_search_queries", "moz_places_metadata", "moz_annos",
                      "moz_previews_tombstones", "moz_newtab_shortcuts_interaction",
                      "moz_newtab_story_click", "moz_newtab_story_impression"},
                     error))
        return false;
    if (db.HasTable("moz_places_extra") &&
        !db.Exec("DELETE FROM moz_places_extra WHERE place_id IN "
                 "(SELECT id FROM moz_places WHERE foreign_count = 0)",
                 error))
        return false;
    if (!db.Exec("DELETE FROM moz_places WHERE foreign_count = 0", error) ||
        !db.Exec(ResetRanks(db, "moz_places",
                            "UPDATE moz_places SET visit_count = 0, last_visit_date = NULL, "
                            "typed = 0, frecency = 0"),
                 error))
        return false;
    if (!db.HasTable("moz_origins"))
        return true;
    return db.Exec("DELETE FROM moz_origins WHERE id NOT IN "
                   "(SELECT origin_id FROM moz_places WHERE origin_id IS NOT NULL)",
                   error) &&
           db.Exec(ResetRanks(db, "moz_origins", "UPDATE moz_origins SET frecency = 0"), error);
}

bool EraseFavicons(sqlite::Database& db, const Profile& profile, long&, std::string& error) {
    if (!db.HasTable("moz_pages_w_icons") || !db.HasTable("moz_icons"))
        return true; // a layout this cleaner does not know holds no page it could tell apart
    std::set<std::string> pages;
    if (!KeptPages(profile, pages, error))
        return false;
    if (!db.Exec("CREATE TEMP TABLE corvane_kept (url TEXT PRIMARY KEY); "
                 "CREATE TEMP TABLE corvane_sites (prepath TEXT PRIMARY KEY)",
                 error))
        return false;
    sqlite::Statement page = db.Prepare("INSERT OR IGNORE INTO corvane_kept VALUES (?1)");
    sqlite::Statement site = db.Prepare("INSERT OR IGNORE INTO corvane_sites VALUES (?1)");
    for (const std::string& url : pages) {
        page.BindText(1, url).Run();
        page.Reset();
        if (const std::string prePath = PrePath(url); !prePath.empty()) {
            site.BindText(1, prePath).Run();
            site.Reset();
        }
    }
    // A site's own icon (`root`) is shared by all its pages and kept for a bookmarked one.
    const std::string keptRoot =
        db.HasColumn("moz_icons", "root")
            ? " AND NOT (root = 1 AND EXISTS (SELECT 1 FROM corvane_sites WHERE "
              "substr(icon_url, 1, length(prepath) + 1) = prepath || '/'))"
            : "";
    const bool ok =
        db.Exec("DELETE FROM moz_pages_w_icons WHERE page_url NOT IN "
                "(SELECT url FROM corvane_kept)",
                error) &&
        (!db.HasTable("moz_icons_to_pages") ||
         db.Exec("DELETE FROM moz_icons_to_pages WHERE page_id NOT IN "
                 "(SELECT id FROM moz_pages_w_icons)",
                 error)) &&
        db.Exec("DELETE FROM moz_icons WHERE id NOT IN (SELECT icon_id FROM moz_icons_to_pages)" +
                    keptRoot,
                error);
    std::string ignored;
    db.Exec("DROP TABLE temp.corvane_kept; DROP TABLE temp.corvane_sites", ignored);
    return ok;
}

bool EraseCookies(sqlite::Database& db, const Profile&, long& count, std::string& error) {
    if (!db.HasTable("moz_cookies")) {
        error = "not a cookie database";
        return false;
    }
    return EraseRows(db, "DELETE FROM moz_cookies", count, error);
}

bool EraseFormHistory(sqlite::Database& db, const Profile&, long& count, std::string& error) {
    if (!db.HasTable("moz_formhistory")) {
        error = "not a form history database";
        return false;
    }
    return EraseRows(db, "DELETE FROM moz_formhistory", count, error) &&
           EmptyTables(db, {"moz_deleted_formhistory", "moz_history_to_sources", "moz_sources"},
                       error);
}

bool EraseStorageOrigins(sqlite::Database& db, const Profile&, long&, std::string& error) {
    if (!db.HasTable("origin") || !db.HasColumn("origin", "origin"))
        return true;
    return db.Exec("DELETE FROM origin WHERE origin NOT LIKE 'moz-extension:%'", error);
}

// A web site's origin folder is named from its address ("https+++example.com", "file++++..."),
// while extensions ("moz-extension+++...") and the browser itself ("chrome", "indexeddb+++...")
// keep their own storage beside them.
bool IsSiteOrigin(const std::string& name) {
    return name.rfind("http", 0) == 0 || name.rfind("file", 0) == 0;
}

bool IsSessionFile(const std::string& name) {
    return name == "sessionstore-backups" ||
           (name.rfind("sessionstore", 0) == 0 && name.find("lz4") != std::string::npos);
}

bool IsHostFile(const std::string& name) {
    return name == "serviceworker.txt" || name.rfind("SiteSecurityServiceState", 0) == 0 ||
           name.rfind("AlternateServices", 0) == 0;
}

} // namespace corvane::browsers::firefox

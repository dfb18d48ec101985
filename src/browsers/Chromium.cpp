#include "browsers/Chromium.h"

#include "browsers/StoreDatabase.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace corvane::browsers::chromium {
namespace {

// Runs one DELETE on a table the database must have, counting its rows.
bool EmptyTable(sqlite::Database& db, const char* table, const char* kind, long& count,
                std::string& error) {
    if (!db.HasTable(table)) {
        error = std::string("not a ") + kind + " database";
        return false;
    }
    return EraseRows(db, std::string("DELETE FROM ") + table, count, error);
}

void CollectUrls(const QJsonValue& node, std::vector<std::string>& urls) {
    const QJsonObject object = node.toObject();
    if (object.value("type").toString() == "url")
        urls.push_back(object.value("url").toString().toStdString());
    for (const QJsonValue child : object.value("children").toArray())
        CollectUrls(child, urls);
}

} // namespace

bool BookmarkedAddresses(const Profile& profile, std::vector<std::string>& urls,
                         std::string& error) {
    QFile file(QString::fromStdString((profile.realFolder / "Bookmarks").string()));
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        error = "the bookmarks cannot be read";
        return false;
    }
    QJsonParseError parse{};
    const QJsonDocument bookmarks = QJsonDocument::fromJson(file.readAll(), &parse);
    if (parse.error != QJsonParseError::NoError) {
        error = "the bookmarks cannot be read (" + parse.errorString().toStdString() + ")";
        return false;
    }
    const QJsonObject roots = bookmarks.object().value("roots").toObject();
    for (auto it = roots.begin(); it != roots.end(); ++it)
        CollectUrls(it.value(), urls);
    return true;
}

bool EraseHistory(sqlite::Database& db, const Profile&, long& count, std::string& error) {
    if (!db.HasTable("urls") || !db.HasTable("visits")) {
        error = "not a history database";
        return false;
    }
    return EmptyAllTables(db, {"meta"}, "visits", count, error);
}

bool EraseFavicons(sqlite::Database& db, const Profile& profile, long&, std::string& error) {
    if (!db.HasTable("icon_mapping") || !db.HasTable("favicons"))
        return true; // a layout this cleaner does not know holds no page it could tell apart
    std::vector<std::string> urls;
    if (!BookmarkedAddresses(profile, urls, error) ||
        !db.Exec("CREATE TEMP TABLE corvane_kept (url TEXT PRIMARY KEY)", error))
        return false;
    sqlite::Statement keep = db.Prepare("INSERT OR IGNORE INTO corvane_kept VALUES (?1)");
    for (const std::string& url : urls) {
        keep.BindText(1, url).Run();
        keep.Reset();
    }
    const bool ok =
        db.Exec("DELETE FROM icon_mapping WHERE page_url NOT IN (SELECT url FROM corvane_kept)",
                error) &&
        db.Exec("DELETE FROM favicons WHERE id NOT IN (SELECT icon_id FROM icon_mapping)", error) &&
        (!db.HasTable("favicon_bitmaps") ||
         db.Exec("DELETE FROM favicon_bitmaps WHERE icon_id NOT IN (SELECT id FROM favicons)",
                 error));
    std::string ignored;
    db.Exec("DROP TABLE temp.corvane_kept", ignored);
    return ok;
}

bool EraseCookies(sqlite::Database& db, const Profile&, long& count, std::string& error) {
    return EmptyTable(db, "cookies", "cookie", count, error);
}

bool EraseAutofill(sqlite::Database& db, const Profile&, long& count, std::string& error) {
    return EmptyTable(db, "autofill", "form data", count, error);
}

bool IsSiteOrigin(const std::string& name) {
    return name.rfind("chrome-extension", 0) != 0;
}

// Newer versions keep an encrypted copy of the session beside the plain one.
bool IsSessionFile(const std::string& name) {
    return name == "Sessions" || name == "Sessions_Encrypted" || name == "Current Session" ||
           name == "Current Tabs" || name == "Last Session" || name == "Last Tabs";
}

bool IsHistoryFile(const std::string& name) {
    return name == "Visited Links" || name == "History Provider Cache";
}

bool IsCacheEntry(const std::string& name) {
    return name != "index" && name != "the-real-index" && name.rfind("data_", 0) != 0;
}

} // namespace corvane::browsers::chromium

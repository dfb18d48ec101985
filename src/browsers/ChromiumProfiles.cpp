// Chromium-family discovery: the profiles named in a user-data folder's "Local State".

#include "browsers/Discovery.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace corvane::browsers {

void DiscoverChromiumUserData(const std::filesystem::path& userData,
                              const std::filesystem::path& cacheRoot, const std::string& browser,
                              const UserFolders& folders, Discovery& found) {
    std::error_code ec;
    if (!std::filesystem::is_directory(userData, ec))
        return;
    const std::filesystem::path stateFile = userData / "Local State";
    QFile file(QString::fromStdString(stateFile.string()));
    if (!file.open(QIODevice::ReadOnly)) {
        found.problems.push_back(stateFile.string() + ": missing or unreadable, no " + browser +
                                 " profiles read");
        return;
    }
    QJsonParseError parseError{};
    const QJsonDocument state = QJsonDocument::fromJson(file.readAll(), &parseError);
    const QJsonValue cache = state.object().value("profile").toObject().value("info_cache");
    if (parseError.error != QJsonParseError::NoError || !cache.isObject()) {
        found.problems.push_back(stateFile.string() + ": malformed (" +
                                 (parseError.error != QJsonParseError::NoError
                                      ? parseError.errorString().toStdString() + " at byte " +
                                            std::to_string(parseError.offset)
                                      : std::string("no profile.info_cache")) +
                                 "), no " + browser + " profiles read");
        return;
    }
    const QJsonObject profiles = cache.toObject();
    for (auto it = profiles.begin(); it != profiles.end(); ++it) {
        const std::string key = it.key().toStdString();
        // A key is a folder name inside the user-data folder, never a path.
        if (key.empty() || key == "." || key == ".." || key.find('/') != std::string::npos) {
            found.problems.push_back(stateFile.string() + ": profile \"" + key +
                                     "\" is not a folder name, skipped");
            continue;
        }
        const std::filesystem::path folder = (userData / key).lexically_normal();
        std::string problem;
        if (!AcceptProfileFolder(folder, folders, problem)) {
            found.problems.push_back(problem);
            continue;
        }
        Profile profile;
        profile.family = Family::Chromium;
        profile.folder = folder;
        profile.lockFolder = userData;
        profile.id = std::string(FamilyWord(Family::Chromium)) + ":" + folder.string();
        profile.name = browser + " - " + key;
        profile.cacheFolders = {cacheRoot / key, folder};
        found.profiles.push_back(std::move(profile));
    }
}

} // namespace corvane::browsers

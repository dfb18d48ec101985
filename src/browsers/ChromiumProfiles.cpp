// Chromium-family discovery: the profiles named in a user-data folder's "Local State".

#include "browsers/Discovery.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace corvane::browsers {
namespace {

// A profile key is the name of a folder directly inside the user-data folder, never a path.
bool IsFolderName(const std::string& key) {
    return !key.empty() && key != "." && key != ".." && key.find('/') == std::string::npos &&
           !HasControlCharacter(key);
}

} // namespace

void DiscoverChromiumUserData(const std::filesystem::path& userData,
                              const std::filesystem::path& cacheRoot, const std::string& browser,
                              const Containment& containment, Discovery& found) {
    std::error_code ec;
    if (!std::filesystem::is_directory(userData, ec))
        return;
    // The stores the profiles share are written below the user-data folder: it must pass as a
    // profile folder would.
    std::filesystem::path realData;
    std::string problem;
    if (!containment.ResolveFolder(userData, realData, problem)) {
        found.problems.push_back(problem);
        return;
    }
    const std::filesystem::path stateFile = userData / "Local State";
    std::string bytes;
    std::string error;
    if (!ReadListing(stateFile, kMaxLocalState, bytes, error)) {
        found.problems.push_back(stateFile.string() + ": " + error + ", no " + browser +
                                 " profiles read");
        return;
    }
    QJsonParseError parseError{};
    const QJsonDocument state = QJsonDocument::fromJson(
        QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())), &parseError);
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
        if (!IsFolderName(key)) {
            found.problems.push_back(stateFile.string() + ": profile \"" + key +
                                     "\" is not a folder name, skipped");
            continue;
        }
        const std::filesystem::path folder = Normal(userData / key);
        std::filesystem::path real;
        if (!containment.ResolveFolder(folder, real, problem)) {
            found.problems.push_back(problem);
            continue;
        }
        if (real == realData || !Inside(real, realData)) {
            found.problems.push_back(folder.string() + ": leads to " + real.string() +
                                     ", outside " + realData.string() + ", skipped");
            continue;
        }
        Profile profile;
        profile.family = Family::Chromium;
        profile.folder = folder;
        profile.realFolder = real;
        profile.lockFolder = realData;
        profile.id = std::string(FamilyWord(Family::Chromium)) + ":" + folder.string();
        profile.name = browser + " - " + Printable(key);
        profile.cacheFolders =
            containment.CacheFolders(cacheRoot / key, cacheRoot, real, found.problems);
        found.profiles.push_back(std::move(profile));
    }
}

} // namespace corvane::browsers

// Firefox-family discovery: the profiles listed in a profiles.ini.

#include "browsers/Discovery.h"

#include <fstream>
#include <map>
#include <vector>

namespace corvane::browsers {
namespace {

using Section = std::map<std::string, std::string>;

std::string Trim(const std::string& text) {
    const auto begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// Reads an ini file into its sections (in file order). False with the line number of the first
// line that is neither blank, a comment, a section header nor `key=value`.
bool ReadIni(const std::filesystem::path& file, std::vector<std::pair<std::string, Section>>& ini,
             std::string& error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = "cannot be read";
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            ini.push_back({line.substr(1, line.size() - 2), {}});
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos || equals == 0 || ini.empty()) {
            error = "malformed at line " + std::to_string(number);
            return false;
        }
        ini.back().second[Trim(line.substr(0, equals))] = Trim(line.substr(equals + 1));
    }
    return true;
}

// An ESR build says so in the profile's compatibility.ini (its platform folder), and Debian
// names the profile it makes "default-esr".
bool IsEsrProfile(const std::filesystem::path& folder, const std::string& name) {
    if (name.size() >= 4 && name.compare(name.size() - 4, 4, "-esr") == 0)
        return true;
    std::vector<std::pair<std::string, Section>> ini;
    std::string ignored;
    if (!ReadIni(folder / "compatibility.ini", ini, ignored))
        return false;
    for (const auto& [section, keys] : ini) {
        const auto it = keys.find("LastPlatformDir");
        if (it != keys.end() && it->second.find("firefox-esr") != std::string::npos)
            return true;
    }
    return false;
}

} // namespace

void DiscoverFirefoxRoot(const std::filesystem::path& root, const std::filesystem::path& cacheRoot,
                         const std::string& browser, const UserFolders& folders, Discovery& found) {
    std::error_code ec;
    if (!std::filesystem::is_directory(root, ec))
        return;
    const std::filesystem::path ini = root / "profiles.ini";
    if (!std::filesystem::exists(ini, ec)) {
        found.problems.push_back(ini.string() + ": missing, no profiles read from " +
                                 root.string());
        return;
    }
    std::vector<std::pair<std::string, Section>> sections;
    std::string error;
    if (!ReadIni(ini, sections, error)) {
        found.problems.push_back(ini.string() + ": " + error + ", no profiles read from it");
        return;
    }
    for (const auto& [section, keys] : sections) {
        if (section.rfind("Profile", 0) != 0)
            continue;
        const auto path = keys.find("Path");
        if (path == keys.end() || path->second.empty()) {
            found.problems.push_back(ini.string() + ": [" + section + "] has no Path, skipped");
            continue;
        }
        const auto relative = keys.find("IsRelative");
        const bool isRelative = relative == keys.end() || relative->second != "0";
        const std::filesystem::path folder =
            (isRelative ? root / path->second : std::filesystem::path(path->second))
                .lexically_normal();
        std::string problem;
        if (!folder.is_absolute() || !AcceptProfileFolder(folder, folders, problem)) {
            found.problems.push_back(problem.empty() ? ini.string() + ": [" + section +
                                                           "] Path is not absolute, skipped"
                                                     : problem);
            continue;
        }
        const auto nameKey = keys.find("Name");
        const std::string name =
            nameKey != keys.end() ? nameKey->second : folder.filename().string();
        Profile profile;
        profile.family = Family::Firefox;
        profile.folder = folder;
        profile.lockFolder = folder;
        profile.id = std::string(FamilyWord(Family::Firefox)) + ":" + folder.string();
        profile.name =
            (browser == "Firefox" && IsEsrProfile(folder, name) ? "Firefox ESR" : browser) + " - " +
            name;
        profile.cacheFolders.push_back(
            cacheRoot / (isRelative ? std::filesystem::path(path->second) : folder.filename()));
        profile.cacheFolders.push_back(folder);
        found.profiles.push_back(std::move(profile));
    }
}

} // namespace corvane::browsers

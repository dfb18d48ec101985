// Firefox-family discovery: the profiles listed in a profiles.ini.

#include "browsers/Discovery.h"

#include <map>
#include <vector>

namespace corvane::browsers {
namespace {

using Section = std::map<std::string, std::string>;
using Ini = std::vector<std::pair<std::string, Section>>;

// A profile's compatibility.ini holds a few short lines.
constexpr std::size_t kMaxCompatibilityIni = 64 << 10;

std::string Trim(const std::string& text) {
    const auto begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// Reads an ini file into its sections (in file order). False with the reason: the file could not
// be read, or the line number of the first line that is neither blank, a comment, a section
// header nor `key=value`.
bool ReadIni(const std::filesystem::path& file, std::size_t limit, Ini& ini, std::string& error) {
    std::string bytes;
    if (!ReadListing(file, limit, bytes, error))
        return false;
    std::size_t start = 0;
    for (int number = 1; start < bytes.size(); ++number) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        const std::string line = Trim(bytes.substr(start, end - start));
        start = end + 1;
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
    Ini ini;
    std::string ignored;
    if (!ReadIni(folder / "compatibility.ini", kMaxCompatibilityIni, ini, ignored))
        return false;
    for (const auto& [section, keys] : ini) {
        const auto it = keys.find("LastPlatformDir");
        if (it != keys.end() && it->second.find("firefox-esr") != std::string::npos)
            return true;
    }
    return false;
}

bool HasDotDot(const std::filesystem::path& path) {
    for (const auto& part : path)
        if (part == "..")
            return true;
    return false;
}

// The profile folder a section names, in normal form; false with a line when the section names
// none this root may hand out.
bool ListedFolder(const std::filesystem::path& root, const std::string& section,
                  const Section& keys, std::filesystem::path& folder, bool& isRelative,
                  std::string& problem) {
    const std::string where = (root / "profiles.ini").string() + ": [" + section + "] ";
    const auto path = keys.find("Path");
    if (path == keys.end() || path->second.empty()) {
        problem = where + "has no Path, skipped";
        return false;
    }
    if (HasControlCharacter(path->second)) {
        problem = where + "Path holds a control character, skipped";
        return false;
    }
    const auto relative = keys.find("IsRelative");
    isRelative = relative == keys.end() || relative->second != "0";
    const std::filesystem::path raw =
        isRelative ? root / path->second : std::filesystem::path(path->second);
    if (!raw.is_absolute()) {
        problem = where + "Path is not absolute, skipped";
        return false;
    }
    folder = Normal(raw);
    const std::filesystem::path base = Normal(root);
    if (isRelative && (folder == base || !Inside(folder, base))) {
        problem = where + "Path leaves " + base.string() + ", skipped";
        return false;
    }
    // A ".." after a link climbs from where the link leads, not from where the text seems to be.
    std::error_code ec1, ec2;
    if (HasDotDot(raw) && std::filesystem::weakly_canonical(raw, ec1) !=
                              std::filesystem::weakly_canonical(folder, ec2)) {
        problem = where + "Path climbs out of a link with \"..\", skipped";
        return false;
    }
    return true;
}

} // namespace

void DiscoverFirefoxRoot(const std::filesystem::path& root, const std::filesystem::path& cacheRoot,
                         const std::string& browser, const Containment& containment,
                         Discovery& found) {
    std::error_code ec;
    if (!std::filesystem::is_directory(root, ec))
        return;
    const std::filesystem::path ini = root / "profiles.ini";
    if (!std::filesystem::exists(ini, ec)) {
        found.problems.push_back(ini.string() + ": missing, no profiles read from " +
                                 root.string());
        return;
    }
    Ini sections;
    std::string error;
    if (!ReadIni(ini, kMaxProfilesIni, sections, error)) {
        found.problems.push_back(ini.string() + ": " + error + ", no profiles read from it");
        return;
    }
    for (const auto& [section, keys] : sections) {
        if (section.rfind("Profile", 0) != 0)
            continue;
        std::filesystem::path folder;
        std::filesystem::path real;
        bool isRelative = true;
        std::string problem;
        if (!ListedFolder(root, section, keys, folder, isRelative, problem) ||
            !containment.ResolveFolder(folder, real, problem)) {
            found.problems.push_back(problem);
            continue;
        }
        const auto nameKey = keys.find("Name");
        const std::string name =
            Printable(nameKey != keys.end() ? nameKey->second : folder.filename().string());
        Profile profile;
        profile.family = Family::Firefox;
        profile.folder = folder;
        profile.realFolder = real;
        profile.lockFolder = real;
        profile.id = std::string(FamilyWord(Family::Firefox)) + ":" + folder.string();
        profile.name =
            (browser == "Firefox" && IsEsrProfile(real, name) ? "Firefox ESR" : browser) + " - " +
            name;
        // The browser names a relative profile's cache folder by the profile's place below its
        // root (as listed, before any link), an absolute one by the profile folder's name.
        profile.cacheFolders = containment.CacheFolders(
            cacheRoot / (isRelative ? folder.lexically_relative(Normal(root)) : folder.filename()),
            cacheRoot, real, found.problems);
        found.profiles.push_back(std::move(profile));
    }
}

} // namespace corvane::browsers

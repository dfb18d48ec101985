#include "platform/environment.h"

#include "platform/world.h"

#include <algorithm>
#include <unistd.h>

extern char** environ;

namespace corvane::platform {
namespace {

// Windows compares variable names by their upper-case form.
char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Upper(x) == Upper(y); });
}

bool NameBefore(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(Upper(x)) < static_cast<unsigned char>(Upper(y));
    });
}

std::string_view NameOf(std::string_view entry) {
    return entry.substr(0, entry.find('='));
}

std::string HostName() {
    char buffer[256] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0)
        return {};
    std::string name(buffer);
    std::transform(name.begin(), name.end(), name.begin(), Upper);
    return name;
}

} // namespace

std::vector<std::string> EnvironmentBlock() {
    std::vector<std::string> block;
    auto has = [&](std::string_view name) {
        return std::any_of(block.begin(), block.end(),
                           [&](const std::string& e) { return SameName(NameOf(e), name); });
    };
    for (char** e = environ; e && *e; ++e) {
        const std::string_view entry(*e);
        const auto eq = entry.find('=');
        // A POSIX TEMP or TMP names a POSIX folder; the world's own replaces it below.
        if (eq == std::string_view::npos || eq == 0 || SameName(entry.substr(0, eq), "TEMP") ||
            SameName(entry.substr(0, eq), "TMP"))
            continue;
        block.emplace_back(entry);
    }
    const std::string user = world::UserName();
    const std::string profile = world::ProfilePath();
    const std::pair<const char*, std::string> session[] = {
        {"COMPUTERNAME", HostName()}, {"USERNAME", user},
        {"HOMEDRIVE", "C:"},          {"HOMEPATH", "\\Documents and Settings\\" + user},
        {"USERPROFILE", profile},
    };
    for (const auto& [name, value] : session)
        if (!has(name))
            block.push_back(std::string(name) + "=" + value);
    block.push_back("TEMP=" + world::TempPath());
    block.push_back("TMP=" + world::TempPath());
    std::stable_sort(block.begin(), block.end(), [](const std::string& a, const std::string& b) {
        return NameBefore(NameOf(a), NameOf(b));
    });
    return block;
}

std::string Environ(int index) {
    const std::vector<std::string> block = EnvironmentBlock();
    if (index < 1 || static_cast<size_t>(index) > block.size())
        return {};
    return block[static_cast<size_t>(index) - 1];
}

std::string Environ(std::string_view name) {
    const std::vector<std::string> block = EnvironmentBlock();
    for (const std::string& entry : block)
        if (SameName(NameOf(entry), name))
            return entry.substr(NameOf(entry).size() + 1);
    return {};
}

} // namespace corvane::platform

#pragma once
// Where the scanner looks and what it tells about the machine, from the user's environment:
// the walk that finds the computer and user names, the cookie folder and the texts of the
// "Info Data" page. Window-free, so the command line counts from the same folder.

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace corvane::ScanLocations {

/// Reads the n-th (1-based) environment entry as "name=value"; empty past the last entry.
using EntryReader = std::function<std::string(int n)>;
/// Reads a named environment variable (names without regard to case); empty when unset.
using VariableReader = std::function<std::string(std::string_view name)>;

/// The process's environment view by index (the world's, with the Windows variables).
EntryReader EnvironmentEntries();
/// The process's environment view by name.
VariableReader EnvironmentVariables();

/// The entries the walk examines at most.
inline constexpr int kMaxEnvironmentEntries = 256;

/// LoadMain's walk: examines at most 256 entries, stopping at the first empty one. The first "="
/// splits name from value; an entry named exactly "COMPUTERNAME" or "USERNAME" (with case)
/// stores its value in `computerName` or `userName`. Other names leave both untouched.
void WalkEnvironment(const EntryReader& entryAt, std::string& computerName, std::string& userName);

/// The cookie folder as a Windows path: "homedrive" + "homepath" + "\Cookies".
std::string CookieFolder(const VariableReader& variable);

/// The seven lines of the "Info Data" page, Label13 to Label19 in order. "homedrive" and
/// "homepath" are read afresh for each line.
std::array<std::string, 7> InfoDataTexts(const VariableReader& variable,
                                         const std::string& computerName,
                                         const std::string& userName,
                                         const std::string& browserVersion);

} // namespace corvane::ScanLocations

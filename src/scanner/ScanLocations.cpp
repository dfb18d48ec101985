#include "scanner/ScanLocations.h"

#include "platform/environment.h"

namespace corvane::ScanLocations {

EntryReader EnvironmentEntries() {
    return [](int n) { return platform::Environ(n); };
}

VariableReader EnvironmentVariables() {
    return [](std::string_view name) { return platform::Environ(name); };
}

void WalkEnvironment(const EntryReader& entryAt, std::string& computerName, std::string& userName) {
    for (int n = 1; n <= kMaxEnvironmentEntries; ++n) {
        const std::string entry = entryAt(n);
        if (entry.empty())
            break;
        const std::size_t equals = entry.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string_view name(entry.data(), equals);
        std::string value = entry.substr(equals + 1);
        if (name == "COMPUTERNAME")
            computerName = std::move(value);
        else if (name == "USERNAME")
            userName = std::move(value);
    }
}

std::string CookieFolder(const VariableReader& variable) {
    return variable("homedrive") + variable("homepath") + "\\Cookies";
}

std::array<std::string, 7> InfoDataTexts(const VariableReader& variable,
                                         const std::string& computerName,
                                         const std::string& userName,
                                         const std::string& browserVersion) {
    return {
        "Cookies Folder: " + CookieFolder(variable),
        std::string("Internet Files: ") + "Local Settings\\Temporary Internet Files\\Content.IE5",
        "History Files: " + variable("homedrive") + variable("homepath") +
            "\\Local Settings\\History",
        "Temp Files: " + variable("homedrive") + "\\WINDOWS\\Temp",
        "Computer Name: " + computerName,
        "User Name: " + userName,
        "Internet Explorer: " + browserVersion,
    };
}

} // namespace corvane::ScanLocations

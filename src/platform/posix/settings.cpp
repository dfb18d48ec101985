#include "platform/settings.h"

#include "platform/registry.h"

#include <vector>

namespace corvane::platform {
namespace {

std::string KeyPath(std::string_view application, std::string_view section) {
    std::string path = "Software\\";
    path += application;
    path += '\\';
    path += section;
    return path;
}

} // namespace

std::string GetSetting(std::string_view application, std::string_view section, std::string_view key,
                       std::string_view defaultValue) {
    RegKey handle;
    if (RegOpenKeyA(HKEY_CURRENT_USER, KeyPath(application, section).c_str(), handle.Out()) !=
        ERROR_SUCCESS)
        return std::string(defaultValue);
    const std::string name(key);
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(handle.Get(), name.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::string(defaultValue);
    std::vector<BYTE> data(size);
    if (RegQueryValueExA(handle.Get(), name.c_str(), nullptr, &type, data.data(), &size) !=
        ERROR_SUCCESS)
        return std::string(defaultValue);
    // The store writes its strings with a terminating NUL; the text ends at the first one.
    std::string text(data.begin(), data.begin() + size);
    if (const auto nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    return text;
}

bool SaveSetting(std::string_view application, std::string_view section, std::string_view key,
                 std::string_view value) {
    RegKey handle;
    if (RegCreateKeyA(HKEY_CURRENT_USER, KeyPath(application, section).c_str(), handle.Out()) !=
        ERROR_SUCCESS)
        return false;
    std::string data(value);
    data += '\0';
    return RegSetValueExA(handle.Get(), std::string(key).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

} // namespace corvane::platform

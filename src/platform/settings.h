#pragma once
// The per-user settings store of the runtime: a string by application, section and key. It lives
// in the registry hive under "Software\<application>\<section>", value <key>, as a string value.

#include <string>
#include <string_view>

namespace corvane::platform {

/// Reads a setting; `defaultValue` when it is missing or not a string value.
std::string GetSetting(std::string_view application, std::string_view section, std::string_view key,
                       std::string_view defaultValue = {});

/// Writes a setting as a string value, creating its key when needed; false when it failed.
bool SaveSetting(std::string_view application, std::string_view section, std::string_view key,
                 std::string_view value);

} // namespace corvane::platform

#pragma once
// modNormalisePath: prepares a folder path so that a relative name can be appended to it.

#include <string>
#include <string_view>

namespace corvane::modNormalisePath {

/// The path ending in exactly one backslash: unchanged when it already ends in "\", else with
/// "\" appended (the empty path becomes "\").
std::string NormalisePath(std::string_view path);

} // namespace corvane::modNormalisePath

#pragma once
// The environment as a Windows program sees it: the real process environment plus the variables a
// Windows session has, the temporary folder named as the world's, ordered as Windows orders it.

#include <string>
#include <string_view>
#include <vector>

namespace corvane::platform {

/// The whole block, one "NAME=value" entry each, ordered by name without regard to case. The
/// real environment is kept; COMPUTERNAME, USERNAME, HOMEDRIVE, HOMEPATH and USERPROFILE are added
/// where it lacks them; TEMP and TMP always name the world's temporary folder (a Windows path).
std::vector<std::string> EnvironmentBlock();

/// The entry at 1-based `index` of the block ("NAME=value"); "" outside the block.
std::string Environ(int index);

/// The value of the variable `name`, matched without regard to case; "" when it is not set.
std::string Environ(std::string_view name);

} // namespace corvane::platform

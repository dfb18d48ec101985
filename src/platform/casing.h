#pragma once
// The one rule by which Windows names compare without regard to case: registry key and value
// names, and file names of the world's drives. Each character is upper-cased on its own with the
// simple one-to-one mapping and the results are compared. This is not full Unicode case folding:
// the Kelvin sign and "K" stay two names, as do the Ohm sign and the small omega, while "é" and
// "É" are one.

#include <string>
#include <string_view>

namespace corvane::platform {

/// The upper-case form of a name (UTF-8 text). Characters beyond the 16-bit range and bytes that
/// are not UTF-8 stay as they are, so every name has exactly one form.
std::string UpperName(std::string_view name);

/// True when two names are the same name to Windows.
inline bool SameName(std::string_view a, std::string_view b) {
    return a == b || UpperName(a) == UpperName(b);
}

} // namespace corvane::platform

#pragma once
// RegRWModule: the write and delete halves of the program's registry access. Neither reports an
// error: a failed create, write or delete simply has no effect.

#include "platform/registry.h"

#include <string_view>

namespace corvane::RegRWModule {

/// Stores `text` as a string value (without a terminating NUL), creating the key when needed.
void SaveRegString(platform::HKEY root, std::string_view keyPath, std::string_view valueName,
                   std::string_view text);

/// Deletes a value; a missing key or value is left as it is.
void DeleteRegValue(platform::HKEY root, std::string_view keyPath, std::string_view valueName);

} // namespace corvane::RegRWModule

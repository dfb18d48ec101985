#pragma once
// CleanIT: reads string values from the registry and erases the most-recently-used lists that
// Windows, the browser and two desktop programs keep there. The erasers never report anything:
// a missing key or value, or a value of the wrong type, is skipped and the walk goes on.

#include "platform/registry.h"

#include <string>
#include <string_view>

namespace corvane::CleanIT {

/// The text of a REG_SZ value up to its first NUL (all of it when it has none); "" when the key
/// or value is missing, the value is of another type, or it cannot be read.
std::string GetRegString(platform::HKEY root, std::string_view keyPath, std::string_view valueName);

/// Erases the addresses typed into the browser ("url1".."url100", up to the first empty one).
void CleanTypedURLs();
/// Erases the Run dialog's list (the letters of "MRUList", then "MRUList").
void CleanRunMRU();
/// Erases the file-search list (the letters of "MRUList", then "MRUList").
void CleanFindMRU();
/// Empties the shell's recent-documents list, then erases the registry's RecentDocs letter list.
void CleanRecentDocs();
/// The letter-list half of CleanRecentDocs.
void CleanRecentDocsMRU();
/// Erases the media player's recent files ("File0".."File100", up to the first empty one).
void CleanMediaPlayerMRU();
/// Erases the paint program's recent files ("File1".."File100" when "File1" holds text).
void CleanPaintMRU();

} // namespace corvane::CleanIT

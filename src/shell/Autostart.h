#pragma once
// The desktop's own "start at log-in" list: an XDG autostart entry that starts this program with
// "-min". The Run value in the registry says what the program wants; this entry is what makes a
// Linux desktop act on it.

#include <filesystem>
#include <string>
#include <string_view>

namespace corvane::Autostart {

/// The folder the desktop reads at log-in: $XDG_CONFIG_HOME/autostart, else ~/.config/autostart.
std::filesystem::path Folder();

/// The entry this program writes (`corvane.desktop` in Folder()).
std::filesystem::path EntryPath();

/// One argument of an Exec line, quoted and escaped as the desktop-entry format requires.
std::string QuoteExecArgument(std::string_view argument);

/// The whole text of the entry that starts `executable` with "-min".
std::string EntryText(const std::string& executable);

/// Writes the entry atomically (a temporary file renamed over the old one); false and the
/// reason in `error` when it could not be written.
bool Install(const std::string& executable, std::string& error);

/// Removes the entry; a missing entry is not an error.
bool Remove(std::string& error);

/// True when the entry exists.
bool IsInstalled();

} // namespace corvane::Autostart

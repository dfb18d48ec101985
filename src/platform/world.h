#pragma once
// The per-user Windows world that Corvane works in: a prefix folder holding drive C:, the
// registry hive and the two browser stores. Every other platform service finds its files here.

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::world {

/// The prefix folder: $CORVANE_PREFIX, else $XDG_DATA_HOME/corvane, else ~/.local/share/corvane.
std::filesystem::path Prefix();

/// Creates the world when needed (mode 0700) and runs the idempotent first-run set-up.
bool Ensure(std::string& error);

/// The POSIX folder that is drive C: (`<prefix>/drive_c`).
std::filesystem::path DriveC();
/// The registry hive file.
std::filesystem::path RegistryFile();
/// The URL cache store file.
std::filesystem::path UrlCacheFile();
/// The URL history store file.
std::filesystem::path UrlHistoryFile();
/// The file of facts the world declares (`world.conf`).
std::filesystem::path ConfFile();

/// The drives of the world in the order the drive list shows them ("C:", "Z:").
std::vector<std::string> Drives();

/// The login name of the user whose world this is.
std::string UserName();
/// The user's profile folder as a Windows path ("C:\Documents and Settings\<user>").
std::string ProfilePath();
/// The world's temporary folder as a Windows path.
std::string TempPath();

/// Maps a Windows path (`X:\a\b`, `\a\b` on C:, `/` accepted as separator) to a POSIX path.
/// Each component that does not exist in its exact case is looked up case-insensitively.
/// Returns an empty string for a drive the world does not have and for an invalid name (a NUL,
/// or an escape that would stand for a separator, a NUL, `.`, `..` or a plain character).
std::string ToPosix(std::string_view windowsPath);

/// Maps a POSIX path to a Windows path (`C:\...` under drive C, `Z:\...` elsewhere). Names that
/// hold a backslash or bytes that are not UTF-8 map to private-use code points, so the mapping
/// round-trips exactly through ToPosix.
std::string ToWindows(std::string_view posixPath);

/// True when the POSIX path is the root of a drive (`/` or drive C's folder).
bool IsDriveRoot(const std::filesystem::path& posixPath);

/// Encodes one POSIX file name as a Windows name (the per-component half of ToWindows).
std::string EncodeName(std::string_view posixName);
/// Decodes one Windows name back to the POSIX bytes it stands for; false for an invalid name
/// (one that EncodeName never gives, or that would decode to "", ".", "..", a `/` or a NUL).
bool DecodeName(std::string_view windowsName, std::string& posixName);

/// The facts of world.conf with their defaults filled in (keys in lower case).
std::map<std::string, std::string> Conf();

} // namespace corvane::world

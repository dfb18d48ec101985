#pragma once
// Shell services of the desktop the world runs on.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace corvane::platform {

/// SHAddToRecentDocs: the item is a pointer to an item id list.
inline constexpr std::uint32_t SHARD_PIDL = 0x1;
/// SHAddToRecentDocs: the item is a path (8-bit text).
inline constexpr std::uint32_t SHARD_PATHA = 0x2;

/// With a null item, empties the user's recent-documents list: the world's Recent folder (links
/// inside it are removed, never followed) and the desktop's own list (recently-used.xbel in the
/// XDG data folder, rewritten as an empty list; a desktop without that file is left without it).
/// Adding an item is not provided by this world and does nothing.
void SHAddToRecentDocs(std::uint32_t flags, const void* item);

// Opening a document with the shell's default action. Here only web addresses have a safe
// default action: they go to the desktop's web browser. Any other text is refused, since on the
// original desktop the default action of a local path is to run it.

/// SW_SHOWNORMAL, the show command of a normal window.
inline constexpr int SW_SHOWNORMAL = 1;
/// ShellExecuteA's result for a file or address it could not find (values above 32 succeed).
inline constexpr long SE_ERR_FNF = 2;
/// ShellExecuteA's result when no program handles what was asked for.
inline constexpr long SE_ERR_NOASSOC = 31;

/// True when the text is an absolute web address (http, https or ftp, with a host).
bool IsWebAddress(std::string_view text);

/// Opens a web address in the desktop's browser; true when the desktop took it.
using UrlOpener = std::function<bool(const std::string& url)>;

/// Replaces the browser opener (a test records the call); empty restores the desktop's.
void SetUrlOpener(UrlOpener opener);

/// Installs the desktop's own opener (the windows library does this at start-up). Without one
/// there is no browser to start, as in the command line, and every address fails to open.
void SetDesktopOpener(UrlOpener opener);

/// The shell's default action on `file`: a web address is handed to the browser, anything else
/// is refused with SE_ERR_NOASSOC. `window`, `operation`, `parameters`, `directory` and
/// `showCommand` keep the call's shape; the browser decides where its window goes.
long ShellExecuteA(const void* window, std::string_view operation, std::string_view file,
                   std::string_view parameters, std::string_view directory, int showCommand);

} // namespace corvane::platform

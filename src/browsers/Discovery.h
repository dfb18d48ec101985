#pragma once
// Discovery per family: where each family lists its profiles and how a listing is read. A
// listing is untrusted text (anything may have written it): it is read only when it is a regular
// file of bounded size, and what it names is used only through Containment.

#include "browsers/Containment.h"
#include "browsers/Profile.h"

#include <cstddef>

namespace corvane::browsers {

/// The largest profiles.ini read; a real one lists a few profiles in a few hundred bytes.
inline constexpr std::size_t kMaxProfilesIni = 1 << 20;
/// The largest "Local State" read; a real one holds a browser's settings in some 100 KiB.
inline constexpr std::size_t kMaxLocalState = 32 << 20;

/// Adds the profiles listed in `<root>/profiles.ini`; a missing or malformed file adds a problem
/// line. `cacheRoot` is where the browser keeps caches for profiles of this root; `browser` the
/// name shown before the profile name when the profile does not say it is an ESR one.
void DiscoverFirefoxRoot(const std::filesystem::path& root, const std::filesystem::path& cacheRoot,
                         const std::string& browser, const Containment& containment,
                         Discovery& found);

/// Adds the profiles of one user-data folder (the keys of `profile.info_cache` in its
/// "Local State"); a missing or malformed file adds a problem line.
void DiscoverChromiumUserData(const std::filesystem::path& userData,
                              const std::filesystem::path& cacheRoot, const std::string& browser,
                              const Containment& containment, Discovery& found);

/// Reads a whole listing file: false with the reason when it is not a regular file, is larger
/// than `limit` bytes or cannot be read. Never waits on a pipe or device put in its place.
bool ReadListing(const std::filesystem::path& file, std::size_t limit, std::string& bytes,
                 std::string& error);

/// Whether text holds a control character (a NUL, tab, newline, escape, ...): a listed name with
/// one would break the lines it is printed in, and the system stops a path at a NUL.
bool HasControlCharacter(const std::string& text);

/// Text fit to show on a terminal or in a list: bytes that are not UTF-8 become U+FFFD and
/// control characters (tabs, newlines and NULs too) become '?'.
std::string Printable(const std::string& text);

} // namespace corvane::browsers

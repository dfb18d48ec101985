#pragma once
// Registry text files (.reg), so a world can be seeded from a real Windows export and looked at
// from outside. Both formats are read: "Windows Registry Editor Version 5.00" (UTF-16LE with a
// byte-order mark, or UTF-8) and "REGEDIT4" (8-bit text, UTF-8 here); lines end in CR LF or LF.
// Export writes the 5.00 format as regedit does: UTF-16LE with a byte-order mark, CR LF, keys
// sorted without regard to case, values in the order they were created, long hex data wrapped.
// Exporting and importing again gives back every value byte for byte.

#include <filesystem>
#include <string>
#include <string_view>

namespace corvane::platform {

/// Reads a key name as written in .reg files or on the command line ("HKEY_CURRENT_USER\a\b",
/// "HKCU\a\b") into its path below HKEY_CURRENT_USER ("a\b"; "" for the root itself). With
/// `rootRequired` false a name without a root is taken as relative ("a\b"). False for a name under
/// another root, or without a root when one is required.
bool ParseKeyName(std::string_view name, bool rootRequired, std::string& relative);

/// Imports .reg text (the file's bytes). On a syntax error nothing is imported and `error` reads
/// "<source>:<line>: <what is wrong>". The whole import is one transaction.
bool ImportRegText(std::string_view bytes, std::string_view source, std::string& error);

/// Imports a .reg file; see ImportRegText.
bool ImportRegFile(const std::filesystem::path& file, std::string& error);

/// Exports the key `keyPath` (below HKEY_CURRENT_USER) and everything under it as 5.00 text:
/// the bytes of the file, UTF-16LE with a byte-order mark. False when the key does not exist.
bool ExportRegText(std::string_view keyPath, std::string& bytes, std::string& error);

/// Exports a key to a file; see ExportRegText.
bool ExportRegFile(std::string_view keyPath, const std::filesystem::path& file, std::string& error);

} // namespace corvane::platform

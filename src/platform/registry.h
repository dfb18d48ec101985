#pragma once
// The per-user registry of the world. One hive, HKEY_CURRENT_USER, kept in the world's
// registry.sqlite. The calls keep the Win32 calling shape and status codes, so the code above reads
// as it would on Windows; other roots fail quietly because the system never uses them.
//
// Key paths and value names compare without regard to case and keep the case they were created
// with. A value keeps its type code and its bytes exactly as written. Every write is one
// transaction, and several processes may use the hive at once.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::platform {

/// A 32-bit unsigned Windows integer.
using DWORD = std::uint32_t;
/// A Windows status code (ERROR_SUCCESS and its siblings).
using LONG = std::int32_t;
/// One byte of value data.
using BYTE = unsigned char;
/// A registry key handle: a predefined root or a key opened by RegOpenKeyA/RegCreateKeyA.
using HKEY = std::uint32_t;

/// The predefined root of the classes (not provided by this world).
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
/// The predefined root of the current user's hive (the only root this world provides).
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
/// The predefined root of the machine (not provided by this world).
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
/// The predefined root of all users (not provided by this world).
inline constexpr HKEY HKEY_USERS = 0x80000003u;

/// The operation succeeded.
inline constexpr LONG ERROR_SUCCESS = 0;
/// The key or value does not exist.
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
/// The root is not provided by this world (writes to it are refused).
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
/// The handle is neither a root nor an open key.
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
/// An argument is malformed (reserved pointer set, data without a size...).
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
/// The buffer is too small; the size needed is reported.
inline constexpr LONG ERROR_MORE_DATA = 234;
/// An enumeration is at its end.
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
/// The hive file cannot be opened as a database.
inline constexpr LONG ERROR_BADDB = 1009;
/// The hive could not be read.
inline constexpr LONG ERROR_CANTREAD = 1012;
/// The hive could not be written (for example another process held it too long).
inline constexpr LONG ERROR_CANTWRITE = 1013;
/// The key behind the handle was deleted after it was opened.
inline constexpr LONG ERROR_KEY_DELETED = 1018;

/// No value type.
inline constexpr DWORD REG_NONE = 0;
/// A string (the program's 8-bit text).
inline constexpr DWORD REG_SZ = 1;
/// A string with %VARIABLE% references.
inline constexpr DWORD REG_EXPAND_SZ = 2;
/// Raw bytes.
inline constexpr DWORD REG_BINARY = 3;
/// A 32-bit number, little-endian.
inline constexpr DWORD REG_DWORD = 4;
/// A 32-bit number, big-endian.
inline constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
/// A symbolic link (kept as bytes).
inline constexpr DWORD REG_LINK = 6;
/// A list of NUL-terminated strings ending in an empty string.
inline constexpr DWORD REG_MULTI_SZ = 7;
/// A 64-bit number, little-endian.
inline constexpr DWORD REG_QWORD = 11;

/// Opens an existing key below `key` (a root or an open key); `subKey` null or "" opens `key`
/// again. On failure `*result` is set to 0.
LONG RegOpenKeyA(HKEY key, const char* subKey, HKEY* result);

/// Opens a key below `key`, creating every missing key on the path.
LONG RegCreateKeyA(HKEY key, const char* subKey, HKEY* result);

/// Reads a value (`name` null or "" is the default value). With `data` null only the type and
/// size are reported; with a buffer smaller than the value, ERROR_MORE_DATA and the size needed.
/// `reserved` must be null. A missing value leaves `*type` and `*size` untouched.
LONG RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* size);

/// Writes a value: exactly `size` bytes of `data` with the type code `type`, nothing added.
LONG RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size);

/// Writes a value as a Unicode .reg file gives it: `data` is what the A-calls read and `tail` (at
/// most one byte) the odd last byte of the UTF-16 data, which no character stands for and only
/// export gives back. A name holding a NUL is refused with ERROR_INVALID_PARAMETER, never cut.
LONG RegSetValueWithTail(HKEY key, std::string_view name, DWORD type, std::string_view data,
                         std::string_view tail);

/// Deletes a value; ERROR_FILE_NOT_FOUND when it does not exist.
LONG RegDeleteValueA(HKEY key, const char* name);

/// Deletes the key `subKey` below `key` with all its subkeys and values; with `subKey` null or ""
/// it empties `key` itself (its subkeys and values), as the Win32 call of this name does.
LONG RegDeleteTreeA(HKEY key, const char* subKey);

/// How many writes the hive has refused since the program started (read-only or damaged file).
unsigned long RegFailedWriteCount();

/// Closes a key opened by RegOpenKeyA or RegCreateKeyA. Closing a root is harmless.
LONG RegCloseKey(HKEY key);

/// One value of a key, as enumeration returns it.
struct RegValue {
    std::string name; ///< The name in its creation case ("" for the default value).
    DWORD type = REG_NONE;
    std::string data; ///< The bytes exactly as stored.
    std::string tail; ///< The odd last byte of Unicode string data, when a .reg file gave one.
};

/// The names of the direct subkeys of `key`, in their creation case, sorted without regard to
/// case as Windows sorts them (by the upper-case form, so "Ab" comes before "A_x").
LONG RegListSubKeys(HKEY key, std::vector<std::string>& names);

/// The values of `key` in the order they were created.
LONG RegListValues(HKEY key, std::vector<RegValue>& values);

/// The full path of an open key in its creation case, e.g.
/// "HKEY_CURRENT_USER\Software\Microsoft" (just "HKEY_CURRENT_USER" for the root).
LONG RegKeyPath(HKEY key, std::string& path);

/// Groups many registry writes of this process into one transaction: while an object of this
/// class lives, the writes join it, and they take effect only when Commit succeeds. Used by the
/// .reg importer, so a bad file imports nothing. Objects nest; only the outermost one counts.
class RegTransaction {
public:
    RegTransaction();
    ~RegTransaction();
    RegTransaction(const RegTransaction&) = delete;
    RegTransaction& operator=(const RegTransaction&) = delete;
    /// True when the transaction began (the hive is open and was not held too long by another).
    bool Active() const { return active_; }
    /// Makes the writes permanent; false when they could not be committed (then nothing is kept).
    bool Commit();

private:
    bool active_ = false;
    bool outermost_ = false;
};

/// An owned handle that closes itself.
class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key) {}
    RegKey(RegKey&& other) noexcept : key_(other.key_) { other.key_ = 0; }
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() { Reset(); }
    /// The handle (0 when none is held).
    HKEY Get() const { return key_; }
    /// Where a Reg*KeyA call stores the handle it opens; closes what was held before.
    HKEY* Out() {
        Reset();
        return &key_;
    }
    /// Closes the handle now.
    void Reset();

private:
    HKEY key_ = 0;
};

/// Empties the hive's write-ahead log into the file, so values deleted before leave no copy in
/// the log; false when another program kept the log in use.
bool RegFlushErased();

/// Closes this process's connection to the hive (open handles stay valid); the next registry
/// call opens the hive of the world that is current then. Lets a caller replace the hive file.
void RegReleaseHive();

} // namespace corvane::platform

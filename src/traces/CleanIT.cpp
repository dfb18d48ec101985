#include "traces/CleanIT.h"

#include "platform/shell.h"
#include "platform/utf8.h"
#include "traces/RegRWModule.h"

#include <cstdint>

namespace corvane::CleanIT {

using namespace platform;
using RegRWModule::DeleteRegValue;

namespace {

constexpr std::string_view kTypedURLs = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
constexpr std::string_view kRunMRU =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";
constexpr std::string_view kFindMRU =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Doc Find Spec MRU";
constexpr std::string_view kRecentDocs =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs";
constexpr std::string_view kMediaPlayer =
    "Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList";
constexpr std::string_view kPaint =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List";

// The walks count with 16-bit integers, as the erasers always have; they stop at 100, so the
// counter never overflows.
using Counter = std::int16_t;
constexpr Counter kLast = 100;

std::string Numbered(std::string_view prefix, Counter n) {
    return std::string(prefix) + std::to_string(n);
}

// The length of the character that starts at s[i]: a whole UTF-8 sequence where one is there,
// else the single byte, so that each listed letter is one character of the text.
size_t CharLength(std::string_view s, size_t i) {
    char32_t cp;
    const size_t n = utf8::Decode(s, i, cp);
    return n == 0 ? 1 : n;
}

// A letter list: "MRUList" names, one character each, the values that hold the entries. The
// entries are deleted in the order the list gives, without being read, then the list itself.
// Like every eraser here it ends by emptying the hive's log, so what it deleted leaves no copy.
void CleanLetterList(std::string_view keyPath) {
    const std::string list = GetRegString(HKEY_CURRENT_USER, keyPath, "MRUList");
    for (size_t i = 0; i < list.size();) {
        const size_t len = CharLength(list, i);
        DeleteRegValue(HKEY_CURRENT_USER, keyPath, list.substr(i, len));
        i += len;
    }
    DeleteRegValue(HKEY_CURRENT_USER, keyPath, "MRUList");
    RegFlushErased();
}

// A numbered list read entry by entry: each entry is read, then deleted, and the first empty (or
// missing, or non-string) one ends the walk after its own deletion.
void CleanNumberedList(std::string_view keyPath, std::string_view prefix, Counter first) {
    for (Counter n = first; n <= kLast; ++n) {
        const std::string name = Numbered(prefix, n);
        const std::string text = GetRegString(HKEY_CURRENT_USER, keyPath, name);
        DeleteRegValue(HKEY_CURRENT_USER, keyPath, name);
        if (text.empty())
            break;
    }
    RegFlushErased();
}

} // namespace

std::string GetRegString(HKEY root, std::string_view keyPath, std::string_view valueName) {
    const std::string path(keyPath);
    const std::string name(valueName);
    // The statuses of the open and the first query are not looked at: a missing key leaves the
    // handle at 0, and the query on it leaves the type at 0, which is "not a string" below.
    RegKey key;
    RegOpenKeyA(root, path.c_str(), key.Out());
    DWORD type = 0;
    DWORD size = 0;
    RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, nullptr, &size);
    if (type != REG_SZ)
        return {};
    std::string buffer(size, ' ');
    // A buffer is always passed, even for an empty value, so this call reads instead of sizing.
    BYTE spare = 0;
    BYTE* data = size > 0 ? reinterpret_cast<BYTE*>(buffer.data()) : &spare;
    if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, data, &size) != ERROR_SUCCESS)
        return {};
    buffer.resize(size); // the value may have shrunk since it was sized
    // The text ends at the first NUL; a value stored without one is all text.
    if (const auto nul = buffer.find('\0'); nul != std::string::npos)
        buffer.resize(nul);
    return buffer;
}

void CleanTypedURLs() {
    CleanNumberedList(kTypedURLs, "url", 1);
}

void CleanRunMRU() {
    CleanLetterList(kRunMRU);
}

void CleanFindMRU() {
    CleanLetterList(kFindMRU);
}

void CleanRecentDocs() {
    SHAddToRecentDocs(0, nullptr);
    CleanRecentDocsMRU();
}

void CleanRecentDocsMRU() {
    CleanLetterList(kRecentDocs);
}

void CleanMediaPlayerMRU() {
    CleanNumberedList(kMediaPlayer, "File", 0);
}

void CleanPaintMRU() {
    // The first entry alone decides: when it holds text, every numbered entry goes, gaps and all.
    const std::string first = GetRegString(HKEY_CURRENT_USER, kPaint, "File1");
    for (Counter n = 1; n <= kLast; ++n) {
        DeleteRegValue(HKEY_CURRENT_USER, kPaint, Numbered("File", n));
        if (first.empty())
            break;
    }
    RegFlushErased();
}

} // namespace corvane::CleanIT

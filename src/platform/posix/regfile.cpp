#include "platform/regfile.h"

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/utf8.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <optional>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvane::platform {
namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kRootName = "HKEY_CURRENT_USER";

// regedit starts a new line once a line of hex data has reached this column.
constexpr size_t kHexWrapColumn = 77;

// The largest .reg file the importer reads. Real exports of a user's hive are a few megabytes;
// the limit keeps a wrong file (a disk image, /dev/zero) from taking all memory.
constexpr std::uint64_t kMaxRegFileBytes = 64ull << 20;

std::string TooLarge(const std::filesystem::path& file) {
    return "cannot import " + file.string() + ": larger than 64 MiB, the limit for .reg files";
}

// --- Text conversion ---------------------------------------------------------------------------
//
// The hive holds the program's 8-bit text (UTF-8 here), which may contain any bytes; a 5.00 file
// is UTF-16. A byte that is not part of well-formed UTF-8 travels as a lone low surrogate
// U+DC80..U+DCFF, which well-formed text never produces, so every byte string converts to UTF-16
// and back exactly.

std::u16string ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp;
        const size_t n = utf8::Decode(text, i, cp);
        if (n == 0) {
            out += static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(text[i]));
            i += 1;
            continue;
        }
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += n;
    }
    return out;
}

std::string FromUtf16(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        const char32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            utf8::Append(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out += static_cast<char>(u - 0xDC00);
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            utf8::Append(out, 0xFFFD); // a stray surrogate that no 8-bit text stands for
        } else {
            utf8::Append(out, u);
        }
    }
    return out;
}

// Little-endian bytes of UTF-16 code units, and back. Callers hand over whole units only.
std::string UnitsToBytes(std::u16string_view units) {
    std::string out;
    out.reserve(units.size() * 2);
    for (const char16_t u : units) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    }
    return out;
}

std::u16string BytesToUnits(std::string_view bytes) {
    std::u16string out;
    out.reserve((bytes.size() + 1) / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto lo = static_cast<unsigned char>(bytes[i]);
        const auto hi = static_cast<unsigned char>(bytes[i + 1]);
        out += static_cast<char16_t>(lo | (hi << 8));
    }
    return out;
}

// The string types whose data a 5.00 file carries as UTF-16.
bool IsTextType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads 1 to 8 hex digits as a number.
std::optional<DWORD> ParseHexNumber(std::string_view s) {
    if (s.empty() || s.size() > 8)
        return std::nullopt;
    DWORD value = 0;
    for (const char c : s) {
        const int d = HexDigit(c);
        if (d < 0)
            return std::nullopt;
        value = (value << 4) | static_cast<DWORD>(d);
    }
    return value;
}

// --- Import ------------------------------------------------------------------------------------

struct Operation {
    enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue } kind;
    int line;
    std::string key; // below HKEY_CURRENT_USER
    std::string name;
    DWORD type = REG_NONE;
    std::string data;
    std::string tail; // the odd last byte of Unicode string data
};

class Importer {
public:
    explicit Importer(std::string_view source) : source_(source) {}

    // Turns the file's bytes into operations; false (with the error) on the first fault.
    bool Parse(std::string_view bytes) {
        std::string text;
        if (!Decode(bytes, text))
            return false;
        std::vector<std::string_view> lines;
        for (size_t start = 0; start <= text.size();) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            std::string_view line(text.data() + start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            lines.push_back(line);
            start = end + 1;
        }
        const std::string_view header = TrimRight(lines.empty() ? "" : lines[0]);
        if (header == kHeader5) {
            unicode_ = true;
        } else if (header == kHeader4) {
            unicode_ = false;
        } else {
            return Fail(1, "not a registry file: the first line must be \"" +
                               std::string(kHeader5) + "\" or \"" + std::string(kHeader4) + "\"");
        }
        for (size_t i = 1; i < lines.size(); ++i) {
            const int number = static_cast<int>(i) + 1;
            std::string_view line = TrimLeft(lines[i]);
            if (TrimRight(line).empty() || line.front() == ';')
                continue;
            if (line.front() == '[') {
                if (!ParseKey(number, TrimRight(line)))
                    return false;
                continue;
            }
            // Long data continues on the following lines while a line ends in a backslash.
            std::string joined(TrimRight(line));
            while (!joined.empty() && joined.back() == '\\' && i + 1 < lines.size()) {
                joined.pop_back();
                joined += TrimRight(TrimLeft(lines[++i]));
            }
            if (!ParseValue(number, joined))
                return false;
        }
        return true;
    }

    // Applies the operations in one transaction: all of them or, on a failure, none.
    bool Apply() {
        RegTransaction transaction;
        if (!transaction.Active())
            return Fail(0, "cannot write the registry hive");
        RegKey current;
        std::string currentPath;
        for (const Operation& op : ops_) {
            LONG rc = ERROR_SUCCESS;
            switch (op.kind) {
            case Operation::CreateKey:
                rc = RegCreateKeyA(HKEY_CURRENT_USER, op.key.c_str(), current.Out());
                currentPath = op.key;
                break;
            case Operation::DeleteKey:
                current.Reset();
                rc = RegDeleteTreeA(HKEY_CURRENT_USER, op.key.c_str());
                if (rc == ERROR_FILE_NOT_FOUND)
                    rc = ERROR_SUCCESS;
                break;
            case Operation::SetValue:
                rc = RegSetValueWithTail(current.Get(), op.name, op.type, op.data, op.tail);
                break;
            case Operation::DeleteValue:
                rc = RegDeleteValueA(current.Get(), op.name.c_str());
                if (rc == ERROR_FILE_NOT_FOUND)
                    rc = ERROR_SUCCESS;
                break;
            }
            if (rc != ERROR_SUCCESS)
                return Fail(op.line, "cannot write the registry (error " + std::to_string(rc) +
                                         "); nothing was imported");
        }
        current.Reset();
        if (!transaction.Commit())
            return Fail(0, "cannot commit to the registry hive; nothing was imported");
        return true;
    }

    const std::string& Error() const { return error_; }

private:
    bool Fail(int line, const std::string& what) {
        error_ = std::string(source_) + (line > 0 ? ":" + std::to_string(line) : "") + ": " + what;
        return false;
    }

    bool Decode(std::string_view bytes, std::string& text) {
        if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
            bytes.remove_prefix(2);
            if (bytes.size() % 2 != 0)
                return Fail(0, "the UTF-16 text ends in half a character");
            text = FromUtf16(BytesToUnits(bytes));
        } else if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') {
            return Fail(1, "big-endian UTF-16 files are not supported");
        } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
            text = bytes.substr(3);
        } else {
            text = bytes;
        }
        return true;
    }

    bool ParseKey(int line, std::string_view text) {
        if (text.back() != ']')
            return Fail(line, "a key line must end in ']'");
        std::string_view name = text.substr(1, text.size() - 2);
        const bool remove = !name.empty() && name.front() == '-';
        if (remove)
            name.remove_prefix(1);
        std::string relative;
        if (!ParseKeyName(name, true, relative))
            return Fail(line, "the key \"" + std::string(name) + "\" is not under " +
                                  std::string(kRootName));
        if (remove && relative.empty())
            return Fail(line, "the root key cannot be deleted");
        if (relative.find('\0') != std::string::npos)
            return Fail(line, "a key name holds a NUL character");
        ops_.push_back({remove ? Operation::DeleteKey : Operation::CreateKey,
                        line,
                        relative,
                        {},
                        REG_NONE,
                        {},
                        {}});
        inKey_ = true;
        keyDeleted_ = remove;
        return true;
    }

    // Reads a quoted text starting at s[0] == '"'; `rest` is what follows the closing quote.
    bool ParseQuoted(int line, std::string_view s, std::string& out, std::string_view& rest) {
        out.clear();
        for (size_t i = 1; i < s.size(); ++i) {
            const char c = s[i];
            if (c == '"') {
                rest = s.substr(i + 1);
                return true;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (++i >= s.size())
                break;
            switch (s[i]) {
            case '\\':
            case '"':
                out += s[i];
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                return Fail(line, std::string("unknown escape \\") + s[i] + " in a quoted text");
            }
        }
        return Fail(line, "a quoted text has no closing '\"'");
    }

    bool ParseValue(int line, std::string_view text) {
        if (text.empty())
            return Fail(line, "a line continued with '\\' holds no value");
        if (!inKey_)
            return Fail(line, "a value before the first key");
        if (keyDeleted_)
            return Fail(line, "a value under a key that is being deleted");
        Operation op{Operation::SetValue, line, ops_.back().key, {}, REG_NONE, {}, {}};
        std::string_view rest;
        if (text.front() == '@') {
            rest = text.substr(1);
        } else if (text.front() == '"') {
            if (!ParseQuoted(line, text, op.name, rest))
                return false;
            if (op.name.find('\0') != std::string::npos)
                return Fail(line, "a value name holds a NUL character");
        } else {
            return Fail(line, "expected a key in [brackets], a value name or a comment");
        }
        rest = TrimLeft(rest);
        if (rest.empty() || rest.front() != '=')
            return Fail(line, "expected '=' after the value name");
        rest = TrimLeft(rest.substr(1));

        if (rest == "-") {
            op.kind = Operation::DeleteValue;
        } else if (!rest.empty() && rest.front() == '"') {
            std::string_view after;
            if (!ParseQuoted(line, rest, op.data, after))
                return false;
            if (!TrimLeft(after).empty())
                return Fail(line, "unexpected text after the quoted string");
            op.type = REG_SZ;
            op.data += '\0'; // a quoted string is stored with its terminating NUL
        } else if (StartsWithNoCase(rest, "dword:")) {
            const auto number = ParseHexNumber(rest.substr(6));
            if (!number)
                return Fail(line, "dword data must be 1 to 8 hex digits");
            op.type = REG_DWORD;
            for (int shift = 0; shift < 32; shift += 8)
                op.data += static_cast<char>((*number >> shift) & 0xFF);
        } else if (StartsWithNoCase(rest, "hex")) {
            if (!ParseHex(line, rest.substr(3), op))
                return false;
        } else {
            return Fail(line, "unknown value data (expected \"text\", dword:, hex:, hex(n): or -)");
        }
        ops_.push_back(std::move(op));
        return true;
    }

    // Parses `:xx,xx,...` or `(n):xx,xx,...` after the word "hex".
    bool ParseHex(int line, std::string_view s, Operation& op) {
        op.type = REG_BINARY;
        if (!s.empty() && s.front() == '(') {
            const size_t close = s.find(')');
            const auto type = close == std::string_view::npos
                                  ? std::nullopt
                                  : ParseHexNumber(s.substr(1, close - 1));
            if (!type)
                return Fail(line, "hex(n) needs a type number of 1 to 8 hex digits");
            op.type = *type;
            s.remove_prefix(close + 1);
        }
        if (s.empty() || s.front() != ':')
            return Fail(line, "expected ':' after hex");
        s.remove_prefix(1);
        std::string bytes;
        while (!TrimLeft(s).empty()) {
            const size_t comma = s.find(',');
            const std::string_view item = TrimRight(TrimLeft(s.substr(0, comma)));
            const auto byte = item.size() <= 2 ? ParseHexNumber(item) : std::nullopt;
            if (!byte)
                return Fail(line, "hex data must be bytes of two hex digits separated by commas");
            bytes += static_cast<char>(*byte);
            if (comma == std::string_view::npos)
                break;
            s.remove_prefix(comma + 1);
        }
        // A 5.00 file carries the string types as UTF-16; the hive keeps the 8-bit text the
        // A-calls see. An odd last byte is no character of that text: it is kept beside it.
        if (unicode_ && IsTextType(op.type)) {
            if (bytes.size() % 2 != 0) {
                op.tail = bytes.substr(bytes.size() - 1);
                bytes.pop_back();
            }
            op.data = FromUtf16(BytesToUnits(bytes));
        } else {
            op.data = std::move(bytes);
        }
        return true;
    }

    std::string_view source_;
    std::string error_;
    bool unicode_ = true;
    bool inKey_ = false;
    bool keyDeleted_ = false;
    std::vector<Operation> ops_;
};

// --- Export ------------------------------------------------------------------------------------

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out + "\"";
}

// A string value goes out quoted only when importing the quoted text gives back the same bytes:
// one terminating NUL and no other, nothing a line break would cut, well-formed text.
bool QuotedCarries(const RegValue& v) {
    if (v.type != REG_SZ || v.data.empty() || v.data.back() != '\0' || !v.tail.empty())
        return false;
    const std::string_view text(v.data.data(), v.data.size() - 1);
    return text.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos &&
           utf8::IsValid(text);
}

std::string ValueLine(const RegValue& v) {
    std::string line = v.name.empty() ? "@" : Quote(v.name);
    line += '=';
    if (QuotedCarries(v))
        return line + Quote(std::string_view(v.data.data(), v.data.size() - 1));
    char buffer[32];
    if (v.type == REG_DWORD && v.data.size() == 4) {
        DWORD number = 0;
        for (int i = 3; i >= 0; --i)
            number = (number << 8) | static_cast<unsigned char>(v.data[static_cast<size_t>(i)]);
        std::snprintf(buffer, sizeof buffer, "dword:%08x", number);
        return line + buffer;
    }
    if (v.type == REG_BINARY)
        line += "hex:";
    else {
        std::snprintf(buffer, sizeof buffer, "hex(%x):", v.type);
        line += buffer;
    }
    const std::string bytes =
        IsTextType(v.type) ? UnitsToBytes(ToUtf16(v.data)) + v.tail : v.data + v.tail;
    // Wrapped as regedit wraps it: a line that has reached the wrap column ends in ",\" and the
    // data goes on, indented by two spaces. The name counts towards the first line.
    size_t column = line.size();
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%02x", static_cast<unsigned char>(bytes[i]));
        line += buffer;
        if (i + 1 == bytes.size())
            break;
        line += ',';
        column += 3;
        if (column >= kHexWrapColumn) {
            line += "\\\r\n  ";
            column = 2;
        }
    }
    return line;
}

// Writes one key (its line, its values) and queues its subkeys for the walk.
struct PendingKey {
    std::shared_ptr<RegKey> parent; // kept open until every subkey of it is written
    std::string name;
    std::string path;
};

LONG ExportOne(const std::shared_ptr<RegKey>& key, const std::string& path, std::string& out,
               std::vector<PendingKey>& pending) {
    std::vector<RegValue> values;
    std::vector<std::string> subKeys;
    if (LONG rc = RegListValues(key->Get(), values); rc != ERROR_SUCCESS)
        return rc;
    if (LONG rc = RegListSubKeys(key->Get(), subKeys); rc != ERROR_SUCCESS)
        return rc;
    out += "[" + path + "]\r\n";
    for (const RegValue& v : values)
        out += ValueLine(v) + "\r\n";
    out += "\r\n";
    for (auto it = subKeys.rbegin(); it != subKeys.rend(); ++it)
        pending.push_back({key, *it, path + "\\" + *it});
    return ERROR_SUCCESS;
}

// Writes a key and everything under it in regedit's order (a key, its values, then each subkey
// with all below it, subkeys sorted). The walk keeps its own list of keys still to write instead
// of recursing, so a tree of any depth exports without running out of stack.
LONG ExportTree(const std::shared_ptr<RegKey>& top, std::string& out) {
    std::string path;
    if (LONG rc = RegKeyPath(top->Get(), path); rc != ERROR_SUCCESS)
        return rc;
    std::vector<PendingKey> pending;
    if (LONG rc = ExportOne(top, path, out, pending); rc != ERROR_SUCCESS)
        return rc;
    while (!pending.empty()) {
        PendingKey next = std::move(pending.back());
        pending.pop_back();
        auto sub = std::make_shared<RegKey>();
        // A subkey deleted meanwhile by another process is simply not exported.
        if (RegOpenKeyA(next.parent->Get(), next.name.c_str(), sub->Out()) != ERROR_SUCCESS)
            continue;
        next.parent.reset();
        if (LONG rc = ExportOne(sub, next.path, out, pending); rc != ERROR_SUCCESS)
            return rc;
    }
    return ERROR_SUCCESS;
}

} // namespace

bool ParseKeyName(std::string_view name, bool rootRequired, std::string& relative) {
    relative.clear();
    const size_t slash = name.find('\\');
    const std::string_view root = name.substr(0, slash);
    const std::string_view rest =
        slash == std::string_view::npos ? std::string_view() : name.substr(slash + 1);
    auto is = [&](std::string_view word) {
        return root.size() == word.size() && StartsWithNoCase(root, word);
    };
    if (is(kRootName) || is("HKCU")) {
        relative = rest;
    } else if (StartsWithNoCase(root, "HKEY_") || is("HKLM") || is("HKCR") || is("HKU") ||
               is("HKCC")) {
        return false;
    } else if (rootRequired) {
        return false;
    } else {
        relative = name;
    }
    while (!relative.empty() && relative.back() == '\\')
        relative.pop_back();
    return true;
}

bool ImportRegText(std::string_view bytes, std::string_view source, std::string& error) {
    Importer importer(source);
    if (!importer.Parse(bytes) || !importer.Apply()) {
        error = importer.Error();
        return false;
    }
    return true;
}

bool ImportRegFile(const std::filesystem::path& file, std::string& error) {
    const FileHandle handle(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    const int fd = handle.Descriptor();
    if (fd < 0) {
        error = "cannot read " + file.string() + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        error = "cannot read " + file.string() + ": it is a folder, not a .reg file";
        return false;
    }
    if (S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) > kMaxRegFileBytes) {
        error = TooLarge(file);
        return false;
    }
    // A pipe or device is read up to the limit and no further: /dev/zero never ends.
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            if (errno == EAGAIN) {
                pollfd p{fd, POLLIN, 0};
                ::poll(&p, 1, -1);
            }
            continue;
        }
        if (n < 0) {
            error = "cannot read " + file.string() + ": " + std::strerror(errno);
            return false;
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<size_t>(n) > kMaxRegFileBytes) {
            error = TooLarge(file);
            return false;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    return ImportRegText(bytes, file.string(), error);
}

bool ExportRegText(std::string_view keyPath, std::string& bytes, std::string& error) {
    auto key = std::make_shared<RegKey>();
    const std::string path(keyPath);
    if (RegOpenKeyA(HKEY_CURRENT_USER, path.c_str(), key->Out()) != ERROR_SUCCESS) {
        error = "no such key: " + std::string(kRootName) + (path.empty() ? "" : "\\" + path);
        return false;
    }
    std::string text(kHeader5);
    text += "\r\n\r\n";
    if (const LONG rc = ExportTree(key, text); rc != ERROR_SUCCESS) {
        error = "cannot read the registry (error " + std::to_string(rc) + ")";
        return false;
    }
    bytes = "\xFF\xFE" + UnitsToBytes(ToUtf16(text));
    return true;
}

bool ExportRegFile(std::string_view keyPath, const std::filesystem::path& file,
                   std::string& error) {
    std::string bytes;
    if (!ExportRegText(keyPath, bytes, error))
        return false;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        error = "cannot write " + file.string();
        return false;
    }
    return true;
}

} // namespace corvane::platform

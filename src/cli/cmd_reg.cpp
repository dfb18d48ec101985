// corvanectl reg: single values of the per-user hive, and .reg text in and out.

#include "cli/command.h"
#include "platform/regfile.h"
#include "platform/registry.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>

namespace corvane::cli {
namespace {

using namespace platform;

struct TypeName {
    DWORD type;
    const char* name;
};

// The names `reg set` accepts and `reg query` prints; the last ones are printed only.
constexpr TypeName kTypes[] = {
    {REG_SZ, "sz"},       {REG_EXPAND_SZ, "expand_sz"},
    {REG_DWORD, "dword"}, {REG_BINARY, "binary"},
    {REG_NONE, "none"},   {REG_MULTI_SZ, "multi_sz"},
    {REG_QWORD, "qword"}, {REG_DWORD_BIG_ENDIAN, "dword_be"},
    {REG_LINK, "link"},
};
constexpr size_t kSettableTypes = 4;

std::string TypeText(DWORD type) {
    for (const TypeName& t : kTypes)
        if (t.type == type)
            return t.name;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%x", type);
    return buffer;
}

std::string HexBytes(std::string_view bytes) {
    std::string out;
    char buffer[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, i ? ",%02x" : "%02x",
                      static_cast<unsigned char>(bytes[i]));
        out += buffer;
    }
    return out;
}

std::string DataText(const RegValue& v) {
    if (v.type == REG_SZ || v.type == REG_EXPAND_SZ)
        return v.data.substr(0, v.data.find('\0'));
    if (v.type == REG_DWORD && v.data.size() == 4) {
        DWORD n = 0;
        for (int i = 3; i >= 0; --i)
            n = (n << 8) | static_cast<unsigned char>(v.data[static_cast<size_t>(i)]);
        return std::to_string(n);
    }
    return HexBytes(v.data);
}

// "@" on the command line is the default value, whose name is empty.
std::string ValueName(const std::string& arg) {
    return arg == "@" ? std::string() : arg;
}

// Parses `sz|expand_sz|dword|binary DATA` into a type and the bytes to store.
std::optional<std::pair<DWORD, std::string>> ParseData(const std::string& type,
                                                       const std::string& text) {
    for (size_t i = 0; i < kSettableTypes; ++i) {
        if (type != kTypes[i].name)
            continue;
        const DWORD code = kTypes[i].type;
        if (code == REG_SZ || code == REG_EXPAND_SZ)
            return std::make_pair(code, text + '\0'); // stored as Windows stores strings
        if (code == REG_DWORD) {
            errno = 0;
            char* end = nullptr;
            // Decimal, or hex with 0x; a leading 0 is not taken for octal.
            const bool hex =
                text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
            const unsigned long long n = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
            if (text.empty() || text[0] == '-' || *end != '\0' || errno != 0 || n > 0xFFFFFFFFull)
                return std::nullopt;
            std::string bytes;
            for (int shift = 0; shift < 32; shift += 8)
                bytes += static_cast<char>((n >> shift) & 0xFF);
            return std::make_pair(code, bytes);
        }
        std::string digits;
        for (const char c : text)
            if (c != ',' && c != ' ')
                digits += c;
        if (digits.size() % 2 != 0)
            return std::nullopt;
        std::string bytes;
        for (size_t k = 0; k < digits.size(); k += 2) {
            char* end = nullptr;
            const std::string pair = digits.substr(k, 2);
            const long b = std::strtol(pair.c_str(), &end, 16);
            if (*end != '\0' || !std::isxdigit(static_cast<unsigned char>(pair[0])))
                return std::nullopt;
            bytes += static_cast<char>(b);
        }
        return std::make_pair(code, bytes);
    }
    return std::nullopt;
}

// Opens (or creates) the key named on the command line; prints the failure itself.
bool OpenKey(const std::string& name, bool create, RegKey& key, int& exitCode) {
    std::string relative;
    if (!ParseKeyName(name, false, relative)) {
        exitCode = Failure("only HKEY_CURRENT_USER is provided by this world: " + name);
        return false;
    }
    const LONG rc = create ? RegCreateKeyA(HKEY_CURRENT_USER, relative.c_str(), key.Out())
                           : RegOpenKeyA(HKEY_CURRENT_USER, relative.c_str(), key.Out());
    if (rc == ERROR_FILE_NOT_FOUND) {
        exitCode = Failure("no such key: " + name);
        return false;
    }
    if (rc != ERROR_SUCCESS) {
        exitCode = Failure("cannot open " + name + " (error " + std::to_string(rc) + ")");
        return false;
    }
    return true;
}

void PrintValue(const std::string& shownName, const RegValue& v) {
    std::cout << shownName << '\t' << TypeText(v.type) << '\t' << DataText(v) << '\n';
}

int Query(const std::vector<std::string>& args) {
    RegKey key;
    int exitCode = 0;
    if (!OpenKey(args[1], false, key, exitCode))
        return exitCode;
    if (args.size() == 3) {
        const std::string name = ValueName(args[2]);
        RegValue v;
        DWORD size = 0;
        if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &v.type, nullptr, &size) !=
            ERROR_SUCCESS)
            return Failure("no such value: " + args[2]);
        v.data.assign(size + 1, '\0'); // one spare byte, so the buffer is never null
        if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &v.type,
                             reinterpret_cast<BYTE*>(v.data.data()), &size) != ERROR_SUCCESS)
            return Failure("cannot read " + args[2]);
        v.data.resize(size);
        PrintValue(args[2], v);
        return 0;
    }
    std::vector<RegValue> values;
    if (RegListValues(key.Get(), values) != ERROR_SUCCESS)
        return Failure("cannot read " + args[1]);
    for (const RegValue& v : values)
        PrintValue(v.name.empty() ? "@" : v.name, v);
    return 0;
}

int Reg(const std::vector<std::string>& args) {
    if (args.empty())
        return UsageError("reg needs a subcommand");
    const std::string& sub = args[0];
    std::string error;
    if (sub == "import" && args.size() == 2) {
        if (!ImportRegFile(args[1], error))
            return Failure(error);
        return 0;
    }
    if (sub == "export" && (args.size() == 2 || args.size() == 3)) {
        std::string relative;
        if (!ParseKeyName(args[1], false, relative))
            return Failure("only HKEY_CURRENT_USER is provided by this world: " + args[1]);
        if (args.size() == 3)
            return ExportRegFile(relative, args[2], error) ? 0 : Failure(error);
        std::string bytes;
        if (!ExportRegText(relative, bytes, error))
            return Failure(error);
        std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return std::cout.flush() ? 0 : Failure("cannot write to standard output");
    }
    if (sub == "set" && args.size() == 5) {
        const auto data = ParseData(args[3], args[4]);
        if (!data)
            return UsageError("reg set: TYPE must be sz, expand_sz, dword or binary, with DATA "
                              "of that type (dword: a number; binary: hex bytes)");
        RegKey key;
        int exitCode = 0;
        if (!OpenKey(args[1], true, key, exitCode))
            return exitCode;
        const LONG rc = RegSetValueExA(key.Get(), ValueName(args[2]).c_str(), 0, data->first,
                                       reinterpret_cast<const BYTE*>(data->second.data()),
                                       static_cast<DWORD>(data->second.size()));
        return rc == ERROR_SUCCESS
                   ? 0
                   : Failure("cannot write " + args[2] + " (error " + std::to_string(rc) + ")");
    }
    if (sub == "delete" && args.size() == 3) {
        RegKey key;
        int exitCode = 0;
        if (!OpenKey(args[1], false, key, exitCode))
            return exitCode;
        const LONG rc = RegDeleteValueA(key.Get(), ValueName(args[2]).c_str());
        if (rc == ERROR_FILE_NOT_FOUND)
            return Failure("no such value: " + args[2]);
        return rc == ERROR_SUCCESS
                   ? 0
                   : Failure("cannot delete " + args[2] + " (error " + std::to_string(rc) + ")");
    }
    if (sub == "query" && (args.size() == 2 || args.size() == 3))
        return Query(args);
    return UsageError("unknown or incomplete reg command");
}

const Registrar
    registrar("reg",
              "  reg import FILE             import a .reg file (REGEDIT4 or 5.00)\n"
              "  reg export KEY [FILE]       export KEY and its subkeys as 5.00 text (to stdout "
              "without FILE)\n"
              "  reg set KEY NAME sz|expand_sz|dword|binary DATA\n"
              "                              write one value (NAME @ is the default value)\n"
              "  reg delete KEY NAME         delete one value\n"
              "  reg query KEY [NAME]        print name<TAB>type<TAB>data per value\n",
              Reg);

} // namespace
} // namespace corvane::cli

#include "platform/regfile.h"

#include "platform/registry.h"
#include "support/TempWorld.h"
#include "traces/CleanIT.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <pthread.h>

using namespace corvane::platform;
using corvane::testing::TempWorld;
namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

fs::path Fixture(const char* name) {
    return fs::path(CORVANE_SOURCE_DIR) / "tests/data" / name;
}

// UTF-16LE bytes with a byte-order mark, for text that is plain ASCII.
std::string Utf16(std::string_view ascii) {
    std::string out = "\xFF\xFE";
    for (const char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// Every key below `path` with its values, in export order, one line per value.
void Dump(HKEY key, std::vector<std::string>& out) {
    std::string path;
    ASSERT_EQ(RegKeyPath(key, path), ERROR_SUCCESS);
    out.push_back("[" + path + "]");
    std::vector<RegValue> values;
    ASSERT_EQ(RegListValues(key, values), ERROR_SUCCESS);
    for (const auto& v : values)
        out.push_back(v.name + "|" + std::to_string(v.type) + "|" + v.data);
    std::vector<std::string> subKeys;
    ASSERT_EQ(RegListSubKeys(key, subKeys), ERROR_SUCCESS);
    for (const auto& name : subKeys) {
        RegKey sub;
        ASSERT_EQ(RegOpenKeyA(key, name.c_str(), sub.Out()), ERROR_SUCCESS);
        Dump(sub.Get(), out);
    }
}

std::vector<std::string> Dump(const char* keyPath) {
    RegKey key;
    std::vector<std::string> out;
    if (RegOpenKeyA(HKEY_CURRENT_USER, keyPath, key.Out()) == ERROR_SUCCESS)
        Dump(key.Get(), out);
    return out;
}

std::optional<RegValue> Value(const char* keyPath, const char* name) {
    RegKey key;
    RegValue v;
    DWORD size = 0;
    if (RegOpenKeyA(HKEY_CURRENT_USER, keyPath, key.Out()) != ERROR_SUCCESS ||
        RegQueryValueExA(key.Get(), name, nullptr, &v.type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    v.data.assign(size + 1, '\0');
    RegQueryValueExA(key.Get(), name, nullptr, &v.type, reinterpret_cast<BYTE*>(v.data.data()),
                     &size);
    v.data.resize(size);
    return v;
}

void Put(const char* keyPath, const char* name, DWORD type, const std::string& data) {
    RegKey key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, keyPath, key.Out()), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.Get(), name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
}

bool Import(std::string_view text, std::string& error) {
    return ImportRegText(text, "test.reg", error);
}

} // namespace

TEST(RegFile, ImportsTheSampleExportWithItsTypesAndBytes) {
    TempWorld w;
    std::string error;
    ASSERT_TRUE(ImportRegFile(Fixture("regedit5-sample.reg"), error)) << error;
    const char* key = "Software\\Sample Traces";
    auto v = Value(key, "");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->data, std::string("default value\0", 14));
    v = Value(key, "Plain");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->data,
              std::string("C:\\Documents and Settings\\user\\My Documents\\plan \"A\".doc") + '\0');
    v = Value(key, "Unicode");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->data, std::string("Zürich – 東京") + '\0');
    v = Value(key, "Empty");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->data, std::string(1, '\0'));
    v = Value(key, "Count");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, REG_DWORD);
    EXPECT_EQ(v->data, std::string("\x2a\0\0\0", 4));
    v = Value(key, "Big");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, REG_QWORD);
    EXPECT_EQ(v->data, std::string("\xcb\x04\xfb\x71\x1f\x01\0\0", 8));
    v = Value(key, "Blob");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, REG_BINARY);
    EXPECT_EQ(v->data.size(), 42u); // joined across the wrapped line
    EXPECT_EQ(v->data.substr(20, 4), "\x22\x33\x44\x55");
    // The UTF-16 string types arrive as the program's 8-bit text.
    v = Value(key, "Expand");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, REG_EXPAND_SZ);
    EXPECT_EQ(v->data, std::string("%USERPROFILE%\\Recent\0", 21));
    v = Value(key, "Multi");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, REG_MULTI_SZ);
    EXPECT_EQ(v->data, std::string("one\0two\0three\0\0", 15));
    v = Value("Software\\Sample Traces\\Sub Key", "MRUList");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->data, std::string("cab\0", 4));
}

TEST(RegFile, RealExportsReExportAsTheyCameAndImportAgainToTheSameValues) {
    for (const auto& [file, key] : {std::pair{"regedit5-sample.reg", "Software\\Sample Traces"},
                                    std::pair{"regedit5-control-panel.reg", "Control Panel"}}) {
        std::string exported;
        std::vector<std::string> values;
        {
            TempWorld w;
            std::string error;
            ASSERT_TRUE(ImportRegFile(Fixture(file), error)) << error;
            ASSERT_TRUE(ExportRegText(key, exported, error)) << error;
            EXPECT_EQ(exported, ReadFile(Fixture(file))) << file;
            values = Dump(key);
            EXPECT_GT(values.size(), 10u);
        }
        TempWorld fresh;
        std::string error;
        ASSERT_TRUE(ImportRegText(exported, "exported.reg", error)) << error;
        EXPECT_EQ(Dump(key), values) << file;
    }
}

TEST(RegFile, ValuesQuotedTextCannotCarryRoundTripExactly) {
    TempWorld w;
    const char* key = "Software\\Awkward";
    Put(key, "NoNul", REG_SZ, "bare");
    Put(key, "InnerNul", REG_SZ, std::string("a\0b\0", 4));
    Put(key, "TwoNuls", REG_SZ, std::string("a\0\0", 3));
    Put(key, "Lines", REG_SZ, std::string("one\r\ntwo\0", 9));
    Put(key, "Latin1", REG_SZ, std::string("caf\xe9\0", 5));
    Put(key, "Nothing", REG_SZ, "");
    Put(key, "Multi", REG_MULTI_SZ, std::string("\xff\xfe\0\xed\xb2\x80\0\0", 8));
    Put(key, "Short", REG_DWORD, "\x01\x02");
    Put(key, "Odd", 0x20001, "raw");
    Put(key, "None", REG_NONE, "");
    Put(key, "Quote \"and\" \\slash\\", REG_SZ, std::string("\"q\" \\\0", 6));
    Put(key, "Bad \xc3 name", REG_BINARY, std::string(300, '\x7f'));
    Put(key, "", REG_EXPAND_SZ, std::string("%x%\0", 4));
    Put("Software\\Awkward\\Sub \xf0 key", "v", REG_SZ, std::string("\0", 1));
    const auto before = Dump(key);

    std::string exported;
    std::string error;
    ASSERT_TRUE(ExportRegText(key, exported, error)) << error;
    // Strings that quoted text carries exactly stay readable in the file.
    EXPECT_NE(
        exported.find(
            std::string(Utf16("\"Quote \\\"and\\\" \\\\slash\\\\\"=\"\\\"q\\\" \\\\\"")).substr(2)),
        std::string::npos);
    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, key), ERROR_SUCCESS);
    ASSERT_TRUE(Import(exported, error)) << error;
    EXPECT_EQ(Dump(key), before);
}

TEST(RegFile, ExportSortsKeysAndKeepsValueOrderAndWrapsLongData) {
    TempWorld w;
    for (const char* sub : {"b", "A", "c"})
        Put((std::string("Software\\Order\\") + sub).c_str(), "v", REG_SZ, std::string("x\0", 2));
    Put("Software\\Order", "zeta", REG_SZ, std::string("1\0", 2));
    Put("Software\\Order", "alpha", REG_SZ, std::string("2\0", 2));
    Put("Software\\Order", "Long", REG_BINARY, std::string(30, '\xab'));
    std::string bytes;
    std::string error;
    ASSERT_TRUE(ExportRegText("software\\order", bytes, error)) << error;
    const std::string expected =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Order]\r\n"
        "\"zeta\"=\"1\"\r\n"
        "\"alpha\"=\"2\"\r\n"
        "\"Long\"=hex:ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,\\\r\n"
        "  ab,ab,ab,ab,ab,ab,ab,ab\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Order\\A]\r\n\"v\"=\"x\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Order\\b]\r\n\"v\"=\"x\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Order\\c]\r\n\"v\"=\"x\"\r\n\r\n";
    EXPECT_EQ(bytes, Utf16(expected));
    EXPECT_FALSE(ExportRegText("Software\\Missing", bytes, error));
}

TEST(RegFile, ReadsRegedit4AndUtf8AndLfAndDeletions) {
    TempWorld w;
    std::string error;
    Put("Software\\Old\\Deep", "x", REG_SZ, "1");
    Put("Software\\Mixed", "gone", REG_SZ, "1");
    // REGEDIT4 is 8-bit text: its hex(2) data is taken as it is, not as UTF-16.
    ASSERT_TRUE(Import("REGEDIT4\n\n"
                       "[HKEY_CURRENT_USER\\Software\\Mixed]\n"
                       "\"Text\"=\"caf\xc3\xa9\"\n"
                       "\"Path\"=hex(2):25,54,25,00\n"
                       "\"gone\"=-\n"
                       "\"never there\"=-\n"
                       "; a comment\n"
                       "  \"Num\" = DWORD:1F\n"
                       "[-HKEY_CURRENT_USER\\Software\\Old]\n"
                       "[-HKCU\\Software\\Never There]\n",
                       error))
        << error;
    EXPECT_EQ(Value("Software\\Mixed", "Text")->data, std::string("caf\xc3\xa9\0", 6));
    EXPECT_EQ(Value("Software\\Mixed", "Path")->data, std::string("%T%\0", 4));
    EXPECT_EQ(Value("Software\\Mixed", "Num")->data, std::string("\x1f\0\0\0", 4));
    EXPECT_FALSE(Value("Software\\Mixed", "gone"));
    RegKey probe;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Old", probe.Out()), ERROR_FILE_NOT_FOUND);

    // A 5.00 file in UTF-8 with a byte-order mark, CR LF, hex(7) as UTF-16 and wrapped data.
    ASSERT_TRUE(Import("\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_CURRENT_USER\\Software\\Utf8]\r\n"
                       "@=\"d\"\r\n"
                       "\"M\"=hex(7):61,00,00,00,\\\r\n"
                       "  00,00\r\n",
                       error))
        << error;
    EXPECT_EQ(Value("Software\\Utf8", "")->data, std::string("d\0", 2));
    EXPECT_EQ(Value("Software\\Utf8", "M")->data, std::string("a\0\0", 3));
}

TEST(RegFile, RejectsBadFilesNamingTheLineAndImportsNothing) {
    const std::string good = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Good]\r\n"
                             "\"a\"=\"1\"\r\n";
    const std::pair<std::string, std::string> cases[] = {
        {"Windows Registry Editor Version 4.00\r\n", "test.reg:1:"},
        {"", "test.reg:1:"},
        {good + "\"b\"=\"unterminated\r\n", "test.reg:5:"},
        {good + "\"b\"=hex:0g\r\n", "test.reg:5:"},
        {good + "\"b\"=hex:100\r\n", "test.reg:5:"},
        {good + "\"b\"=hex:01,,02\r\n", "test.reg:5:"},
        {good + "\"b\"=dword:123456789\r\n", "test.reg:5:"},
        {good + "\"b\"=dword:\r\n", "test.reg:5:"},
        {good + "\"b\"=\"c:\\dir\"\r\n", "test.reg:5:"},
        {good + "\"b\"\"x\"\r\n", "test.reg:5:"},
        {good + "\"b\"=word:1\r\n", "test.reg:5:"},
        {good + "\"b\"=\"x\" trailing\r\n", "test.reg:5:"},
        {good + "\r\nnonsense\r\n", "test.reg:6:"},
        {good + "[HKEY_LOCAL_MACHINE\\Software]\r\n", "test.reg:5:"},
        {good + "[Software\\NoRoot]\r\n", "test.reg:5:"},
        {good + "[HKEY_CURRENT_USER\\Software\\Open\r\n", "test.reg:5:"},
        {good + "[-HKEY_CURRENT_USER]\r\n", "test.reg:5:"},
        {good + "[-HKEY_CURRENT_USER\\Software\\X]\r\n\"v\"=\"1\"\r\n", "test.reg:6:"},
        {good + "\"b\"=hex(zz):00\r\n", "test.reg:5:"},
        {good + "\"b\"=hex:01,\\\r\n  02,zz\r\n", "test.reg:5:"},
        {"Windows Registry Editor Version 5.00\r\n\"a\"=\"1\"\r\n", "test.reg:2:"},
    };
    TempWorld w;
    for (const auto& [text, where] : cases) {
        std::string error;
        EXPECT_FALSE(Import(text, error)) << text;
        EXPECT_EQ(error.rfind(where, 0), 0u) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_GT(error.size(), where.size() + 5) << "says what is wrong: " << error;
        RegKey probe;
        EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Good", probe.Out()),
                  ERROR_FILE_NOT_FOUND)
            << text;
    }
    std::string error;
    EXPECT_FALSE(
        ImportRegText(Utf16("Windows Registry Editor Version 5.00\r\n") + "x", "odd.reg", error));
    EXPECT_FALSE(ImportRegFile(w.Root() / "missing.reg", error));
    EXPECT_NE(error.find("missing.reg"), std::string::npos);
}

TEST(RegFile, KeyNamesOnTheCommandLine) {
    std::string relative;
    EXPECT_TRUE(ParseKeyName("HKEY_CURRENT_USER\\Software\\X", true, relative));
    EXPECT_EQ(relative, "Software\\X");
    EXPECT_TRUE(ParseKeyName("hkcu\\Software\\", true, relative));
    EXPECT_EQ(relative, "Software");
    EXPECT_TRUE(ParseKeyName("HKEY_CURRENT_USER", true, relative));
    EXPECT_EQ(relative, "");
    EXPECT_TRUE(ParseKeyName("Software\\X", false, relative));
    EXPECT_EQ(relative, "Software\\X");
    EXPECT_FALSE(ParseKeyName("Software\\X", true, relative));
    EXPECT_FALSE(ParseKeyName("HKLM\\Software", false, relative));
    EXPECT_FALSE(ParseKeyName("HKEY_LOCAL_MACHINE\\Software", false, relative));
    EXPECT_TRUE(ParseKeyName("HKEY_CURRENT_USERS\\x", false, relative) == false);
}

// A Unicode file's string data is UTF-16: an odd last byte is no character. The hive keeps it
// (export writes the file's bytes back), but the A-calls see only the whole characters, so the
// erasers read such values as a real registry answers them.
TEST(RegFile, OddLengthStringDataKeepsItsBytesButTheACallsSeeWholeCharactersOnly) {
    TempWorld w;
    const std::string odd = "Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Odd]\r\n"
                            "\"MRUList\"=hex(1):61,00,62\r\n"
                            "\"url1\"=hex(1):41\r\n"
                            "\"even\"=hex(2):41,00,42,00\r\n";
    std::string error;
    ASSERT_TRUE(Import(Utf16(odd), error)) << error;
    EXPECT_EQ(Value("Software\\Odd", "MRUList")->data, "a");
    EXPECT_EQ(Value("Software\\Odd", "url1")->data, "");
    EXPECT_EQ(Value("Software\\Odd", "even")->data, "AB");
    std::string bytes;
    ASSERT_TRUE(ExportRegText("Software\\Odd", bytes, error)) << error;
    EXPECT_EQ(bytes, Utf16(odd + "\r\n"));
    // Written again through the A-calls, the value is whole text and the odd byte is gone.
    Put("Software\\Odd", "MRUList", REG_SZ, "ab");
    ASSERT_TRUE(ExportRegText("Software\\Odd", bytes, error)) << error;
    EXPECT_NE(bytes.find(Utf16("\"MRUList\"=hex(1):61,00,62,00\r\n").substr(2)), std::string::npos);

    // The erasers then keep what a real registry keeps: "b" of the letter list, the typed
    // addresses after the empty url1, the paint entries after File1.
    const std::string lists =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU]\r\n"
        "\"a\"=\"first\"\r\n\"b\"=\"second\"\r\n\"MRUList\"=hex(1):61,00,62\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs]\r\n"
        "\"url1\"=hex(1):41\r\n\"url2\"=\"http://two.example/\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\"
        "Recent File List]\r\n"
        "\"File1\"=hex(1):70\r\n\"File2\"=\"C:\\\\p2.bmp\"\r\n";
    ASSERT_TRUE(Import(Utf16(lists), error)) << error;
    corvane::CleanIT::CleanRunMRU();
    corvane::CleanIT::CleanTypedURLs();
    corvane::CleanIT::CleanPaintMRU();
    EXPECT_FALSE(Value("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU", "a"));
    EXPECT_TRUE(Value("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU", "b"));
    EXPECT_FALSE(Value("Software\\Microsoft\\Internet Explorer\\TypedURLs", "url1"));
    EXPECT_TRUE(Value("Software\\Microsoft\\Internet Explorer\\TypedURLs", "url2"));
    const char* paint =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List";
    EXPECT_FALSE(Value(paint, "File1"));
    EXPECT_TRUE(Value(paint, "File2"));
}

TEST(RegFile, NamesHoldingANulAreRefusedNeverCut) {
    TempWorld w;
    const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n";
    using namespace std::string_literals;
    const std::string cases[] = {
        head + "[HKEY_CURRENT_USER\\Software\\Target]\r\n\"Run\0Other\"=\"x\"\r\n"s,
        head + "[HKEY_CURRENT_USER\\Software\\Target\0Elsewhere]\r\n\"a\"=\"x\"\r\n"s,
    };
    for (const std::string& text : cases) {
        std::string error;
        EXPECT_FALSE(Import(Utf16(text), error)) << error;
        EXPECT_NE(error.find("NUL"), std::string::npos) << error;
        EXPECT_TRUE(Dump("Software\\Target").empty()) << "nothing written under a cut name";
    }
    RegKey key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Direct", key.Out()), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueWithTail(key.Get(), std::string_view("a\0b", 3), REG_SZ, "x", ""),
              ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(Dump("Software\\Direct").size() == 1) << "no value named \"a\" appeared";
}

TEST(RegFile, AContinuationLineWithNothingToContinueIsAnError) {
    TempWorld w;
    std::string error;
    EXPECT_FALSE(Import("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\C]\r\n\\\r\n\r\n", error));
    EXPECT_EQ(error.rfind("test.reg:4:", 0), 0u) << error;
    EXPECT_NE(error.find("continued"), std::string::npos) << error;
}

TEST(RegFile, FoldersDevicesAndHugeFilesAreRefusedWithOneLine) {
    TempWorld w;
    std::string error;
    EXPECT_FALSE(ImportRegFile(w.Root(), error));
    EXPECT_NE(error.find("folder"), std::string::npos) << error;
    EXPECT_FALSE(ImportRegFile("/dev/zero", error));
    EXPECT_NE(error.find("64 MiB"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    const fs::path big = w.Root() / "big.reg";
    {
        std::ofstream out(big, std::ios::binary);
        out << "REGEDIT4\r\n";
    }
    fs::resize_file(big, (64u << 20) + 1);
    EXPECT_FALSE(ImportRegFile(big, error));
    EXPECT_NE(error.find("64 MiB"), std::string::npos) << error;
}

namespace {

struct ExportRun {
    std::string bytes;
    std::string error;
    bool ok = false;
};

void* RunExport(void* arg) {
    auto* run = static_cast<ExportRun*>(arg);
    run->ok = ExportRegText("Software\\Deep", run->bytes, run->error);
    return nullptr;
}

} // namespace

// Export walks the tree without recursing: a deep tree exports whole even on a small stack.
TEST(RegFile, DeepTreesExportOnASmallStack) {
    TempWorld w;
    constexpr int kDepth = 2500;
    std::string path = "Software\\Deep";
    for (int i = 0; i < kDepth; ++i)
        path += "\\k";
    {
        RegKey key;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), key.Out()), ERROR_SUCCESS);
        Put(path.c_str(), "leaf", REG_SZ, std::string("bottom\0", 7));
    }
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 256 * 1024);
    ExportRun run;
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attr, RunExport, &run), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    ASSERT_TRUE(run.ok) << run.error;
    const std::string last =
        Utf16("[HKEY_CURRENT_USER\\" + path + "]\r\n\"leaf\"=\"bottom\"\r\n").substr(2);
    EXPECT_NE(run.bytes.find(last), std::string::npos);
    size_t keys = 0;
    for (size_t at = run.bytes.find(Utf16("\r\n[").substr(2)); at != std::string::npos;
         at = run.bytes.find(Utf16("\r\n[").substr(2), at + 1))
        ++keys;
    EXPECT_EQ(keys, static_cast<size_t>(kDepth) + 1);
}

#include "platform/registry.h"
#include "support/Corvanectl.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

using namespace corvane::platform;
using corvane::testing::RunCorvanectl;
using corvane::testing::TempWorld;
namespace fs = std::filesystem;

namespace {

size_t Lines(const std::string& s) {
    return static_cast<size_t>(std::count(s.begin(), s.end(), '\n'));
}

std::string Stored(const char* keyPath, const char* name) {
    RegKey key;
    DWORD type = 0;
    DWORD size = 0;
    if (RegOpenKeyA(HKEY_CURRENT_USER, keyPath, key.Out()) != ERROR_SUCCESS ||
        RegQueryValueExA(key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return "<missing>";
    std::string data(size + 1, '\0');
    RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    data.resize(size);
    return data;
}

} // namespace

TEST(CmdReg, SetQueryAndDelete) {
    TempWorld w;
    const std::string key = "HKEY_CURRENT_USER\\Software\\Ctl";
    EXPECT_EQ(RunCorvanectl({"reg", "set", key, "Name", "sz", "hello world"}).exitCode, 0);
    EXPECT_EQ(
        RunCorvanectl({"reg", "set", "HKCU\\Software\\Ctl", "@", "expand_sz", "%TEMP%"}).exitCode,
        0);
    EXPECT_EQ(RunCorvanectl({"reg", "set", "Software\\Ctl", "Count", "dword", "0x2a"}).exitCode, 0);
    EXPECT_EQ(RunCorvanectl({"reg", "set", "Software\\Ctl", "Blob", "binary", "00,ff,10"}).exitCode,
              0);
    EXPECT_EQ(RunCorvanectl({"reg", "set", "Software\\Ctl", "Max", "dword", "4294967295"}).exitCode,
              0);
    EXPECT_EQ(RunCorvanectl({"reg", "set", "Software\\Ctl", "Ten", "dword", "010"}).exitCode, 0);
    EXPECT_EQ(Stored("Software\\Ctl", "Ten"), std::string("\x0a\0\0\0", 4));
    EXPECT_EQ(Stored("Software\\Ctl", "Name"), std::string("hello world") + '\0');
    EXPECT_EQ(Stored("Software\\Ctl", "Blob"), std::string("\x00\xff\x10", 3));

    const auto all = RunCorvanectl({"reg", "query", "software\\ctl"});
    EXPECT_EQ(all.exitCode, 0) << all.err;
    EXPECT_EQ(all.out, "Name\tsz\thello world\n"
                       "@\texpand_sz\t%TEMP%\n"
                       "Count\tdword\t42\n"
                       "Blob\tbinary\t00,ff,10\n"
                       "Max\tdword\t4294967295\n"
                       "Ten\tdword\t10\n");
    const auto one = RunCorvanectl({"reg", "query", key, "count"});
    EXPECT_EQ(one.exitCode, 0);
    EXPECT_EQ(one.out, "count\tdword\t42\n");

    EXPECT_EQ(RunCorvanectl({"reg", "delete", key, "Count"}).exitCode, 0);
    EXPECT_EQ(Stored("Software\\Ctl", "Count"), "<missing>");
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"reg", "query", key, "Count"},
                                               {"reg", "query", "Software\\Nope"},
                                               {"reg", "delete", key, "Count"},
                                               {"reg", "delete", "Software\\Nope", "x"},
                                               {"reg", "query", "HKEY_LOCAL_MACHINE\\Software"},
                                               {"reg", "export", "Software\\Nope"}}) {
        const auto r = RunCorvanectl(args);
        EXPECT_EQ(r.exitCode, 1) << args[1] << " " << args[2];
        EXPECT_EQ(Lines(r.err), 1u) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

TEST(CmdReg, UsageErrorsExitTwo) {
    TempWorld w;
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"reg"},
             {"reg", "frobnicate"},
             {"reg", "set", "Software\\X", "v", "qword", "1"},
             {"reg", "set", "Software\\X", "v", "dword", "-1"},
             {"reg", "set", "Software\\X", "v", "dword", "4294967296"},
             {"reg", "set", "Software\\X", "v", "dword", "12abc"},
             {"reg", "set", "Software\\X", "v", "binary", "0g"},
             {"reg", "set", "Software\\X", "v", "binary", "123"},
             {"reg", "query"},
             {"reg", "import"},
             {"erase"},
             {"erase", "everything"}}) {
        const auto r = RunCorvanectl(args);
        EXPECT_EQ(r.exitCode, 2) << args.back();
        EXPECT_NE(r.err.find("usage:"), std::string::npos);
    }
    // Nothing was written by the refused commands.
    RegKey probe;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\X", probe.Out()), ERROR_FILE_NOT_FOUND);
}

TEST(CmdReg, ImportAndExportFiles) {
    TempWorld w;
    const fs::path sample = fs::path(CORVANE_SOURCE_DIR) / "tests/data/regedit5-sample.reg";
    auto r = RunCorvanectl({"reg", "import", sample.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Stored("Software\\Sample Traces", "url1"),
              std::string("http://www.example.com/") + '\0');

    const fs::path out = w.Root() / "out.reg";
    r = RunCorvanectl({"reg", "export", "HKCU\\Software\\Sample Traces", out.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::ifstream a(out, std::ios::binary), b(sample, std::ios::binary);
    const std::string exported((std::istreambuf_iterator<char>(a)), {});
    const std::string original((std::istreambuf_iterator<char>(b)), {});
    EXPECT_EQ(exported, original);
    r = RunCorvanectl({"reg", "export", "Software\\Sample Traces"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, original);

    const fs::path bad =
        TempWorld::Write(w.Root() / "bad.reg", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Bad]\n"
                                               "\"a\"=\"1\"\n\"b\"=dword:xyz\n");
    r = RunCorvanectl({"reg", "import", bad.string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Lines(r.err), 1u);
    EXPECT_NE(r.err.find(bad.string() + ":5:"), std::string::npos) << r.err;
    EXPECT_EQ(Stored("Software\\Bad", "a"), "<missing>");
    r = RunCorvanectl({"reg", "import", (w.Root() / "absent.reg").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Lines(r.err), 1u);
}

TEST(CmdReg, DamagedHiveIsReplacedWithOneLine) {
    TempWorld w;
    RegReleaseHive();
    TempWorld::Write(w.Prefix() / "registry.sqlite", "garbage, not a database");
    const auto r = RunCorvanectl({"reg", "query",
                                  "Software\\Microsoft\\Windows\\CurrentVersion\\"
                                  "Explorer\\Shell Folders",
                                  "Cookies"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Lines(r.err), 1u) << r.err;
    EXPECT_NE(r.out.find("\\Cookies"), std::string::npos);
}

// Input that is no .reg file ends with one clear line and exit status 1, never an abort.
TEST(CmdReg, ImportOfAFolderADeviceOrABrokenFileFailsWithOneLine) {
    TempWorld w;
    const fs::path broken = w.Root() / "continued.reg";
    TempWorld::Write(broken, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\C]\r\n\\\r\n\r\n");
    for (const std::string& file : {w.Root().string(), std::string("/dev/zero"), broken.string()}) {
        const auto r = RunCorvanectl({"reg", "import", file});
        EXPECT_EQ(r.exitCode, 1) << file << ": " << r.err;
        EXPECT_EQ(Lines(r.err), 1u) << r.err;
    }
}

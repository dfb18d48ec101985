// corvanectl shred, run as a program against a temporary world.

#include "platform/world.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::TempWorld;

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs corvanectl with the words given; standard input is empty (no person to answer).
Result Ctl(const TempWorld& world, const std::vector<std::string>& words) {
    std::string cmd = Quote(std::string(CORVANE_BIN_DIR) + "/corvanectl") + " --prefix " +
                      Quote(world.Prefix().string());
    for (const auto& w : words)
        cmd += " " + Quote(w);
    const fs::path errFile = world.Root() / "ctl.err";
    cmd += " </dev/null 2>" + Quote(errFile.string());
    Result r;
    FILE* pipe = ::popen(cmd.c_str(), "r");
    if (pipe == nullptr)
        return r;
    std::array<char, 4096> buffer;
    while (size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        r.out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(errFile);
    std::ostringstream err;
    err << in.rdbuf();
    r.err = err.str();
    return r;
}

TEST(ShredCommand, ShredsFilesAndFoldersByPosixOrWindowsPath) {
    TempWorld world;
    const fs::path file = TempWorld::Write(world.Posix("C:\\docs\\a.txt"), "a");
    const fs::path tree = world.Posix("C:\\docs\\tree");
    TempWorld::Write(tree / "x" / "y.txt", "y");

    Result r = Ctl(world, {"--yes", "shred", file.string()});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_FALSE(fs::exists(file));
    r = Ctl(world, {"shred", "c:\\DOCS\\tree", "--yes"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_FALSE(fs::exists(tree));
    EXPECT_TRUE(fs::is_directory(world.Posix("C:\\docs")));
}

TEST(ShredCommand, WithoutYesAndNobodyToAskNothingIsShredded) {
    TempWorld world;
    const fs::path file = TempWorld::Write(world.Posix("C:\\keep.txt"), "keep");
    const Result r = Ctl(world, {"shred", file.string()});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Shred C:\\keep.txt ?"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(file));
}

TEST(ShredCommand, RefusesDriveRootsAndMissingPaths) {
    TempWorld world;
    TempWorld::Write(world.Posix("C:\\top.txt"), "top");
    for (const std::string& root :
         std::vector<std::string>{"/", "C:\\", world::DriveC().string(), "Z:"}) {
        const Result r = Ctl(world, {"--yes", "shred", root});
        EXPECT_EQ(r.code, 1) << root;
        EXPECT_NE(r.err.find("root folder of a drive"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_TRUE(fs::exists(world.Posix("C:\\top.txt")));
    EXPECT_EQ(Ctl(world, {"--yes", "shred", "C:\\no\\such.txt"}).code, 1);
    EXPECT_EQ(Ctl(world, {"shred"}).code, 2);
}

} // namespace
} // namespace corvane

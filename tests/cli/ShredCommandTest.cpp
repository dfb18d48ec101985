// corvanectl shred, run as a program against a temporary world; its standard input is empty,
// so there is no person to answer a question.

#include "platform/world.h"
#include "support/Corvanectl.h"
#include "support/InPlace.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::TempWorld;

TEST(ShredCommand, ShredsFilesAndFoldersByPosixOrWindowsPath) {
    TempWorld world;
    const fs::path file = TempWorld::Write(world.Posix("C:\\docs\\a.txt"), "a");
    const fs::path tree = world.Posix("C:\\docs\\tree");
    TempWorld::Write(tree / "x" / "y.txt", "y");

    const int done = testing::ShredStatusIn(file.parent_path());
    testing::CtlResult r = testing::RunCorvanectl({"--yes", "shred", file.string()});
    EXPECT_EQ(r.exitCode, done) << r.err;
    EXPECT_FALSE(fs::exists(file));
    // Each file is named by the kind of path it was given by.
    EXPECT_NE(r.out.find(file.string()), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Z:\\"), std::string::npos) << r.out;
    r = testing::RunCorvanectl({"shred", "c:\\DOCS\\tree", "--yes"});
    EXPECT_EQ(r.exitCode, done) << r.err;
    EXPECT_NE(r.out.find("c:\\DOCS\\tree"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(tree));
    EXPECT_TRUE(fs::is_directory(world.Posix("C:\\docs")));
}

TEST(ShredCommand, WithoutYesAndNobodyToAskNothingIsShredded) {
    TempWorld world;
    const fs::path file = TempWorld::Write(world.Posix("C:\\keep.txt"), "keep");
    const testing::CtlResult r = testing::RunCorvanectl({"shred", file.string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Shred C:\\keep.txt ?"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(file));
}

TEST(ShredCommand, RefusesDriveRootsAndMissingPaths) {
    TempWorld world;
    TempWorld::Write(world.Posix("C:\\top.txt"), "top");
    for (const std::string& root :
         std::vector<std::string>{"/", "C:\\", world::DriveC().string(), "Z:"}) {
        const testing::CtlResult r = testing::RunCorvanectl({"--yes", "shred", root});
        EXPECT_EQ(r.exitCode, 1) << root;
        EXPECT_NE(r.err.find("root folder of a drive"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_TRUE(fs::exists(world.Posix("C:\\top.txt")));
    EXPECT_EQ(testing::RunCorvanectl({"--yes", "shred", "C:\\no\\such.txt"}).exitCode, 1);
    EXPECT_EQ(testing::RunCorvanectl({"shred"}).exitCode, 2);
}

} // namespace
} // namespace corvane

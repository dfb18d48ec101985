// Every running Corvane watches for the browser process machine-wide, so two end-to-end tests
// run side by side could erase each other's worlds. The build registers them to take turns.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

TEST(EndToEndIsolation, TestsThatRunTheProgramsTakeTurns) {
    const fs::path file = fs::path(CORVANE_BIN_DIR).parent_path() / "CTestTestfile.cmake";
    std::ifstream in(file);
    ASSERT_TRUE(in) << "no " << file;
    int registered = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("set_tests_properties(", 0) != 0 ||
            line.find("e2e_") > line.find(" PROPERTIES "))
            continue;
        ++registered;
        EXPECT_NE(line.find("RESOURCE_LOCK \"corvane_desktop\""), std::string::npos) << line;
    }
    if (registered == 0)
        GTEST_SKIP() << "this build registers no end-to-end tests (their tools are missing)";
}

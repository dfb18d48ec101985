// corvanectl must run where no widget toolkit exists: it links the core library alone. The check
// reads the shared libraries each program needs from its ELF dynamic section, and proves it can
// see a toolkit by finding one in the program with windows.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

// The NEEDED entries of a program's dynamic section, as readelf prints them.
std::string NeededLibraries(const std::string& program) {
    const std::string command = "readelf -d '" + program + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string text;
    if (!pipe)
        return text;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
        const std::string line = buffer;
        if (line.find("(NEEDED)") != std::string::npos)
            text += line;
    }
    return text;
}

TEST(CoreLink, CorvanectlNeedsNoWidgetsNorDrawingWhileTheWindowsDo) {
    const std::string ctl = NeededLibraries(std::string(CORVANE_BIN_DIR) + "/corvanectl");
    ASSERT_NE(ctl.find("libQt6Core"), std::string::npos) << ctl;
    EXPECT_EQ(ctl.find("libQt6Widgets"), std::string::npos) << ctl;
    EXPECT_EQ(ctl.find("libQt6Gui"), std::string::npos) << ctl;

    const std::string windows = NeededLibraries(std::string(CORVANE_BIN_DIR) + "/corvane");
    EXPECT_NE(windows.find("libQt6Widgets"), std::string::npos) << windows;
}

} // namespace

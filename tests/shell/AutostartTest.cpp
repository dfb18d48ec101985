// The desktop's autostart entry: where it goes, how its Exec line quotes the program's path, and
// that writing it replaces the old entry whole.

#include "shell/Autostart.h"

#include "support/TempWorld.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace corvane {
namespace {

std::string Read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string ExecLine(const std::string& entry) {
    std::istringstream lines(entry);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("Exec=", 0) == 0)
            return line;
    return {};
}

TEST(Autostart, ExecArgumentsAreQuotedOnlyWhenTheyNeedIt) {
    EXPECT_EQ(Autostart::QuoteExecArgument("/usr/bin/corvane"), "/usr/bin/corvane");
    EXPECT_EQ(Autostart::QuoteExecArgument("/opt/My Apps/corvane"), "\"/opt/My Apps/corvane\"");
    EXPECT_EQ(Autostart::QuoteExecArgument("/opt/a\"b$c`d\\e/corvane"),
              "\"/opt/a\\\"b\\$c\\`d\\\\e/corvane\"");
    EXPECT_EQ(Autostart::QuoteExecArgument("/opt/100%/corvane"), "/opt/100%%/corvane");
    EXPECT_EQ(Autostart::QuoteExecArgument("/opt/it's/corvane"), "\"/opt/it's/corvane\"");
    EXPECT_EQ(Autostart::QuoteExecArgument(""), "\"\"");
}

TEST(Autostart, TheEntryStartsTheProgramWithMinAndEscapesItsBackslashesOnceMore) {
    const std::string plain = Autostart::EntryText("/usr/bin/corvane");
    EXPECT_EQ(plain.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(plain.find("\nType=Application\n"), std::string::npos);
    EXPECT_EQ(ExecLine(plain), "Exec=/usr/bin/corvane -min");
    // A backslash is escaped for the quotes and then again for the entry's string value.
    EXPECT_EQ(ExecLine(Autostart::EntryText("/opt/a b\\c/corvane")),
              "Exec=\"/opt/a b\\\\\\\\c/corvane\" -min");
}

TEST(Autostart, TheFolderFollowsXdgConfigHomeAndFallsBackToTheHomeFolder) {
    testing::TempWorld world;
    EXPECT_EQ(Autostart::Folder(), world.Root() / "config" / "autostart");
    const std::string saved = std::getenv("XDG_CONFIG_HOME");
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(Autostart::Folder(),
              std::filesystem::path(std::getenv("HOME")) / ".config/autostart");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(Autostart::Folder(),
              std::filesystem::path(std::getenv("HOME")) / ".config/autostart");
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}

TEST(Autostart, InstallReplacesTheEntryWholeAndRemoveTakesItAway) {
    testing::TempWorld world;
    std::string error;
    EXPECT_FALSE(Autostart::IsInstalled());
    ASSERT_TRUE(Autostart::Install("/old place/corvane", error)) << error;
    ASSERT_TRUE(Autostart::Install("/new/corvane", error)) << error;
    EXPECT_EQ(Read(Autostart::EntryPath()), Autostart::EntryText("/new/corvane"));
    // Only the entry itself is left in the folder: no temporary file stays behind.
    int files = 0;
    for (const auto& item : std::filesystem::directory_iterator(Autostart::Folder())) {
        (void)item;
        ++files;
    }
    EXPECT_EQ(files, 1);
    EXPECT_TRUE(Autostart::Remove(error)) << error;
    EXPECT_FALSE(Autostart::IsInstalled());
    EXPECT_TRUE(Autostart::Remove(error)) << "a missing entry is already removed";
}

TEST(Autostart, AFolderThatCannotBeMadeIsReported) {
    testing::TempWorld world;
    testing::TempWorld::Write(world.Root() / "config" / "autostart", "a file, not a folder");
    std::string error;
    EXPECT_FALSE(Autostart::Install("/usr/bin/corvane", error));
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace corvane

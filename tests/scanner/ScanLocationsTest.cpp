// The environment walk of LoadMain and the texts of the "Info Data" page.

#include "scanner/ScanLocations.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace corvane::ScanLocations {
namespace {

// An environment block given as its entries, read 1-based as the walk reads it; records every
// index asked for.
struct Block {
    explicit Block(std::vector<std::string> given = {}) : entries(std::move(given)) {}
    std::vector<std::string> entries;
    std::vector<int> asked;
    EntryReader Reader() {
        return [this](int n) {
            asked.push_back(n);
            return n >= 1 && n <= static_cast<int>(entries.size())
                       ? entries[static_cast<std::size_t>(n - 1)]
                       : std::string();
        };
    }
};

struct Names {
    std::string computer = "(unset)";
    std::string user = "(unset)";
};

Names Walk(Block& block) {
    Names names;
    WalkEnvironment(block.Reader(), names.computer, names.user);
    return names;
}

TEST(LoadMainWalk, OnlyTheFirstEqualsSignSplitsAndNamesMatchExactly) {
    Block block({"ALLUSERSPROFILE=C:\\All", "COMPUTERNAME=BOX-7", "username=lower",
                 "USERNAME=a=b==c", "USERNAMES=not this", "=C:=C:\\", "NOEQUALS"});
    const Names names = Walk(block);
    EXPECT_EQ(names.computer, "BOX-7");
    EXPECT_EQ(names.user, "a=b==c");
}

TEST(LoadMainWalk, NamesInAnotherCaseOrMissingLeaveTheMembersAlone) {
    Block block({"computername=box", "Username=x", "PATH=/bin"});
    const Names names = Walk(block);
    EXPECT_EQ(names.computer, "(unset)");
    EXPECT_EQ(names.user, "(unset)");
}

TEST(LoadMainWalk, AnEmptyValueIsStillTaken) {
    Block block({"COMPUTERNAME=", "USERNAME="});
    const Names names = Walk(block);
    EXPECT_EQ(names.computer, "");
    EXPECT_EQ(names.user, "");
}

TEST(LoadMainWalk, StopsAtTheFirstEmptyEntry) {
    Block block({"A=1", "", "USERNAME=after the gap"});
    const Names names = Walk(block);
    EXPECT_EQ(names.user, "(unset)");
    EXPECT_EQ(block.asked, (std::vector<int>{1, 2}));
}

TEST(LoadMainWalk, ExaminesAtMost256Entries) {
    Block block;
    for (int i = 1; i <= 300; ++i)
        block.entries.push_back("V" + std::to_string(i) + "=x");
    block.entries[255] = "COMPUTERNAME=at-256";
    block.entries[256] = "USERNAME=at-257";
    const Names names = Walk(block);
    EXPECT_EQ(names.computer, "at-256");
    EXPECT_EQ(names.user, "(unset)");
    ASSERT_EQ(block.asked.size(), 256u);
    EXPECT_EQ(block.asked.back(), 256);
}

// A variable reader over a map; a name asked for that is absent reads as empty (unset). Names are
// looked up in lower case, as the environment view matches them without regard to case.
VariableReader Variables(std::map<std::string, std::string> values) {
    return [values = std::move(values)](std::string_view name) {
        std::string key(name);
        for (char& c : key)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const auto it = values.find(key);
        return it == values.end() ? std::string() : it->second;
    };
}

TEST(InfoData, TextsFromTheHomeVariables) {
    const auto texts = InfoDataTexts(
        Variables({{"homedrive", "C:"}, {"homepath", "\\Documents and Settings\\ann"}}), "BOX",
        "ann", "Internet Explorer 6.0.2900");
    EXPECT_EQ(texts[0], "Cookies Folder: C:\\Documents and Settings\\ann\\Cookies");
    EXPECT_EQ(texts[1], "Internet Files: Local Settings\\Temporary Internet Files\\Content.IE5");
    EXPECT_EQ(texts[2], "History Files: C:\\Documents and Settings\\ann\\Local Settings\\History");
    EXPECT_EQ(texts[3], "Temp Files: C:\\WINDOWS\\Temp");
    EXPECT_EQ(texts[4], "Computer Name: BOX");
    EXPECT_EQ(texts[5], "User Name: ann");
    EXPECT_EQ(texts[6], "Internet Explorer: Internet Explorer 6.0.2900");
}

TEST(InfoData, UnsetAndEmptyVariablesLeaveOnlyPrefixAndSuffix) {
    for (const auto& values :
         {std::map<std::string, std::string>{},
          std::map<std::string, std::string>{{"homedrive", ""}, {"homepath", ""}}}) {
        const auto texts = InfoDataTexts(Variables(values), "", "", "");
        EXPECT_EQ(texts[0], "Cookies Folder: \\Cookies");
        EXPECT_EQ(texts[2], "History Files: \\Local Settings\\History");
        EXPECT_EQ(texts[3], "Temp Files: \\WINDOWS\\Temp");
        EXPECT_EQ(texts[4], "Computer Name: ");
        EXPECT_EQ(texts[5], "User Name: ");
        EXPECT_EQ(texts[6], "Internet Explorer: ");
        EXPECT_EQ(CookieFolder(Variables(values)), "\\Cookies");
    }
}

TEST(InfoData, OddValuesAreUsedLiterallyAndTempNeverUsesTEMP) {
    const auto texts = InfoDataTexts(Variables({{"homedrive", "%SystemDrive%"},
                                                {"homepath", "\\a b=c\\..\\%USERNAME%"},
                                                {"temp", "C:\\Elsewhere"}}),
                                     "x", "y", "z");
    EXPECT_EQ(texts[0], "Cookies Folder: %SystemDrive%\\a b=c\\..\\%USERNAME%\\Cookies");
    EXPECT_EQ(texts[1], "Internet Files: Local Settings\\Temporary Internet Files\\Content.IE5");
    EXPECT_EQ(texts[3], "Temp Files: %SystemDrive%\\WINDOWS\\Temp");
}

TEST(InfoData, TheHomeVariablesAreReadAfreshForEachLine) {
    std::map<std::string, int> reads;
    const VariableReader counting = [&reads](std::string_view name) {
        return std::string(name) + std::to_string(++reads[std::string(name)]);
    };
    const auto texts = InfoDataTexts(counting, "", "", "");
    EXPECT_EQ(texts[0], "Cookies Folder: homedrive1homepath1\\Cookies");
    EXPECT_EQ(texts[2], "History Files: homedrive2homepath2\\Local Settings\\History");
    EXPECT_EQ(texts[3], "Temp Files: homedrive3\\WINDOWS\\Temp");
}

} // namespace
} // namespace corvane::ScanLocations

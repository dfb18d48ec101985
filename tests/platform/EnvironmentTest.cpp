#include "platform/environment.h"

#include "platform/world.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <unistd.h>

using namespace corvane::platform;
using corvane::testing::TempWorld;
namespace world = corvane::world;

namespace {

// Sets or clears variables for one test and puts them back afterwards.
class EnvGuard {
public:
    void Set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~EnvGuard() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

} // namespace

TEST(Environment, AddsTheWindowsSessionVariablesWhereMissing) {
    TempWorld w;
    EnvGuard env;
    for (const char* name : {"COMPUTERNAME", "USERNAME", "HOMEDRIVE", "HOMEPATH", "USERPROFILE"})
        env.Set(name, nullptr);
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    EXPECT_EQ(Environ("COMPUTERNAME"), Upper(host));
    EXPECT_EQ(Environ("USERNAME"), world::UserName());
    EXPECT_EQ(Environ("homedrive"), "C:");
    EXPECT_EQ(Environ("HomePath"), "\\Documents and Settings\\" + world::UserName());
    EXPECT_EQ(Environ("USERPROFILE"), world::ProfilePath());
    // The cookie folder the scanner builds from them is the world's.
    EXPECT_EQ(Environ("homedrive") + Environ("homepath"), world::ProfilePath());

    // What the real environment has wins, in whatever case it is spelled.
    env.Set("username", "someone");
    env.Set("COMPUTERNAME", "BOX");
    EXPECT_EQ(Environ("USERNAME"), "someone");
    EXPECT_EQ(Environ("ComputerName"), "BOX");
    EXPECT_EQ(Environ("CORVANE_SURELY_UNSET"), "");
}

TEST(Environment, TempAndTmpAlwaysNameTheWorldsTemporaryFolder) {
    TempWorld w;
    EnvGuard env;
    env.Set("TMPDIR", "/tmp");
    env.Set("TEMP", "/var/tmp");
    env.Set("tmp", "/var/tmp");
    EXPECT_EQ(Environ("TEMP"), world::TempPath());
    EXPECT_EQ(Environ("tmp"), world::TempPath());
    EXPECT_EQ(Environ("TMPDIR"), "/tmp");
    const auto block = EnvironmentBlock();
    EXPECT_EQ(std::count_if(
                  block.begin(), block.end(),
                  [](const std::string& e) { return Upper(e.substr(0, e.find('='))) == "TMP"; }),
              1);
}

TEST(Environment, BlockIsOrderedByNameWithoutCaseAndWalksFromOne) {
    TempWorld w;
    EnvGuard env;
    env.Set("aaa_corvane", "1");
    env.Set("AAB_CORVANE", "2");
    env.Set("AA_CORVANE", "3");
    const auto block = EnvironmentBlock();
    auto name = [](const std::string& e) { return Upper(e.substr(0, e.find('='))); };
    for (size_t i = 1; i < block.size(); ++i)
        EXPECT_LE(name(block[i - 1]), name(block[i])) << block[i - 1] << " / " << block[i];
    // Windows orders by the upper-case name: "AAA_" < "AAB_" < "AA_" because 'A' < '_'.
    const auto pos = [&](const std::string& entry) {
        return std::find(block.begin(), block.end(), entry) - block.begin();
    };
    EXPECT_LT(pos("aaa_corvane=1"), pos("AAB_CORVANE=2"));
    EXPECT_LT(pos("AAB_CORVANE=2"), pos("AA_CORVANE=3"));

    ASSERT_FALSE(block.empty());
    EXPECT_EQ(Environ(1), block.front());
    EXPECT_EQ(Environ(static_cast<int>(block.size())), block.back());
    EXPECT_EQ(Environ(static_cast<int>(block.size()) + 1), "");
    EXPECT_EQ(Environ(0), "");
}

#pragma once
// A fresh world in a temporary folder for one test: the prefix and the XDG folders point into it
// while the test runs and are put back afterwards.

#include "platform/world.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace corvane::testing {

class TempWorld {
public:
    TempWorld() {
        char tmpl[] = "/tmp/corvane-world-XXXXXX";
        root_ = ::mkdtemp(tmpl);
        std::filesystem::create_directories(root_ / "data");
        std::filesystem::create_directories(root_ / "config");
        env_.Set("CORVANE_PREFIX", (root_ / "world").string());
        env_.Set("XDG_DATA_HOME", (root_ / "data").string());
        env_.Set("XDG_CONFIG_HOME", (root_ / "config").string());
        std::string error;
        EXPECT_TRUE(world::Ensure(error)) << error;
    }
    ~TempWorld() {
        std::error_code ec;
        std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(root_, ec);
    }
    TempWorld(const TempWorld&) = delete;
    TempWorld& operator=(const TempWorld&) = delete;

    /// The temporary folder that holds the world and the XDG folders.
    const std::filesystem::path& Root() const { return root_; }
    /// The prefix of the world.
    std::filesystem::path Prefix() const { return root_ / "world"; }
    /// The POSIX path of a Windows path in this world.
    std::filesystem::path Posix(const std::string& windowsPath) const {
        return world::ToPosix(windowsPath);
    }
    /// Writes a file (creating its folders) and returns its path.
    static std::filesystem::path Write(const std::filesystem::path& file, const std::string& data) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << data;
        return file;
    }

private:
    std::filesystem::path root_;
    ScopedEnv env_;
};

} // namespace corvane::testing

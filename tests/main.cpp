// One test program for the whole project. It gives itself a private home, data, config and world
// folder before anything runs, so no test can reach the real user's files even by mistake.

#include "platform/widgets/windowservices.h"
#include "support/ChildRole.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    char tmpl[] = "/tmp/corvane-tests-XXXXXX";
    const char* root = ::mkdtemp(tmpl);
    if (root == nullptr)
        return 1;
    const fs::path base(root);
    for (const char* sub : {"home", "data", "config", "cache", "runtime"})
        fs::create_directories(base / sub);
    ::setenv("HOME", (base / "home").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (base / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (base / "config").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (base / "cache").c_str(), 1);
    fs::permissions(base / "runtime", fs::perms::owner_all);
    ::setenv("XDG_RUNTIME_DIR", (base / "runtime").c_str(), 1);
    ::setenv("CORVANE_PREFIX", (base / "world").c_str(), 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    // The tests see the same services as the program with windows.
    corvane::platform::InstallWidgetServices();
    std::error_code ec;
    if (const char* role = std::getenv("CORVANE_TEST_CHILD")) {
        const int rc = corvane::testing::RunChildRole(role);
        fs::remove_all(base, ec);
        return rc;
    }

    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    const int rc = RUN_ALL_TESTS();
    fs::remove_all(base, ec);
    return rc;
}

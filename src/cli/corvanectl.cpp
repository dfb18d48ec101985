// corvanectl: the command-line companion. The same routines the windows call, for scripts, cron
// and tests.

#include "cli/command.h"
#include "platform/world.h"

#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace corvane::cli {
namespace {

struct Entry {
    std::string usage;
    Handler handler;
};

std::map<std::string, Entry>& Groups() {
    static std::map<std::string, Entry> groups;
    return groups;
}

bool g_yes = false;

void PrintUsage() {
    std::cerr << "usage: corvanectl [--prefix DIR] [--yes] COMMAND ...\n";
    for (const auto& [name, entry] : Groups())
        std::cerr << entry.usage;
}

} // namespace

Registrar::Registrar(const char* group, const char* usage, Handler handler) {
    Groups()[group] = Entry{usage, handler};
}

int UsageError(const std::string& message) {
    std::cerr << "corvanectl: " << message << "\n";
    PrintUsage();
    return 2;
}

int Failure(const std::string& message) {
    std::cerr << "corvanectl: " << message << "\n";
    return 1;
}

bool AnswerYes() {
    return g_yes;
}

} // namespace corvane::cli

int main(int argc, char** argv) {
    using namespace corvane;
    // The global options come before the command word and only there: every word after it
    // belongs to the command, so a value such as "--help" or "--yes" is stored as written.
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--prefix") {
            if (i + 1 >= argc)
                return cli::UsageError("--prefix needs a folder");
            ::setenv("CORVANE_PREFIX", argv[++i], 1);
        } else if (arg.rfind("--prefix=", 0) == 0) {
            ::setenv("CORVANE_PREFIX", arg.substr(9).c_str(), 1);
        } else if (arg == "--yes") {
            cli::g_yes = true;
        } else if (arg == "-h" || arg == "--help") {
            cli::PrintUsage();
            return 0;
        } else if (arg == "--") {
            ++i;
            break;
        } else if (arg.rfind("-", 0) == 0) {
            return cli::UsageError("unknown option '" + arg + "'");
        } else {
            break;
        }
    }
    if (i >= argc)
        return cli::UsageError("no command given");
    const std::vector<std::string> words(argv + i + 1, argv + argc);
    const auto it = cli::Groups().find(argv[i]);
    if (it == cli::Groups().end())
        return cli::UsageError("unknown command '" + std::string(argv[i]) + "'");

    std::string error;
    if (!world::Ensure(error))
        return cli::Failure(error);
    return it->second.handler(words);
}

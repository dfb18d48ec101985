// corvanectl world: create the world and answer where things are in it.

#include "cli/command.h"
#include "platform/world.h"

#include <iostream>

namespace corvane::cli {
namespace {

int World(const std::vector<std::string>& args) {
    if (args.empty())
        return UsageError("world needs a subcommand");
    const std::string& sub = args[0];
    if (sub == "init" && args.size() == 1) {
        std::cout << world::Prefix().string() << "\n";
        return 0;
    }
    if (sub == "path" && args.size() == 2) {
        const std::string posix = world::ToPosix(args[1]);
        if (posix.empty())
            return Failure("no such drive in the world: " + args[1]);
        std::cout << posix << "\n";
        return 0;
    }
    return UsageError("unknown or incomplete world command");
}

const Registrar registrar("world",
                          "  world init                  create the world; print the prefix\n"
                          "  world path WINPATH          print the POSIX path of a Windows path\n",
                          World);

} // namespace
} // namespace corvane::cli

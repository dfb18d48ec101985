// corvanectl world: create the world and answer where things are in it.

#include "cli/command.h"
#include "eraser/FolderErasers.h"
#include "platform/world.h"

#include <iostream>

namespace corvane::cli {
namespace {

// Prints the POSIX path of one of the erasers' folders, read as the eraser reads them.
int Folder(const std::string& which) {
    const eraser::BrowserFolders folders = eraser::ReadBrowserFolders();
    const std::pair<const char*, const std::string*> known[] = {
        {"cookies", &folders.CookiesFolder},
        {"cache", &folders.CacheFolder},
        {"history", &folders.HistoryFolder},
        {"temp", &folders.TempFolder},
    };
    for (const auto& [name, value] : known) {
        if (which != name)
            continue;
        if (value->empty())
            return Failure(std::string("the world names no ") + name + " folder");
        const std::string posix = world::ToPosix(*value);
        if (posix.empty())
            return Failure("no such drive in the world: " + *value);
        std::cout << posix << "\n";
        return 0;
    }
    return UsageError("world folder needs cookies, cache, history or temp");
}

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
            return Failure("not a path of the world (unknown drive or invalid name): " + args[1]);
        std::cout << posix << "\n";
        return 0;
    }
    if (sub == "folder" && args.size() == 2)
        return Folder(args[1]);
    return UsageError("unknown or incomplete world command");
}

const Registrar
    registrar("world",
              "  world init                  create the world; print the prefix\n"
              "  world path WINPATH          print the POSIX path of a Windows path\n"
              "  world folder cookies|cache|history|temp\n"
              "                              print the POSIX path of an eraser's folder\n",
              World);

} // namespace
} // namespace corvane::cli

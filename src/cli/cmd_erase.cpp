// corvanectl erase: runs one of the erasers, as its button in the eraser window does. Each eraser
// is one row of the table below; the usage text is made from the same rows.

#include "cli/command.h"
#include "eraser/FolderErasers.h"
#include "traces/CleanIT.h"

#include <string>

namespace corvane::cli {
namespace {

struct Eraser {
    const char* name; ///< the word after "erase"
    const char* what; ///< one line for the usage text
    void (*run)();    ///< the eraser; erasers report nothing
};

// The folder erasers run with a URL list and a history object of their own, as the eraser
// window's buttons run them with the window's.
void EraseHistory() {
    eraser::WindowlessErasers().Erasers().EraseHistory();
}
void EraseAll() {
    eraser::WindowlessErasers().Erasers().EraseAll();
}
void CleanTempFolder() {
    eraser::WindowlessErasers().Erasers().CleanTempFolder();
}

constexpr Eraser kErasers[] = {
    {"history", "the browser's history traces (cache, typed URLs, index.dat, cookies, history)",
     EraseHistory},
    {"all", "everything: history, the registry lists and the temporary folder", EraseAll},
    {"temp", "the temporary folder", CleanTempFolder},
    {"typed", "the addresses typed into the browser", CleanIT::CleanTypedURLs},
    {"run", "the Run dialog's list", CleanIT::CleanRunMRU},
    {"find", "the file-search list", CleanIT::CleanFindMRU},
    {"recent", "the recent-documents lists", CleanIT::CleanRecentDocs},
    {"media", "the media player's recent files", CleanIT::CleanMediaPlayerMRU},
    {"paint", "the paint program's recent files", CleanIT::CleanPaintMRU},
};

int Erase(const std::vector<std::string>& args) {
    if (args.size() != 1)
        return UsageError("erase needs exactly one of its words");
    for (const Eraser& eraser : kErasers) {
        if (args[0] == eraser.name) {
            eraser.run();
            return 0;
        }
    }
    return UsageError("unknown eraser '" + args[0] + "'");
}

std::string Usage() {
    std::string usage;
    for (const Eraser& eraser : kErasers) {
        std::string line = std::string("  erase ") + eraser.name;
        line.resize(std::max<size_t>(line.size() + 1, 30), ' ');
        usage += line + "erase " + eraser.what + "\n";
    }
    return usage;
}

const std::string kUsage = Usage();
const Registrar registrar("erase", kUsage.c_str(), Erase);

} // namespace
} // namespace corvane::cli

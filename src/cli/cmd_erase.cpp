// corvanectl erase: runs one of the erasers, as its button in the eraser window does. Each eraser
// is one row of the table below; the usage text is made from the same rows.

#include "browsers/Cleaner.h"
#include "cli/browsers.h"
#include "cli/command.h"
#include "eraser/FolderErasers.h"
#include "eraser/Shredding.h"
#include "traces/CleanIT.h"

#include <algorithm>
#include <iostream>
#include <string>

namespace corvane::cli {
namespace {

// The exit status of an erase that deleted every file, but not every file's old data for sure.
constexpr int kMaySurvive = 3;

struct Eraser {
    const char* name;             ///< the word after "erase"
    const char* what;             ///< one line for the usage text
    eraser::EraseReport (*run)(); ///< the eraser, and what it could not do
};

// The folder erasers run with a URL list and a history object of their own, as the eraser
// window's buttons run them with the window's. History (and so the full clean) goes on to the
// enabled real browser profiles, whose report the command prints (empty for the other erasers).
browsers::CleaningReport g_profiles;
eraser::EraseReport EraseHistory() {
    eraser::WindowlessErasers erasers;
    eraser::EraseReport report = erasers.Erasers().EraseHistory();
    g_profiles = erasers.Erasers().LastProfileReport();
    return report;
}
eraser::EraseReport EraseAll() {
    eraser::WindowlessErasers erasers;
    eraser::EraseReport report = erasers.Erasers().EraseAll();
    g_profiles = erasers.Erasers().LastProfileReport();
    return report;
}
eraser::EraseReport CleanTempFolder() {
    return eraser::WindowlessErasers().Erasers().CleanTempFolder();
}
// The registry list erasers say nothing of their own; what the hive refused to change says it.
template <void (*Eraser)()> eraser::EraseReport Silent() {
    return eraser::RunRegistryEraser(Eraser);
}

constexpr Eraser kErasers[] = {
    {"history", "the browser's history traces (cache, typed URLs, index.dat, cookies, history)",
     EraseHistory},
    {"all", "everything: history, the registry lists and the temporary folder", EraseAll},
    {"temp", "the temporary folder", CleanTempFolder},
    {"typed", "the addresses typed into the browser", Silent<CleanIT::CleanTypedURLs>},
    {"run", "the Run dialog's list", Silent<CleanIT::CleanRunMRU>},
    {"find", "the file-search list", Silent<CleanIT::CleanFindMRU>},
    {"recent", "the recent-documents lists", Silent<CleanIT::CleanRecentDocs>},
    {"media", "the media player's recent files", Silent<CleanIT::CleanMediaPlayerMRU>},
    {"paint", "the paint program's recent files", Silent<CleanIT::CleanPaintMRU>},
};

int Erase(const std::vector<std::string>& args) {
    if (!args.empty() && args[0] == "browsers") {
        // "--dry-run" tells what the clean would erase and writes nothing.
        std::vector<std::string> words(args.begin() + 1, args.end());
        const auto dry = std::find(words.begin(), words.end(), "--dry-run");
        const bool preview = dry != words.end();
        if (preview)
            words.erase(dry);
        if (words.size() > 1)
            return UsageError("erase browsers takes at most one profile id");
        const std::string id = words.empty() ? "" : words[0];
        const browsers::CleaningReport report =
            preview ? browsers::PreviewEnabledProfiles(id) : browsers::CleanEnabledProfiles(id);
        // A named profile that was not found is a failure, not an empty success.
        const bool missing = !id.empty() && report.profiles.empty();
        if (id.empty() && report.profiles.empty())
            std::cout << "no enabled browser profile (corvanectl browsers list)\n";
        return ReportProfiles(report) != 0 || missing ? 1 : 0;
    }
    if (args.size() != 1)
        return UsageError("erase needs exactly one of its words");
    for (const Eraser& eraser : kErasers) {
        if (args[0] == eraser.name) {
            const eraser::EraseReport report = eraser.run();
            for (const std::string& line : report.Lines())
                std::cerr << "corvanectl: " << line << "\n";
            // A wiped file whose old data may survive was erased, but not shredded: said per
            // file, and in the exit status where nothing failed outright.
            const auto survivors = report.Wipes.MaySurvive();
            for (const eraser::WipeVerdict* file : survivors)
                std::cerr << "corvanectl: " << file->Path << ": "
                          << eraser::VerdictText(file->Verdict) << "\n";
            const int profiles = ReportProfiles(g_profiles);
            if (!report.Complete() || profiles != 0)
                return 1;
            return survivors.empty() ? 0 : kMaySurvive;
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
    return usage + "  erase browsers [--dry-run] [ID]\n"
                   "                              clean the enabled real browser profiles that are "
                   "closed (or only ID); --dry-run tells what it would erase\n";
}

const std::string kUsage = Usage();
const Registrar registrar("erase", kUsage.c_str(), Erase);

} // namespace
} // namespace corvane::cli

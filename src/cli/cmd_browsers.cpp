// corvanectl browsers: the user's real browser profiles, and the user's choice for each.

#include "browsers/Consent.h"
#include "browsers/InUse.h"
#include "browsers/Profile.h"
#include "cli/browsers.h"
#include "cli/command.h"

#include <iostream>

namespace corvane::cli {

void PrintProblems(const std::vector<std::string>& problems) {
    for (const std::string& problem : problems)
        std::cerr << "corvanectl: " << problem << "\n";
}

int ReportProfiles(const browsers::CleaningReport& report) {
    PrintProblems(report.problems);
    for (const browsers::ProfileReport& profile : report.profiles) {
        if (profile.outcome == browsers::Outcome::Cleaned)
            std::cout << profile.Line() << "\n";
        else
            std::cerr << "corvanectl: " << profile.Line() << "\n";
    }
    std::cout.flush();
    return report.AllCleaned() ? 0 : 1;
}

namespace {

int List() {
    const browsers::Discovery found = browsers::DiscoverProfiles();
    PrintProblems(found.problems);
    for (const browsers::Profile& profile : found.profiles)
        std::cout << profile.id << "\t" << profile.name << "\t"
                  << browsers::ConsentWord(browsers::GetConsent(profile.id)) << "\t"
                  << (browsers::IsInUse(profile) ? "in use" : "closed") << "\t"
                  << browsers::KindsText(profile.id) << "\n";
    return 0;
}

int Choose(const std::string& id, browsers::Consent consent) {
    browsers::Profile profile;
    if (!browsers::FindProfile(id, profile))
        return Failure("no browser profile " + id + " (see corvanectl browsers list)");
    std::string error;
    if (!browsers::SetConsent(id, consent, error))
        return Failure(error);
    std::cout << profile.name << ": " << browsers::ConsentWord(consent) << "\n";
    return 0;
}

// Records whether a profile's clean erases one kind of trace.
int ChooseKind(const std::string& id, const std::string& word, bool cleaned) {
    browsers::Kind kind;
    if (!browsers::ParseKind(word, kind))
        return UsageError("no kind " + word + " (history, cookies, cache, session or forms)");
    browsers::Profile profile;
    if (!browsers::FindProfile(id, profile))
        return Failure("no browser profile " + id + " (see corvanectl browsers list)");
    std::string error;
    if (!browsers::SetCleansKind(id, kind, cleaned, error))
        return Failure(error);
    std::cout << profile.name << ": cleans " << browsers::KindsText(id) << "\n";
    return 0;
}

int Browsers(const std::vector<std::string>& args) {
    if (args.size() == 1 && args[0] == "list")
        return List();
    if (args.size() == 2 && args[0] == "enable")
        return Choose(args[1], browsers::Consent::Enabled);
    if (args.size() == 2 && args[0] == "disable")
        return Choose(args[1], browsers::Consent::Disabled);
    if (args.size() == 3 && (args[0] == "skip" || args[0] == "include"))
        return ChooseKind(args[1], args[2], args[0] == "include");
    return UsageError("browsers needs list, enable or disable with a profile id, or skip or "
                      "include with a profile id and a kind");
}

const Registrar registrar(
    "browsers",
    "  browsers list               the real browser profiles: id, name, choice, in use or closed,\n"
    "                              the kinds cleaned\n"
    "  browsers enable|disable ID  agree or refuse to clean that profile\n"
    "  browsers skip|include ID KIND\n"
    "                              keep or clean one kind of trace in that profile (history,\n"
    "                              cookies, cache, session, forms)\n",
    Browsers);

} // namespace
} // namespace corvane::cli

#include "eraser/ProfileQuestions.h"

#include "browsers/Consent.h"
#include "platform/messageloop.h"

#include <filesystem>
#include <iostream>

namespace corvane::eraser {

namespace {

// The folder as the user knows it: under the home folder it starts with "~/".
std::string ShownFolder(const std::filesystem::path& folder) {
    const std::string text = folder.string();
    const std::string home = browsers::UserFolders::FromEnvironment().home.string();
    if (!home.empty() && home != "/" && text.size() > home.size() + 1 &&
        text.compare(0, home.size(), home) == 0 && text[home.size()] == '/')
        return "~" + text.substr(home.size());
    return text;
}

} // namespace

std::string ConsentQuestion(const browsers::Profile& profile) {
    return "Corvane found the browser profile \"" + profile.name + "\" in " +
           ShownFolder(profile.folder) +
           "\n\nShould Corvane erase this profile's traces each time it erases your history?\n\n"
           "Erased: the history and typed addresses, cookies, the cache, the saved session, "
           "and form and search history.\n"
           "Never touched: bookmarks, passwords, preferences, extensions, permissions and "
           "certificates.\n\n"
           "The profile is cleaned only while its browser is closed. You are asked once; the "
           "command \"corvanectl browsers enable|disable\" changes the answer later.";
}

int AskAboutUndecidedProfiles(const browsers::UserFolders& folders) {
    int asked = 0;
    for (const browsers::Profile& profile : browsers::DiscoverProfiles(folders).profiles) {
        if (browsers::GetConsent(profile.id) != browsers::Consent::Undecided)
            continue;
        ++asked;
        const int answer =
            platform::MsgBox(ConsentQuestion(profile), platform::vbYesNo + platform::vbQuestion,
                             "Corvane - " + profile.name);
        const browsers::Consent choice =
            answer == platform::vbYes ? browsers::Consent::Enabled : browsers::Consent::Disabled;
        std::string error;
        if (!browsers::SetConsent(profile.id, choice, error))
            std::cerr << "corvane: the answer for " << profile.name << " was not kept: " << error
                      << "\n";
    }
    return asked;
}

std::string NotCleanedNote(const browsers::CleaningReport& report) {
    std::string note;
    bool inUse = false;
    for (const browsers::ProfileReport* profile : report.NotCleaned()) {
        note += profile->Line() + "\n";
        inUse = inUse || profile->outcome == browsers::Outcome::InUse;
    }
    if (inUse)
        note += "A profile in use is cleaned when its browser closes.";
    else if (!note.empty())
        note.pop_back();
    return note;
}

} // namespace corvane::eraser

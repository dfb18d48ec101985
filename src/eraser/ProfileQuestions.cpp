#include "eraser/ProfileQuestions.h"

#include "browsers/Consent.h"
#include "platform/messageloop.h"

#include <iostream>

namespace corvane::eraser {

int AskAboutUndecidedProfiles(const browsers::UserFolders& folders) {
    int asked = 0;
    for (const browsers::Profile& profile : browsers::UndecidedProfiles(folders)) {
        ++asked;
        const int answer =
            platform::MsgBox(browsers::ConsentQuestion(profile),
                             platform::vbYesNo + platform::vbQuestion, "Corvane - " + profile.name);
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
        // A browser that has the profile, or took it during the clean, lets go of it later, and
        // the running watcher cleans it then.
        inUse = inUse || profile->outcome == browsers::Outcome::InUse ||
                profile->outcome == browsers::Outcome::BrowserStarted;
    }
    if (inUse)
        note += "A profile in use is cleaned when its browser closes.";
    else if (!note.empty())
        note.pop_back();
    return note;
}

} // namespace corvane::eraser

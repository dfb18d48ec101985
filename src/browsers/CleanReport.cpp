#include "browsers/CleanReport.h"

namespace corvane::browsers {

void ProfileReport::Add(const std::string& what, long count) {
    for (Erased& erased : this->erased) {
        if (erased.what == what) {
            erased.count += count;
            return;
        }
    }
    erased.push_back({what, count});
}

long ProfileReport::Count(const std::string& what) const {
    for (const Erased& e : erased)
        if (e.what == what)
            return e.count;
    return 0;
}

std::string ProfileReport::Line() const {
    std::string line = name + " (" + id + "): ";
    switch (outcome) {
    case Outcome::InUse:
        return line + "skipped, in use by its browser";
    case Outcome::OtherCorvane:
        return line + "skipped, being cleaned by another Corvane";
    case Outcome::BrowserStarted:
        line += "stopped, the browser started during the clean: ";
        break;
    case Outcome::NotEnabled:
        return line + "skipped, not enabled (corvanectl browsers enable ID)";
    case Outcome::Partly:
        line += "partly cleaned: ";
        break;
    case Outcome::Cleaned:
        break;
    }
    line += "erased";
    for (std::size_t i = 0; i < erased.size(); ++i)
        line += (i ? ", " : " ") + erased[i].what + " " + std::to_string(erased[i].count);
    if (erased.empty())
        line += " nothing";
    for (const std::string& problem : problems)
        line += "; " + problem;
    if (!notReached.empty()) {
        line += "; not cleaned:";
        for (std::size_t i = 0; i < notReached.size(); ++i)
            line += (i ? ", " : " ") + notReached[i];
    }
    for (const std::string& note : notes)
        line += "; " + note;
    return line;
}

bool CleaningReport::AllCleaned() const {
    return NotCleaned().empty();
}

std::vector<const ProfileReport*> CleaningReport::NotCleaned() const {
    std::vector<const ProfileReport*> skipped;
    for (const ProfileReport& profile : profiles)
        if (profile.outcome != Outcome::Cleaned)
            skipped.push_back(&profile);
    return skipped;
}

} // namespace corvane::browsers

#include "browsers/CleanReport.h"

#include <cstdio>

namespace corvane::browsers {
namespace {

// A length as people read it: bytes, KB or MB with one decimal.
std::string SizeText(std::int64_t bytes) {
    if (bytes < 1024)
        return std::to_string(bytes) + " bytes";
    char text[32];
    const double kb = static_cast<double>(bytes) / 1024;
    if (kb < 1024)
        std::snprintf(text, sizeof text, "%.1f KB", kb);
    else
        std::snprintf(text, sizeof text, "%.1f MB", kb / 1024);
    return text;
}

} // namespace

void ProfileReport::Add(const std::string& what, long count, std::int64_t bytes) {
    for (Erased& erased : this->erased) {
        if (erased.what == what) {
            erased.count += count;
            erased.bytes += bytes;
            return;
        }
    }
    erased.push_back({what, count, bytes});
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
        if (!preview)
            line += "partly cleaned: ";
        break;
    case Outcome::Cleaned:
        break;
    }
    line += preview ? "would erase" : "erased";
    for (std::size_t i = 0; i < erased.size(); ++i) {
        line += (i ? ", " : " ") + erased[i].what + " " + std::to_string(erased[i].count);
        if (erased[i].bytes > 0)
            line += " (" + SizeText(erased[i].bytes) + ")";
    }
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

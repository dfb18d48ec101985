#pragma once
// What the windows say to the user about the real browser profiles: the one question per profile
// that asks for the user's consent, and the note about profiles an erase had to skip.

#include "browsers/CleanReport.h"
#include "browsers/Profile.h"

#include <string>

namespace corvane::eraser {

/// Asks, through the program's message boxes, about every profile the user has not decided on
/// yet and keeps each answer (Yes enables, No disables). Returns the number of questions asked;
/// a profile whose answer could not be kept is asked again next time.
int AskAboutUndecidedProfiles(
    const browsers::UserFolders& folders = browsers::UserFolders::FromEnvironment());

/// The note about the profiles an erase did not fully clean (one line each, and that a profile in
/// use is cleaned when its browser closes); empty when every profile was cleaned.
std::string NotCleanedNote(const browsers::CleaningReport& report);

} // namespace corvane::eraser

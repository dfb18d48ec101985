#pragma once
// The user's choice per profile, kept in the hive under Software\Corvane\Browsers: one DWORD
// value per profile id, 1 enabled and 0 disabled; no value means the user was not asked yet.

#include "browsers/Profile.h"
#include "browsers/Stores.h"

#include <string>
#include <vector>

namespace corvane::browsers {

/// The key below HKEY_CURRENT_USER that holds the choices.
inline constexpr char kConsentKey[] = "Software\\Corvane\\Browsers";

/// The user's choice for one profile.
enum class Consent { Undecided, Enabled, Disabled };

/// The word `corvanectl browsers list` prints ("enabled", "disabled", "undecided").
const char* ConsentWord(Consent consent);

/// The choice recorded for a profile id.
Consent GetConsent(const std::string& id);

/// Records a choice (Undecided removes it); false with `error` when the hive refused.
bool SetConsent(const std::string& id, Consent consent, std::string& error);

/// The key that keeps, per profile id, the kinds of trace the user chose not to clean (a DWORD
/// of bits, one per kind; no value means every kind is cleaned).
inline constexpr char kSkippedKindsKey[] = "Software\\Corvane\\Browsers\\Skipped";

/// The word for a kind on the command line ("history", "cookies", "cache", "session", "forms").
const char* KindName(Kind kind);

/// The kind a word names; false when it names none.
bool ParseKind(const std::string& word, Kind& kind);

/// True when the profile's clean erases this kind (every kind unless the user skipped it).
bool CleansKind(const std::string& id, Kind kind);

/// Records whether the profile's clean erases a kind; false with `error` when the hive refused.
bool SetCleansKind(const std::string& id, Kind kind, bool cleaned, std::string& error);

/// The kinds a profile's clean erases, as `browsers list` shows them: "all", or the words
/// joined by commas, or "none".
std::string KindsText(const std::string& id);

/// The profiles found now that the user was not asked about yet, in discovery order.
std::vector<Profile> UndecidedProfiles(const UserFolders& folders = UserFolders::FromEnvironment());

/// The question put once per profile: names the browser and profile, what will be erased and
/// what never is; lines joined by "\n".
std::string ConsentQuestion(const Profile& profile);

} // namespace corvane::browsers

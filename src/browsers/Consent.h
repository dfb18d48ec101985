#pragma once
// The user's choice per profile, kept in the hive under Software\Corvane\Browsers: one DWORD
// value per profile id, 1 enabled and 0 disabled; no value means the user was not asked yet.

#include <string>

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

} // namespace corvane::browsers

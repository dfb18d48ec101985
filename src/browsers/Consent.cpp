#include "browsers/Consent.h"

#include "platform/registry.h"

#include <optional>

namespace corvane::browsers {

using namespace platform;

namespace {

// A profile's DWORD value below `key`; false when it is missing or of another type.
bool ReadDword(const char* key, const std::string& id, DWORD& value) {
    RegKey opened;
    if (RegOpenKeyA(HKEY_CURRENT_USER, key, opened.Out()) != ERROR_SUCCESS)
        return false;
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    return RegQueryValueExA(opened.Get(), id.c_str(), nullptr, &type,
                            reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
           type == REG_DWORD && size == sizeof value;
}

// Writes a profile's DWORD value below `key`, or removes it (no value: the default).
bool WriteDword(const char* key, const std::string& id, std::optional<DWORD> value,
                std::string& error) {
    RegKey opened;
    LONG rc = RegCreateKeyA(HKEY_CURRENT_USER, key, opened.Out());
    if (rc == ERROR_SUCCESS && !value) {
        rc = RegDeleteValueA(opened.Get(), id.c_str());
        if (rc == ERROR_FILE_NOT_FOUND)
            rc = ERROR_SUCCESS;
    } else if (rc == ERROR_SUCCESS) {
        rc = RegSetValueExA(opened.Get(), id.c_str(), 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&*value), sizeof *value);
    }
    if (rc != ERROR_SUCCESS)
        error = "cannot record the choice in the hive (error " + std::to_string(rc) + ")";
    return rc == ERROR_SUCCESS;
}

} // namespace

const char* ConsentWord(Consent consent) {
    switch (consent) {
    case Consent::Enabled:
        return "enabled";
    case Consent::Disabled:
        return "disabled";
    case Consent::Undecided:
        break;
    }
    return "undecided";
}

Consent GetConsent(const std::string& id) {
    DWORD value = 0;
    if (!ReadDword(kConsentKey, id, value))
        return Consent::Undecided;
    return value != 0 ? Consent::Enabled : Consent::Disabled;
}

bool SetConsent(const std::string& id, Consent consent, std::string& error) {
    if (consent == Consent::Undecided)
        return WriteDword(kConsentKey, id, std::nullopt, error);
    return WriteDword(kConsentKey, id, consent == Consent::Enabled ? 1 : 0, error);
}

namespace {

constexpr Kind kKinds[] = {Kind::History, Kind::Cookies, Kind::Cache, Kind::Session, Kind::Forms};

DWORD Bit(Kind kind) {
    return DWORD{1} << static_cast<int>(kind);
}

// The kinds skipped for a profile, as bits (0: none skipped).
DWORD SkippedKinds(const std::string& id) {
    DWORD value = 0;
    return ReadDword(kSkippedKindsKey, id, value) ? value : 0;
}

} // namespace

const char* KindName(Kind kind) {
    switch (kind) {
    case Kind::History:
        return "history";
    case Kind::Cookies:
        return "cookies";
    case Kind::Cache:
        return "cache";
    case Kind::Session:
        return "session";
    case Kind::Forms:
        return "forms";
    }
    return "";
}

bool ParseKind(const std::string& word, Kind& kind) {
    for (const Kind candidate : kKinds)
        if (word == KindName(candidate)) {
            kind = candidate;
            return true;
        }
    return false;
}

bool CleansKind(const std::string& id, Kind kind) {
    return (SkippedKinds(id) & Bit(kind)) == 0;
}

bool SetCleansKind(const std::string& id, Kind kind, bool cleaned, std::string& error) {
    const DWORD skipped = cleaned ? SkippedKinds(id) & ~Bit(kind) : SkippedKinds(id) | Bit(kind);
    // Every kind cleaned is the default, kept as no value at all.
    return WriteDword(kSkippedKindsKey, id,
                      skipped == 0 ? std::nullopt : std::optional<DWORD>(skipped), error);
}

std::string KindsText(const std::string& id) {
    const DWORD skipped = SkippedKinds(id);
    std::string text;
    for (const Kind kind : kKinds)
        if ((skipped & Bit(kind)) == 0)
            text += (text.empty() ? "" : ",") + std::string(KindName(kind));
    if (skipped == 0)
        return "all";
    return text.empty() ? "none" : text;
}

std::vector<Profile> UndecidedProfiles(const UserFolders& folders) {
    std::vector<Profile> undecided;
    for (Profile& profile : DiscoverProfiles(folders).profiles)
        if (GetConsent(profile.id) == Consent::Undecided)
            undecided.push_back(std::move(profile));
    return undecided;
}

std::string ConsentQuestion(const Profile& profile) {
    // The folders a clean writes in, as the system resolves them: a link in the way shows where
    // it really leads. A cache folder not made yet holds nothing to erase and is not named.
    std::string written = "\n  " + profile.realFolder.string();
    for (const std::filesystem::path& cache : profile.cacheFolders) {
        std::error_code ec;
        if (cache != profile.realFolder && std::filesystem::is_directory(cache, ec))
            written += "\n  " + cache.string() + " (its cache)";
    }
    if (profile.family == Family::Chromium) {
        // The one store of the user-data folder that all its profiles share.
        written += "\n  " + (profile.lockFolder / "segmentation_platform").string() +
                   " (shared by the browser's profiles)";
    }
    return "Corvane found the browser profile \"" + profile.name + "\" in\n" +
           profile.folder.string() +
           "\n\nMay Corvane clean it each time you erase your history, and when the browser "
           "closes?\n\nErased: history and typed addresses, cookies and site data, the cache, the "
           "saved session, form and search history.\nNever touched: bookmarks, passwords, "
           "preferences, extensions, permissions and certificates.\n\nCorvane writes only in:" +
           written + "\n\nA profile is never cleaned while its browser has it open.";
}

} // namespace corvane::browsers

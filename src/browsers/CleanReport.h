#pragma once
// What a cleaning did, per profile: what was erased with counts, or why the profile was skipped
// or only partly cleaned. The command line prints one line per profile; the windows show the
// skipped ones in a balloon.

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::browsers {

/// How the cleaning of one profile ended.
enum class Outcome {
    Cleaned,        ///< every trace the family erases was erased
    InUse,          ///< a browser had the profile open: nothing was written
    Partly,         ///< some parts failed (a damaged or locked database, a read-only folder)
    NotEnabled,     ///< the user has not agreed to clean this profile: nothing was written
    OtherCorvane,   ///< another Corvane was cleaning the profile: nothing was written
    BrowserStarted, ///< the browser started during the clean, which stopped before the next store
};

/// One kind of trace erased and how many of it.
struct Erased {
    std::string what; ///< "history", "cookies", "cache files", "session files", "form history"
    long count = 0;
    /// The length of the files among them (a preview tells it; 0 when not told).
    std::int64_t bytes = 0;
};

/// The cleaning of one profile.
struct ProfileReport {
    std::string id;
    std::string name;
    Outcome outcome = Outcome::Cleaned;
    std::vector<Erased> erased;
    /// One line per part that failed, naming the file and the reason.
    std::vector<std::string> problems;
    /// Remarks on parts that were done ("not compacted", what the disk may still keep).
    std::vector<std::string> notes;
    /// BrowserStarted: the stores the clean did not reach.
    std::vector<std::string> notReached;

    /// True for what a clean would erase, told before it (nothing was written).
    bool preview = false;

    /// Adds `count` (and `bytes`) to the kind `what` (keeping the order of first mention).
    void Add(const std::string& what, long count, std::int64_t bytes = 0);
    /// The count of one kind (0 when none was erased).
    long Count(const std::string& what) const;
    /// One line: "NAME (ID): erased ..." or "NAME (ID): skipped, ...".
    std::string Line() const;
};

/// The cleaning of several profiles.
struct CleaningReport {
    std::vector<ProfileReport> profiles;
    /// Lines about what discovery could not read.
    std::vector<std::string> problems;

    /// True when every profile reported was cleaned (none skipped as in use, none partly).
    bool AllCleaned() const;
    /// The reports of the profiles that were not fully cleaned (in use or partly).
    std::vector<const ProfileReport*> NotCleaned() const;
};

} // namespace corvane::browsers

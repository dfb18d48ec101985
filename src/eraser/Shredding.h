#pragma once
// File and folder shredding: the eleven-pass file wipe, the folder-tree wipe and the two
// confirmed actions of the eraser window's chooser. They run without a window: the window hands
// over the pieces of its state they need, and they talk to the user through the message-box
// service.

#include "platform/overwrite.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvane::eraser {

/// The unit of every overwrite, in bytes.
inline constexpr int kWipeBlockSize = 8192;
/// The overwrite passes per file.
inline constexpr int kWipePasses = 11;

/// The file length divided by the block size, rounded to the nearest integer, ties to even.
std::int64_t WipeBlockCount(std::int64_t length);

/// One file that was not overwritten on every pass, or not removed afterwards.
struct WipeFailure {
    /// The file's Windows path.
    std::string Path;
    /// Why, as one short phrase ("not overwritten: ...").
    std::string Reason;
};

/// What became of one file that was overwritten on every pass and removed.
struct WipeVerdict {
    /// The file's Windows path.
    std::string Path;
    /// Whether the passes reached the old bytes, and if not, why not.
    platform::OverwriteVerdict Verdict;
};

/// What a wipe did: the files overwritten on every pass and removed, with what each overwrite
/// reached, and every file that was not.
struct WipeReport {
    /// Files overwritten eleven times, each pass flushed to storage, and then removed.
    std::size_t Overwritten = 0;
    /// One verdict per file overwritten and removed.
    std::vector<WipeVerdict> Verdicts;
    /// Files left behind (or only unlinked), each with its reason.
    std::vector<WipeFailure> Failures;

    /// True when nothing was left behind.
    bool Complete() const { return Failures.empty(); }
    /// The files removed whose old data may survive: not overwritten in place.
    std::vector<const WipeVerdict*> MaySurvive() const;
    /// Adds another report's counts, verdicts and failures to this one.
    void Add(const WipeReport& other);
};

/// "overwritten in place", or "deleted; the old data may survive: REASON" (with what is left
/// being ciphertext, under encryption).
std::string VerdictText(const platform::OverwriteVerdict& verdict);

/// What may keep traces even of the files overwritten in place (their names in the folders'
/// blocks, a flash drive's spare blocks), one line each; empty when no file was removed.
std::vector<std::string> WipeNotes(const WipeReport& report);

/// "N file(s) could not be overwritten" followed by the first `shown` paths and reasons, one per
/// line; empty for a complete report.
std::string FailureSummary(const WipeReport& report, std::size_t shown = 5);

/// "N file(s) deleted, but the old data may survive" followed by the first `shown` paths and
/// reasons, one per line; empty when every removed file was overwritten in place.
std::string SurvivorSummary(const WipeReport& report, std::size_t shown = 5);

/// Overwrites a file eleven times with blocks of "#" through one descriptor, each pass flushed
/// to storage, then renames it to 0s of decreasing length and removes that name. A file whose
/// overwrite did not complete (or whose length changed meanwhile) is left in place; a file with
/// other names (hard links) is not overwritten and only this name goes; a link, FIFO or device
/// is removed without being opened. Says what happened, with a verdict per removed file.
WipeReport WipeFile(const std::string& path);

/// What a folder-tree wipe does with the folders it empties.
enum class FolderRemoval {
    /// Every folder stays.
    None,
    /// Each subfolder is removed once the wipe emptied it; the starting folder stays.
    Subfolders,
    /// The subfolders and then the starting folder itself are removed once empty.
    All,
};

/// Wipes every file in a folder tree, files before subfolders, depth first, walking with
/// descriptors so that no link is followed and no path is re-resolved. Stays on the starting
/// folder's mount and never starts at the root of a drive. Folders go only as `removal` asks
/// and only when empty, so a file that could not be overwritten is never deleted with them.
WipeReport WipeFolderTree(const std::string& folder, FolderRemoval removal = FolderRemoval::None);

/// What the shredding actions need from the eraser window.
struct ShredChooser {
    /// The window caption, the title of every box.
    std::string Caption = "Corvane";
    /// The eraser window (a QWidget), so its boxes are centred over it; null: the active window.
    const void* Owner = nullptr;
    /// `File1.Path`: the folder the file list shows.
    std::string FilePath;
    /// `File1.FileName`: the selected file, empty when none.
    std::string FileName;
    /// `Dir1.Path`: the folder the folder list shows.
    std::string DirPath;
    /// `File1.Refresh`: returns the error's description, or an empty text.
    std::function<std::string()> RefreshFileList;
    /// `Drive1_Change`: puts the folder and file lists on the drive's current folder.
    std::function<void()> DriveChange;
};

/// The text of the box that refuses to shred the root of a drive.
std::string RootRefusalText(const std::string& path);

/// Why a Windows path must never be shredded (the root of a drive, the world's own folder or a
/// folder holding it, a virtual file system); empty when it may be.
std::string ShredRefusal(const std::string& windowsPath);

/// The outcome of a confirmed action.
struct ShredOutcome {
    /// True when the user answered Yes and the wipe ran.
    bool Confirmed = false;
    /// What the wipe did.
    WipeReport Report;
};

/// Asks, then wipes the selected file and refreshes the file list (button `BFile`); a file left
/// behind, or whose old data may survive, is named in one box.
ShredOutcome ShredSelectedFile(const ShredChooser& chooser);

/// Asks, then wipes the folder tree, removes the folders it emptied and moves the lists to the
/// drive's current folder (button `BFolder`); files left behind, and those whose old data may
/// survive, are counted in one box.
ShredOutcome ShredFolder(const ShredChooser& chooser);

} // namespace corvane::eraser

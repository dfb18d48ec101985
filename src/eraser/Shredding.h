#pragma once
// File and folder shredding: the eleven-pass file wipe, the folder-tree wipe and the two
// confirmed actions of the eraser window's chooser. They run without a window: the window hands
// over the pieces of its state they need, and they talk to the user through the message-box
// service.

#include <cstdint>
#include <functional>
#include <string>

namespace corvane::eraser {

/// The unit of every overwrite, in bytes.
inline constexpr int kWipeBlockSize = 8192;
/// The overwrite passes per file.
inline constexpr int kWipePasses = 11;

/// The file length divided by the block size, rounded to the nearest integer, ties to even.
std::int64_t WipeBlockCount(std::int64_t length);

/// Overwrites a file eleven times with blocks of "#", each pass flushed to storage, then
/// deletes it. Every failing step is skipped and the next one runs.
void WipeFile(const std::string& path);

/// Wipes every file in a folder tree, files before subfolders, depth first; removes no folder.
/// Stays on the folder's file system and never starts at the root of a drive.
void WipeFolderTree(const std::string& folder);

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

/// Asks, then wipes the selected file and refreshes the file list (button `BFile`).
void ShredSelectedFile(const ShredChooser& chooser);

/// Asks, then wipes the folder tree, removes the folder and moves the lists to the drive's
/// current folder (button `BFolder`).
void ShredFolder(const ShredChooser& chooser);

} // namespace corvane::eraser

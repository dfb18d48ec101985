#pragma once
// The drive list and the folder list of the eraser window's chooser. Both speak Windows paths of
// the world: the drive list offers the world's drives, the folder list shows one folder with the
// folders above it and the folders inside it, and moves there on a double click.

#include <QComboBox>
#include <QListWidget>

#include <functional>
#include <string>
#include <vector>

namespace corvane::controls {

/// Why a folder (Windows path) can't be listed, or "" when it can.
std::string FolderReadError(const std::string& windowsFolder);

/// The drive list (`Drive1`).
class DriveListBox : public QComboBox {
public:
    /// The world's drives, the first one chosen.
    explicit DriveListBox(QWidget* parent);

    /// The chosen drive ("C:").
    std::string Drive() const;
    /// Chooses a drive (letter and colon, any case); a change runs `Change`.
    void SetDrive(const std::string& drive);
    /// Shows a drive as chosen without running `Change` (to undo a choice that failed).
    void ShowDrive(const std::string& drive);
    /// The number of drives listed.
    int ListCount() const { return count(); }

    /// The change handler (the system's `Drive1_Change`).
    std::function<void()> Change;

private:
    int IndexOf(const std::string& drive) const;
    bool silent_ = false;
};

/// The folder list (`Dir1`).
class DirListBox : public QListWidget {
public:
    /// An empty list; SetPath points it at a folder.
    explicit DirListBox(QWidget* parent);

    /// The folder shown (Windows path, no trailing backslash except at a drive's root).
    const std::string& Path() const { return path_; }
    /// Moves to a folder: returns "" and runs `Change` when the path changed, or the reason the
    /// folder can't be read (and the list stays where it was).
    std::string SetPath(const std::string& windowsFolder);
    /// Reads the folder shown again.
    void Refresh();
    /// The folder on line `index` (0-based), or "" outside the list.
    std::string List(int index) const;
    /// The number of lines.
    int ListCount() const { return count(); }

    /// The change handler (the system's `Dir1_Change`).
    std::function<void()> Change;
    /// Receives the reason when a double click leads to a folder that can't be read.
    std::function<void(const std::string&)> Error;

private:
    void Fill();

    std::string path_;
    std::vector<std::string> paths_;
};

} // namespace corvane::controls

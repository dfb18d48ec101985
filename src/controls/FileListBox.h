#pragma once
// The file list of the windows: the ordinary files of one folder (a Windows path of the world)
// whose names match a wildcard pattern, one per line, with at most one selected. It shows what
// it read last until it is told to read the folder again.

#include "platform/files.h"

#include <QListWidget>

#include <string>
#include <vector>

namespace corvane::controls {

/// A list of a folder's files matching a pattern.
class FileListBox : public QListWidget {
public:
    /// An empty list on `parent` with the pattern "*.*".
    explicit FileListBox(QWidget* parent);

    /// The folder listed, as a Windows path.
    const std::string& Path() const { return path_; }
    /// Points the list at a folder (Windows path) and reads it.
    void SetPath(const std::string& windowsFolder);
    /// The wildcard pattern (`*`, `?`, several patterns separated by ";").
    const std::string& Pattern() const { return pattern_; }
    /// Sets the pattern and reads the folder again.
    void SetPattern(const std::string& pattern);
    /// Reads the folder afresh (unless its stamp proves it unchanged since the last read);
    /// afterwards no name is selected and the list shows its first line.
    void Refresh();

    /// The number of names listed.
    int ListCount() const { return count(); }
    /// The name on line `index` (0-based), or "" outside the list.
    std::string List(int index) const;
    /// The selected line (0-based), or -1 when none is selected.
    int ListIndex() const;
    /// Selects a line (-1 clears the selection).
    void SetListIndex(int index);
    /// The selected file name, or "" when none is selected.
    std::string FileName() const;

private:
    std::string path_;
    std::string pattern_ = "*.*";
    std::vector<std::string> names_;
    // The folder's stamp as of the last read; while it stays the same (and was settled), a
    // re-read would list the same names and is skipped.
    platform::FolderStamp stamp_;
    bool stampValid_ = false;
};

} // namespace corvane::controls

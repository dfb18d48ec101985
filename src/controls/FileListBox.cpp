#include "controls/FileListBox.h"

#include "platform/files.h"

namespace corvane::controls {

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void FileListBox::SetPath(const std::string& windowsFolder) {
    path_ = windowsFolder;
    Refresh();
}

void FileListBox::SetPattern(const std::string& pattern) {
    pattern_ = pattern;
    Refresh();
}

void FileListBox::Refresh() {
    // Hidden files are never shown; a missing folder simply lists nothing.
    names_ = path_.empty() ? std::vector<std::string>{}
                           : platform::FileSystem().ListFiles(path_, pattern_, false);
    clear();
    for (const std::string& name : names_)
        addItem(QString::fromStdString(name));
    setCurrentRow(-1);
    clearSelection();
}

std::string FileListBox::List(int index) const {
    if (index < 0 || index >= static_cast<int>(names_.size()))
        return {};
    return names_[static_cast<std::size_t>(index)];
}

int FileListBox::ListIndex() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.front());
}

void FileListBox::SetListIndex(int index) {
    if (index < 0 || index >= count()) {
        setCurrentRow(-1);
        clearSelection();
        return;
    }
    setCurrentRow(index);
}

std::string FileListBox::FileName() const {
    // The name is kept as read, so a name that is not valid text still deletes the right file.
    return List(ListIndex());
}

} // namespace corvane::controls

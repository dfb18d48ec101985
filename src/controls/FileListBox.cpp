#include "controls/FileListBox.h"

#include "platform/files.h"

namespace corvane::controls {

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void FileListBox::SetPath(const std::string& windowsFolder) {
    path_ = windowsFolder;
    stampValid_ = false;
    Refresh();
}

void FileListBox::SetPattern(const std::string& pattern) {
    pattern_ = pattern;
    stampValid_ = false;
    Refresh();
}

void FileListBox::Refresh() {
    // The stamp is taken before the folder is read: a change during the read moves it, so the
    // next refresh reads again.
    platform::FolderStamp stamp;
    const bool stamped = !path_.empty() && platform::FileSystem().StampFolder(path_, stamp);
    const bool unchanged = stamped && stampValid_ && stamp.SameAs(stamp_);
    stamp_ = stamp;
    stampValid_ = stamped && stamp.settled;
    if (!unchanged) {
        // Hidden files are never shown; a missing folder simply lists nothing.
        std::vector<std::string> names =
            path_.empty() ? std::vector<std::string>{}
                          : platform::FileSystem().ListFiles(path_, pattern_, false);
        if (names != names_ || count() != static_cast<int>(names.size())) {
            names_ = std::move(names);
            QStringList texts;
            texts.reserve(static_cast<qsizetype>(names_.size()));
            for (const std::string& name : names_)
                texts.append(QString::fromStdString(name));
            clear();
            addItems(texts); // one insertion for the whole list, not one per line
        }
    }
    // As after a fresh fill: nothing selected, no current line, the first line in view.
    setCurrentRow(-1);
    clearSelection();
    scrollToTop();
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

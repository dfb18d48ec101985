#include "controls/DriveListBox.h"

#include "platform/files.h"
#include "platform/world.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace corvane::controls {
namespace {

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

/// A Windows folder path in the form the list keeps: backslashes, none at the end except after
/// a drive's colon.
std::string Canonical(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    if (path.size() == 2 && path[1] == ':')
        path += '\\';
    if (path.size() >= 2 && path[1] == ':')
        path[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
    return path;
}

/// The folder and every folder above it, from the drive's root down.
std::vector<std::string> Ancestors(const std::string& path) {
    std::vector<std::string> chain;
    if (path.size() < 3)
        return chain;
    chain.push_back(path.substr(0, 3));
    for (std::size_t i = 3; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '\\')
            if (i > 3)
                chain.push_back(path.substr(0, i));
    return chain;
}

std::string LastPiece(const std::string& path) {
    if (path.size() <= 3)
        return path;
    return path.substr(path.find_last_of('\\') + 1);
}

} // namespace

std::string FolderReadError(const std::string& windowsFolder) {
    const std::string posix = world::ToPosix(windowsFolder);
    if (posix.empty())
        return "Device unavailable: " + windowsFolder;
    std::error_code ec;
    std::filesystem::directory_iterator it(posix, ec);
    if (ec)
        return "Path not found: " + windowsFolder + " (" + ec.message() + ")";
    return {};
}

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
    for (const std::string& drive : world::Drives())
        addItem(QString::fromStdString(drive));
    connect(this, &QComboBox::currentIndexChanged, this, [this](int) {
        if (!silent_ && Change)
            Change();
    });
}

std::string DriveListBox::Drive() const {
    return currentText().toStdString();
}

int DriveListBox::IndexOf(const std::string& drive) const {
    const std::string wanted = Upper(drive.substr(0, 2));
    for (int i = 0; i < count(); ++i)
        if (Upper(itemText(i).toStdString()) == wanted)
            return i;
    return -1;
}

void DriveListBox::SetDrive(const std::string& drive) {
    const int index = IndexOf(drive);
    if (index >= 0)
        setCurrentIndex(index);
}

void DriveListBox::ShowDrive(const std::string& drive) {
    const int index = IndexOf(drive);
    if (index < 0)
        return;
    silent_ = true;
    setCurrentIndex(index);
    silent_ = false;
}

DirListBox::DirListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const std::string target = paths_[static_cast<std::size_t>(row(item))];
        const std::string error = SetPath(target);
        if (!error.empty() && Error)
            Error(error);
    });
}

std::string DirListBox::SetPath(const std::string& windowsFolder) {
    const std::string target = Canonical(windowsFolder);
    if (std::string error = FolderReadError(target); !error.empty())
        return error;
    // Keep the case the folders really have, as the folder list shows them.
    platform::FsoFolder folder;
    const std::string shown =
        platform::FileSystem().GetFolder(target, folder) ? Canonical(folder.Path) : target;
    const bool changed = shown != path_;
    path_ = shown;
    Fill();
    if (changed && Change)
        Change();
    return {};
}

void DirListBox::Refresh() {
    Fill();
}

std::string DirListBox::List(int index) const {
    if (index < 0 || index >= static_cast<int>(paths_.size()))
        return {};
    return paths_[static_cast<std::size_t>(index)];
}

void DirListBox::Fill() {
    clear();
    paths_.clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const std::vector<std::string> chain = Ancestors(path_);
    int depth = 0;
    for (const std::string& folder : chain) {
        auto* item = new QListWidgetItem(open, QString(depth * 2, QLatin1Char(' ')) +
                                                   QString::fromStdString(LastPiece(folder)));
        addItem(item); // owned by the list
        paths_.push_back(folder);
        ++depth;
    }
    if (!chain.empty())
        setCurrentRow(count() - 1);

    platform::FsoFolder folder;
    if (!platform::FileSystem().GetFolder(path_, folder))
        return;
    std::vector<platform::FsoItem> subfolders = platform::FileSystem().SubFolders(folder);
    std::sort(subfolders.begin(), subfolders.end(),
              [](const auto& a, const auto& b) { return Upper(a.Name) < Upper(b.Name); });
    for (const platform::FsoItem& sub : subfolders) {
        auto* item = new QListWidgetItem(closed, QString(depth * 2, QLatin1Char(' ')) +
                                                     QString::fromStdString(sub.Name));
        addItem(item); // owned by the list
        paths_.push_back(Canonical(sub.Path));
    }
}

} // namespace corvane::controls

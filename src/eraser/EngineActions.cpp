// The eraser window's actions: the image buttons' background, the full clean with its progress
// animation, the address list and the chooser for shredding.

#include "eraser/Engine.h"

#include "controls/ByteItems.h"
#include "controls/DriveListBox.h"
#include "controls/FileListBox.h"
#include "controls/Label.h"
#include "controls/XP_ProgressBar.h"
#include "controls/chameleonButton.h"
#include "eraser/FolderErasers.h"
#include "eraser/ImageTriplet.h"
#include "eraser/Shredding.h"
#include "platform/world.h"
#include "traces/modCache.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QWindow>

#include <filesystem>

namespace corvane {

void Engine::Picture2_MouseMove(short Button, short, float, float) {
    for (eraser::ImageTriplet* triplet : triplets_)
        triplet->Reset();
    // Dragging the background moves the window, as dragging a caption would.
    if (Button == 1 && windowHandle() != nullptr)
        windowHandle()->startSystemMove();
}

void Engine::chameleonButton1_Click() {
    AdvProgressBar1->SetValue(0);
    Label2->SetCaption("This May Take A Few Minutes...");
    Timer1.SetEnabled(true);
    EraseAll();
    RefreshHistoryList();
}

void Engine::chameleonButton2_Click() {
    hide();
}

void Engine::Timer1_Timer() {
    AdvProgressBar1->SetValue(AdvProgressBar1->Value() + 5);
    chameleonButton1->SetEnabled(false);
    chameleonButton2->SetEnabled(false);
    if (AdvProgressBar1->Value() > 99) {
        hide();
        if (hooks_.enableScannerTimer9)
            hooks_.enableScannerTimer9();
        Timer1.SetEnabled(false);
    }
}

namespace {

/// `List1` as the folder erasers see it.
class List1Box : public eraser::ListBox {
public:
    explicit List1Box(QListWidget* list) : list_(list) {}
    void Clear() override { list_->clear(); }
    void AddItem(const std::string& item) override { controls::AddByteItem(*list_, item); }
    int ListCount() const override { return list_->count(); }
    std::string List(int index) const override { return controls::ItemBytes(list_->item(index)); }

private:
    QListWidget* list_;
};

} // namespace

std::unique_ptr<eraser::ListBox> Engine::MakeList1Box() {
    return std::make_unique<List1Box>(List1);
}

void Engine::RefreshHistoryList() {
    // Before the load has made the erasers, the list is filled by the same listing rule.
    if (erasers_) {
        erasers_->RefreshHistoryList();
        return;
    }
    List1->clear();
    for (const std::string& url : modCache::ListCacheUrls())
        controls::AddByteItem(*List1, url);
}

void Engine::EraseHistory() {
    if (erasers_)
        erasers_->EraseHistory();
}

void Engine::CleanTempFolder() {
    if (erasers_)
        erasers_->CleanTempFolder();
}

void Engine::EraseAll() {
    if (erasers_)
        erasers_->EraseAll();
}

void Engine::List1_DblClick() {
    const QListWidgetItem* item = List1->currentItem();
    if (item == nullptr)
        return;
    modCache::DeleteCacheEntry(controls::ItemBytes(item));
    RefreshHistoryList();
}

// ---------------------------------------------------------------------------------------------
// The chooser

std::string Engine::DriveCurrentFolder(const std::string& drive) const {
    // Each drive's current folder is where the program runs when that is on the drive, else the
    // drive's root; a folder that is gone gives way to the nearest one above it that is there.
    std::string folder = drive.substr(0, 2) + "\\";
    const std::string working = world::ToWindows(QDir::currentPath().toStdString());
    if (working.size() >= 2 &&
        QString::fromStdString(working.substr(0, 2))
                .compare(QString::fromStdString(drive.substr(0, 2)), Qt::CaseInsensitive) == 0)
        folder = working;
    while (folder.size() > 3 && !controls::FolderReadError(folder).empty())
        folder = folder.substr(0, std::max<std::size_t>(folder.find_last_of('\\'), 3));
    return folder;
}

void Engine::Drive1_Change() {
    const std::string error = Dir1->SetPath(DriveCurrentFolder(Drive1->Drive()));
    if (!error.empty()) {
        ShowError(error);
        // The folder list stays where it was; the drive list goes back to match it.
        Drive1->ShowDrive(Dir1->Path());
    }
}

void Engine::Dir1_Change() {
    File1->SetPath(Dir1->Path());
}

namespace {

eraser::ShredChooser Chooser(const QWidget& window, controls::FileListBox* files,
                             controls::DirListBox* folders, std::function<void()> driveChange) {
    eraser::ShredChooser chooser;
    chooser.Caption = window.windowTitle().toStdString();
    chooser.Owner = &window;
    chooser.FilePath = files->Path();
    chooser.FileName = files->FileName();
    chooser.DirPath = folders->Path();
    chooser.RefreshFileList = [files] {
        std::string error = controls::FolderReadError(files->Path());
        files->Refresh();
        return error;
    };
    chooser.DriveChange = std::move(driveChange);
    return chooser;
}

} // namespace

void Engine::ShredSelectedFile() {
    eraser::ShredSelectedFile(Chooser(*this, File1, Dir1, [this] { Drive1_Change(); }));
}

void Engine::ShredFolder() {
    eraser::ShredFolder(Chooser(*this, File1, Dir1, [this] { Drive1_Change(); }));
}

} // namespace corvane

// The scanner window's "Cookies" page: the cookie file list, its watcher and the removal of one
// selected cookie file.

#include "controls/ByteItems.h"
#include "controls/Child.h"
#include "controls/FileListBox.h"
#include "controls/GroupBox.h"
#include "controls/Twips.h"
#include "controls/chameleonButton.h"
#include "platform/files.h"
#include "scanner/Form1.h"
#include "scanner/Form1Layout.h"
#include "scanner/ScanReport.h"

#include <QListWidget>

namespace corvane {

using namespace controls;

void Form1::CreateCookiesPage() {
    File1 = MakeChild<FileListBox>(GroupBox2, TwipsRect(120, 360, 6975, 3150));
    // Flat appearance: a single-line border instead of the sunken edge.
    File1->setFrameShape(QFrame::Box);
    Form1Layout::SetListColours(*File1, platform::RGB(192, 192, 192));
    File1->SetPattern(ScanReport::kCookiePattern);
    chameleonButton3 =
        Form1Layout::MakeButton(GroupBox2, "Clear Selected Cookie Only", 120, 3600, 6975);
}

void Form1::Timer1_Timer() {
    selectedCookie_ = File1->FileName();
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    selectedAddress_ = selected.isEmpty() ? std::string() : controls::ItemBytes(selected.front());
    GroupBox2->SetCaption("Total Cookies Detected On System: " +
                          std::to_string(File1->ListCount()));
    chameleonButton3->SetEnabled(!selectedCookie_.empty());
    chameleonButton2->SetEnabled(!selectedAddress_.empty());
}

void Form1::chameleonButton3_Click() {
    // The button stays enabled for up to one watcher tick after the selection went away; with no
    // name selected there is nothing to delete (the folder itself must never be the target).
    const std::string name = File1->FileName();
    if (name.empty())
        return;
    std::string path = File1->Path();
    if (path.empty() || path.back() != '\\')
        path += '\\';
    platform::FileSystem().DeleteFileA(path + name);
    File1->Refresh();
}

} // namespace corvane

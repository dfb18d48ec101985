// The scanner window's "Temporary Files Stored" page: the cache address list and opening a
// selected address in the browser.

#include "controls/ByteItems.h"
#include "controls/Child.h"
#include "controls/GroupBox.h"
#include "controls/Twips.h"
#include "controls/chameleonButton.h"
#include "platform/shell.h"
#include "scanner/Form1.h"
#include "scanner/Form1Layout.h"

#include <QListWidget>

namespace corvane {

using namespace controls;

void Form1::CreateFilesPage() {
    List1 = MakeChild<QListWidget>(GroupBox4, TwipsRect(120, 360, 6945, 3150));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    Form1Layout::SetListColours(*List1, platform::RGB(192, 192, 192), platform::RGB(64, 64, 64));
    chameleonButton2 = Form1Layout::MakeButton(GroupBox4, "Go To Website", 120, 3600, 6975);
}

void Form1::chameleonButton2_Click() {
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    if (selected.isEmpty())
        return;
    // Only a web address is opened; the shell refuses anything else (it could be a program).
    platform::ShellExecuteA(static_cast<const void*>(this), "",
                            controls::ItemBytes(selected.front()), "", "C:\\",
                            platform::SW_SHOWNORMAL);
}

} // namespace corvane

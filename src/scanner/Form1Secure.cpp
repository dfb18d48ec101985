// The scanner window's "Secure" page: the scan run with its progress and report, the last-scan
// date, the hand-over to the eraser window and the finishing animation after a clean.

#include "controls/ByteItems.h"
#include "controls/Child.h"
#include "controls/FileListBox.h"
#include "controls/GroupBox.h"
#include "controls/Label.h"
#include "controls/Twips.h"
#include "controls/XP_ProgressBar.h"
#include "controls/chameleonButton.h"
#include "platform/settings.h"
#include "platform/urlcache.h"
#include "scanner/EraserWindow.h"
#include "scanner/Form1.h"
#include "scanner/Form1Layout.h"
#include "scanner/ScanReport.h"

#include <QDate>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QLocale>

namespace corvane {

using namespace controls;

using Form1Layout::MakeButton;
using Form1Layout::MakeLabel;
using Form1Layout::MakeRule;

namespace {

/// Where the last-scan date is kept in the settings store.
constexpr char kSettingsApplication[] = "Halcyra";
constexpr char kSettingsSection[] = "Date";
constexpr char kSettingsKey[] = "History";

} // namespace

void Form1::CreateSecurePage() {
    QWidget* page = GroupBox1;
    const int right = Label::RightJustify;
    Label5 = MakeLabel(page, "Scanning Options", 120, 480, 2655, true);
    MakeRule(page, 720);
    chameleonButton4 =
        MakeButton(page, "Start Secure Scanning", 120, 840, 6975, ":/corvane/scan.png");
    chameleonButton1 = MakeButton(page, "Activate Cleaner", 120, 1320, 6975, ":/corvane/clean.png");
    chameleonButton1->SetEnabled(false);
    Label4 = MakeLabel(page, "Cleaning Results", 120, 1920, 2535, true);
    MakeRule(page, 2160);
    Label21 = MakeLabel(page, "Scan Results:", 120, 2280, 2175);
    Label22 = MakeLabel(page, "Not Yet Scanned", 1320, 2280, 5775, false, right);
    Label2 = MakeLabel(page, "Cleaning Protection:", 120, 2640, 1575);
    Label7 = MakeLabel(page, "Activate Cleaner", 1800, 2640, 5295, false, right);
    AdvProgressBar1 = MakeChild<XP_ProgressBar>(page, TwipsRect(120, 3000, 6975, 255));
    AdvProgressBar1->SetColor(platform::RGB(192, 0, 0));
    AdvProgressBar1->SetBrushStyle(0);
    AdvProgressBar1->SetScrolling(5);
    AdvProgressBar1->SetValue(0);
    Label3 = MakeLabel(page, "Scanning History", 120, 3360, 2535, true);
    MakeRule(page, 3600);
    Label1 = MakeLabel(page, "Last Scan Made On:", 120, 3720, 3855);
    Label6 = MakeLabel(page, "Not Yet Scanned", 1680, 3720, 5415, false, right);
}

void Form1::chameleonButton4_Click() {
    Label7->SetCaption("Activate Cleaner");
    AdvProgressBar1->SetValue(0);
    Timer2.SetEnabled(true);
}

void Form1::Timer2_Timer() {
    chameleonButton4->SetEnabled(false);
    chameleonButton1->SetEnabled(false);
    AdvProgressBar1->SetValue(AdvProgressBar1->Value() + 10);
    File1->Refresh();
    RefreshCacheList();
    if (AdvProgressBar1->Value() <= 99)
        return;

    Timer2.SetEnabled(false);
    chameleonButton4->SetEnabled(true);
    chameleonButton1->SetEnabled(true);
    Label6->SetCaption(QLocale().toString(QDate::currentDate(), QLocale::LongFormat).toStdString());
    const long cookies = File1->ListCount();
    const long others = List1->count();
    Label22->SetCaption(std::to_string(others + cookies) + " Files");
    platform::MsgBox(ScanReport::ReportText(cookies, others),
                     platform::vbOKOnly + platform::vbInformation, "Scanning Done", this);
}

void Form1::Timer4_Timer() {
    // Only a changed date is written: the tick runs twice a second for the window's whole life,
    // and every write is a transaction holding the hive's write lock, which the tray instance
    // and corvanectl share. Reading first is cheap and leaves the hive alone.
    const std::string& text = Label6->Caption();
    if (platform::GetSetting(kSettingsApplication, kSettingsSection, kSettingsKey) != text)
        platform::SaveSetting(kSettingsApplication, kSettingsSection, kSettingsKey, text);
}

void Form1::RefreshCacheList() {
    // The change count is read before the walk: a change during the walk moves it, so the next
    // refresh reads again.
    std::uint64_t changes = 0;
    const bool counted = platform::UrlCacheChangeCount(changes);
    if (counted && cacheListValid_ && changes == cacheListCount_) {
        // The same addresses as the last fill; leave the list as a fresh fill would.
        List1->selectionModel()->clear();
        List1->scrollToTop();
        return;
    }
    const std::vector<std::string> addresses = ScanReport::CacheAddresses();
    List1->clear();
    controls::AddByteItems(*List1, addresses); // each address keeps its exact bytes
    cacheListCount_ = changes;
    // A walk that stopped early (no memory for an entry) shows less than the cache holds: the
    // next refresh must walk again.
    cacheListValid_ =
        counted && static_cast<long>(addresses.size()) == ScanReport::CountCacheAddresses();
}

void Form1::chameleonButton1_Click() {
    if (EraserWindow* eraser = hooks_.eraserWindow ? hooks_.eraserWindow() : nullptr) {
        eraser->SetProgressValue(0);
        eraser->SetCleanButtonsEnabled(true);
        eraser->SetStatusText("Status");
        eraser->ShowWindow();
    }
    AdvProgressBar1->SetValue(0);
}

void Form1::Timer9_Timer() {
    AdvProgressBar1->SetValue(AdvProgressBar1->Value() + 5);
    if (AdvProgressBar1->Value() > 99) {
        Timer9.SetEnabled(false);
        chameleonButton4->SetEnabled(true);
        chameleonButton1->SetEnabled(false);
        Label7->SetCaption(Label22->Caption() + " Cleaned");
        platform::MsgBox("Cleaning Done   ", platform::vbOKOnly + platform::vbInformation,
                         "Corvane", this);
    }
    File1->Refresh();
    RefreshCacheList();
}

} // namespace corvane

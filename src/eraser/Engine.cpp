// The eraser window: its controls, the load and unload steps, the notification icon and its
// menu, and the "Run at Windows startup" box.

#include "eraser/Engine.h"

#include "controls/Child.h"
#include "controls/DriveListBox.h"
#include "controls/FileListBox.h"
#include "controls/GroupBox.h"
#include "controls/Label.h"
#include "controls/Shape.h"
#include "controls/TopLevel.h"
#include "controls/XP_ProgressBar.h"
#include "controls/chameleonButton.h"
#include "eraser/Backdrop.h"
#include "eraser/FolderErasers.h"
#include "eraser/FreeSpace.h"
#include "eraser/FreeSpaceDialog.h"
#include "eraser/ImageTriplet.h"
#include "platform/files.h"
#include "platform/widgets/drawing.h"
#include "platform/world.h"
#include "shell/Autostart.h"
#include "shell/SysTray.h"
#include "shell/XPInit.h"
#include "traces/CURLHistory.h"
#include "traces/CleanIT.h"
#include "traces/RegRWModule.h"
#include "traces/modNormalisePath.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <QScreen>

#include <iostream>

namespace corvane {

using namespace controls;
using eraser::ImageTriplet;

namespace {

/// The window's client size: the button grid ends at 516 x 264.
constexpr int kWidth = 524;
constexpr int kHeight = 276;

/// The label colour on the title band.
const QColor kBandText(255, 255, 255);

LineShape* MakeLine(QWidget* parent, int x, int y, int width) {
    return MakeChild<LineShape>(parent, QRect(x, y, width, 1), platform::RGB(172, 168, 153));
}

/// A push button with the design values every button of the program's windows carries.
chameleonButton* MakeButton(QWidget* parent, const QString& caption, const QRect& geometry) {
    auto* button = MakeChild<chameleonButton>(parent, geometry);
    button->InitProperties();
    button->SetButtonType(3);
    button->SetColorScheme(1);
    button->SetBackColor(platform::RGB(236, 233, 216));
    button->SetBackOver(platform::RGB(236, 233, 216));
    button->SetForeColor(platform::RGB(0, 0, 0));
    button->SetForeOver(platform::RGB(0, 0, 0));
    button->SetMaskColor(platform::RGB(192, 192, 192));
    button->SetMousePointer(1);
    platform::Font font;
    font.bold = true;
    button->SetFont(font);
    button->SetCaption(caption.toStdString());
    return button;
}

} // namespace

Engine::Engine(EngineHooks hooks)
    : Watcher(eraser::BrowserWatcher::Hooks{hooks.isBrowserRunning, [this] { ShowBusyIcon(); },
                                            [this] { AutomaticErase(); },
                                            [this] { ShowNormalIcon(); }}),
      TCheck(Watcher.TCheck), TClosed(Watcher.TClosed),
      ProfileWatch(ProfileWatcherHooks(hooks.profileWatcher)), hooks_(std::move(hooks)) {
    Form_Initialize();
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    PrepareTopLevel(*this, QStringLiteral("Corvane"));
    setFixedSize(kWidth, kHeight);

    Timer1.SetInterval(200);
    Timer1.OnTick = [this] { Timer1_Timer(); };

    Picture2 = MakeChild<eraser::Backdrop>(this, rect());
    Picture2->MouseMove = [this](short button, short shift, float x, float y) {
        Picture2_MouseMove(button, shift, x, y);
        BFree->Reset();
    };
    // Decoration: a dark edge under the title band and a panel behind the column of erasers.
    Shape1 = MakeChild<Shape>(Picture2, QRect(1, eraser::Backdrop::kBandHeight, kWidth - 2, 2),
                              platform::RGB(112, 0, 0));
    Shape2 = MakeChild<Shape>(Picture2, QRect(434, 36, 88, 234), platform::RGB(226, 222, 204));
    Shape2->SetBorderColor(platform::RGB(200, 196, 180));
    // Picture1 only holds the picture the icon shows while the automatic erase runs.
    Picture1 = MakeChild<QLabel>(Picture2, QRect(8, 8, 48, 48));
    Picture1->setPixmap(QPixmap(QStringLiteral(":/corvane/icon-busy.png")));
    Picture1->setVisible(false);

    CreateButtons();
    CreateLists();
    CreateCleanPanel();
    CreateMenu();
}

Engine::~Engine() {
    // A window destroyed without its unload step still takes its icon with it.
    if (!unloaded_)
        Form_Unload();
}

browsers::ProfileWatcher::Hooks Engine::ProfileWatcherHooks(browsers::ProfileWatcher::Hooks hooks) {
    // The real profiles are cleaned under the same busy picture as the world's automatic erase.
    hooks.BusyBegin = [this](const browsers::Profile&) { ShowBusyIcon(); };
    hooks.BusyEnd = [this](const browsers::ProfileReport& report) {
        ShowNormalIcon();
        browsers::CleaningReport one;
        one.profiles.push_back(report);
        TellNotCleaned(one);
    };
    return hooks;
}

void Engine::ShowBusyIcon() {
    SysTray::ModifyTrayIcon(QIcon(Picture1->pixmap()));
}

void Engine::ShowNormalIcon() {
    SysTray::ModifyTrayIcon(windowIcon());
}

void Engine::Form_Initialize() {
    XPInit::InitCommonControlsForWindow();
}

void Engine::CreateButtons() {
    struct Spec {
        ImageTriplet** member;
        const char* name;
        const char* caption;
        QRect place;
    };
    // Listed in the order a move over the background resets them.
    const Spec specs[] = {
        {&BX, "BX", "X", {496, 8, 20, 20}},
        {&BM, "BM", "_", {472, 8, 20, 20}},
        {&BClean, "BClean", "Clean All", {440, 244, 76, 20}},
        {&BHist, "BHist", "History", {440, 64, 76, 20}},
        {&BMedia, "BMedia", "Media", {440, 88, 76, 20}},
        {&BPaint, "BPaint", "Paint", {440, 112, 76, 20}},
        {&BRead, "BRead", "Read", {440, 40, 76, 20}},
        {&BRecent, "BRecent", "Recent", {440, 136, 76, 20}},
        {&BRefresh, "BRefresh", "Refresh", {8, 244, 76, 20}},
        {&BRun, "BRun", "Run", {440, 160, 76, 20}},
        {&BFile, "BFile", "Shred File", {248, 244, 76, 20}},
        {&BFolder, "BFolder", "Shred Folder", {332, 244, 76, 20}},
        {&BFind, "BFind", "Search", {440, 184, 76, 20}},
        {&BTemp, "BTemp", "Temp", {440, 208, 76, 20}},
    };
    std::size_t i = 0;
    for (const Spec& spec : specs) {
        *spec.member = new ImageTriplet(Picture2, spec.name, QString::fromLatin1(spec.caption),
                                        spec.place); // owned by the background
        triplets_[i++] = *spec.member;
    }
    BRefresh->Active->setToolTip(QStringLiteral("Refresh History list"));
    // The free-space wipe acts on the drive the drive list shows, so it sits beside that list,
    // above the two shred buttons and in their columns.
    BFree = new ImageTriplet(Picture2, "BFree", QStringLiteral("Wipe Free Space"),
                             QRect(332, 41, 100, 20)); // owned by the background
    BFree->Action = [this] { WipeFreeSpace(); };

    BHist->Action = [this] { EraseHistory(); };
    BMedia->Action = [] { CleanIT::CleanMediaPlayerMRU(); };
    BPaint->Action = [] { CleanIT::CleanPaintMRU(); };
    BRecent->Action = [] { CleanIT::CleanRecentDocs(); };
    BRun->Action = [] { CleanIT::CleanRunMRU(); };
    BFind->Action = [] { CleanIT::CleanFindMRU(); };
    BTemp->Action = [this] { CleanTempFolder(); };
    BClean->Action = [this] { EraseAll(); };
    BRefresh->Action = [this] { RefreshHistoryList(); };
    BFile->Action = [this] { ShredSelectedFile(); };
    BFolder->Action = [this] { ShredFolder(); };
    BM->Action = [this] { HideToTray(); };
    BX->Action = [this] { MnuExit_Click(); };
}

void Engine::CreateLists() {
    // As wide as Shred File below it, leaving room for Wipe Free Space beside it.
    Drive1 = MakeChild<DriveListBox>(Picture2, QRect(248, 40, 76, 22));
    Dir1 = MakeChild<DirListBox>(Picture2, QRect(248, 64, 184, 84));
    File1 = MakeChild<FileListBox>(Picture2, QRect(248, 150, 184, 88));
    Drive1->Change = [this] { Drive1_Change(); };
    Dir1->Change = [this] { Dir1_Change(); };
    Dir1->Error = [this](const std::string& error) { ShowError(error); };

    List1 = MakeChild<QListWidget>(Picture2, QRect(8, 168, 232, 70));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    list1Box_ = MakeList1Box();
    connect(List1, &QListWidget::itemDoubleClicked, this, [this] { List1_DblClick(); });

    CheStart = MakeChild<QCheckBox>(Picture2, QRect(92, 246, 152, 16));
    CheStart->setText(QStringLiteral("Run at Windows startup"));
    CheStart->setAutoFillBackground(false);
    // The box's state changes from the user and from the load step both run its handler.
    connect(CheStart, &QCheckBox::toggled, this, [this] { CheStart_Click(); });

    Label1 = MakeChild<QLabel>(this, QRect(104, 2, 360, 30));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setText(QStringLiteral("It is recommended to close any other running applications to "
                                   "ensure a 100% complete cleaning process by Corvane."));
    Label1->setWordWrap(true);
    QPalette onBand = Label1->palette();
    onBand.setColor(QPalette::WindowText, kBandText);
    Label1->setPalette(onBand);
    // Moving or dragging over the advice is moving over the background.
    Label1->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Engine::CreateCleanPanel() {
    GroupBox1 = MakeChild<GroupBox>(this, QRect(8, 38, 232, 126), "GroupBox1");
    GroupBox1->SetCaption("");
    GroupBox1->SetBackColor(platform::RGB(236, 233, 216));
    const auto panelLabel = [this](const char* caption, const QRect& place, bool bold) {
        auto* label = MakeChild<Label>(GroupBox1, place, caption);
        label->SetBackColor(platform::RGB(236, 233, 216));
        platform::Font font;
        font.bold = bold;
        label->SetFont(font);
        return label;
    };
    Label3 = panelLabel("Actions", QRect(10, 10, 212, 14), true);
    Line1 = MakeLine(GroupBox1, 10, 25, 212);
    chameleonButton1 =
        MakeButton(GroupBox1, QStringLiteral("Proceed With Clean"), QRect(10, 30, 212, 24));
    chameleonButton2 =
        MakeButton(GroupBox1, QStringLiteral("Skip Operation"), QRect(10, 57, 212, 24));
    Label2 = panelLabel("Status", QRect(10, 86, 212, 14), false);
    Line2 = MakeLine(GroupBox1, 10, 101, 212);
    AdvProgressBar1 = MakeChild<XP_ProgressBar>(GroupBox1, QRect(10, 106, 212, 12));
    AdvProgressBar1->SetColor(platform::RGB(192, 0, 0));
    AdvProgressBar1->SetBrushStyle(0);
    AdvProgressBar1->SetScrolling(5);
    AdvProgressBar1->SetValue(0);
    connect(chameleonButton1, &chameleonButton::Click, this, [this] { chameleonButton1_Click(); });
    connect(chameleonButton2, &chameleonButton::Click, this, [this] { chameleonButton2_Click(); });
}

void Engine::CreateMenu() {
    Mnu_File = new QMenu(QStringLiteral("File"), this); // owned by the window
    // A pop-up is a window of its own and does not take the window's font by itself.
    Mnu_File->setFont(font());
    MnuShow = Mnu_File->addAction(QStringLiteral("Show"));
    MnuHist = Mnu_File->addAction(QStringLiteral("Erase History"));
    MnuAll = Mnu_File->addAction(QStringLiteral("Erase All"));
    MnuBar = Mnu_File->addSeparator();
    MnuExit = Mnu_File->addAction(QStringLiteral("Exit"));
    connect(MnuShow, &QAction::triggered, this, [this] { MnuShow_Click(); });
    connect(MnuHist, &QAction::triggered, this, [this] { MnuHist_Click(); });
    connect(MnuAll, &QAction::triggered, this, [this] { MnuAll_Click(); });
    connect(MnuExit, &QAction::triggered, this, [this] { MnuExit_Click(); });
}

ImageTriplet* Engine::Triplet(const std::string& name) const {
    for (ImageTriplet* triplet : triplets_)
        if (triplet->Name() == name)
            return triplet;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Start-up and shut-down

std::string Engine::CommandText(int argc, const char* const* argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            text += ' ';
        text += argv[i];
    }
    return text;
}

bool Engine::IsMinimisedStart(const std::string& commandText) {
    return commandText == "-min";
}

std::string Engine::RunCommand(const std::string& programFolder) {
    return modNormalisePath::NormalisePath(world::ToWindows(programFolder)) + "Quenrel.exe -min";
}

std::string Engine::ExecutablePath() const {
    if (!hooks_.executable.empty())
        return hooks_.executable;
    return QCoreApplication::applicationFilePath().toStdString();
}

std::string Engine::ProgramFolder() const {
    const std::string executable = ExecutablePath();
    const std::size_t slash = executable.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : executable.substr(0, slash);
}

void Engine::Form_Load() {
    unloaded_ = false;
    // 1. A fresh clean panel.
    AdvProgressBar1->SetValue(0);
    chameleonButton1->SetEnabled(true);
    chameleonButton2->SetEnabled(true);
    Label2->SetCaption("Status");
    // 2. The splash, which loads the scanner window hidden.
    if (hooks_.showSplash)
        hooks_.showSplash();
    // 3. The notification icon, and "-min".
    SysTray::AddTrayIcon(windowIcon(), QStringLiteral("Corvane"),
                         [this](short button, short shift, float x, float y) {
                             Form_MouseMove(button, shift, x, y);
                         });
    const bool startHidden = IsMinimisedStart(hooks_.commandLine);
    if (startHidden)
        HideToTray();
    // 4. to 6. The cached addresses, the history store and the folders.
    RefreshHistoryList();
    URLHistory = std::make_unique<CURLHistory>();
    ReadFolders();
    // 7. The Run value.
    ReadRunValue();
    // 8. The chooser starts in the program's folder.
    if (const std::string error = Dir1->SetPath(world::ToWindows(ProgramFolder())); !error.empty())
        Dir1->SetPath(DriveCurrentFolder(Drive1->Drive()));
    Drive1->ShowDrive(Dir1->Path());
    // 9. The browser watcher, and beside it the watcher of the user's real profiles.
    Watcher.Start();
    ProfileWatch.Start();
    // The start-up window is shown once its load has finished, unless the load hid it.
    if (!startHidden)
        ShowWindow();
}

void Engine::Form_Unload() {
    unloaded_ = true;
    SysTray::RemoveTrayIcon();
    Timer1.SetEnabled(false);
    TCheck.SetEnabled(false);
    TClosed.SetEnabled(false);
    ProfileWatch.Stop();
}

void Engine::showEvent(QShowEvent* event) {
    PlaceOnce();
    QWidget::showEvent(event);
}

void Engine::PlaceOnce() {
    if (placed_)
        return;
    placed_ = true;
    // Above the centre, so that the scanner window (centred, shown a few seconds later)
    // does not cover it; on a screen too small for both, at the top. The scanner window is
    // centred by its client area or by its frame, depending on whether the desktop had
    // told its frame size yet, so its title bar and border may reach above the centred
    // client area: room is left for the tallest frames of the usual window managers.
    if (const QScreen* screen = this->screen()) {
        constexpr int kScannerHeight = 386;
        constexpr int kScannerFrameTop = 30;
        const QRect area = screen->availableGeometry();
        QRect frame = frameGeometry();
        frame.moveLeft(area.center().x() - frame.width() / 2);
        frame.moveBottom(area.center().y() - kScannerHeight / 2 - kScannerFrameTop - 8);
        frame.moveTop(std::max(frame.top(), area.top()));
        move(frame.topLeft());
    }
}

void Engine::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void Engine::ReadFolders() {
    eraser::BrowserFolders folders = eraser::ReadBrowserFolders();
    HistoryFolder = folders.HistoryFolder;
    CacheFolder = folders.CacheFolder;
    CookiesFolder = folders.CookiesFolder;
    TempFolder = folders.TempFolder;
    erasers_ = std::make_unique<eraser::FolderErasers>(*list1Box_, *URLHistory, std::move(folders));
}

void Engine::ReadRunValue() {
    if (!CleanIT::GetRegString(platform::HKEY_CURRENT_USER, kRunKey, kRunValue).empty())
        CheStart->setChecked(true);
}

void Engine::CheStart_Click() {
    std::string error;
    if (CheStart->isChecked()) {
        RegRWModule::SaveRegString(platform::HKEY_CURRENT_USER, kRunKey, kRunValue,
                                   RunCommand(ProgramFolder()));
        if (!Autostart::Install(ExecutablePath(), error))
            std::cerr << "corvane: the autostart entry was not written: " << error << "\n";
    } else {
        RegRWModule::DeleteRegValue(platform::HKEY_CURRENT_USER, kRunKey, kRunValue);
        if (!Autostart::Remove(error))
            std::cerr << "corvane: the autostart entry was not removed: " << error << "\n";
    }
}

// ---------------------------------------------------------------------------------------------
// The notification icon and its menu

void Engine::Form_MouseMove(short, short, float X, float) {
    if (X == 7725.0f) {
        RefreshHistoryList();
        ShowWindow();
    } else if (X == 7740.0f) {
        Mnu_File->popup(QCursor::pos());
    }
}

void Engine::MnuShow_Click() {
    RefreshHistoryList();
    ShowWindow();
}

void Engine::MnuHist_Click() {
    EraseHistory();
}

void Engine::MnuAll_Click() {
    EraseAll();
}

void Engine::MnuExit_Click() {
    SysTray::RemoveTrayIcon();
    // Nothing of the window may run any more while the program ends.
    Timer1.SetEnabled(false);
    TCheck.SetEnabled(false);
    TClosed.SetEnabled(false);
    ProfileWatch.Stop();
    if (hooks_.endProgram)
        hooks_.endProgram();
}

void Engine::HideToTray() {
    // Without a notification area a hidden window could never be found again.
    if (SysTray::IsTrayAvailable()) {
        hide();
        return;
    }
    // Placed before it is shown: moving a window while it is being shown minimised makes the
    // desktop map it in its normal state.
    PlaceOnce();
    showMinimized();
}

void Engine::ShowWindow() {
    PlaceOnce();
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
    if (hooks_.windowShown)
        hooks_.windowShown();
}

// ---------------------------------------------------------------------------------------------
// The scanner window's hand-over

void Engine::SetProgressValue(int value) {
    AdvProgressBar1->SetValue(value);
}

void Engine::SetCleanButtonsEnabled(bool enabled) {
    chameleonButton1->SetEnabled(enabled);
    chameleonButton2->SetEnabled(enabled);
}

void Engine::SetStatusText(const std::string& text) {
    Label2->SetCaption(text);
}

void Engine::WipeFreeSpace() {
    if (FreeSpaceWindow)
        return;
    const std::string drive = Drive1->Drive();
    const std::string posix = world::ToPosix(drive + "\\");
    const std::string caption = windowTitle().toStdString();
    const std::string what = drive + " (" + posix + ")";
    if (platform::MsgBox("Wipe the free space of " + what +
                             " ?\nIt is filled with zeros for a while, then emptied again.",
                         platform::vbYesNo + platform::vbQuestion, caption,
                         this) != platform::vbYes)
        return;
    if (const std::string refusal = eraser::FreeSpaceRefusal(posix); !refusal.empty()) {
        ShowError(refusal);
        return;
    }
    FreeSpaceWindow = new eraser::FreeSpaceDialog(this, drive, [posix](auto& progress) {
        return eraser::WipeFreeSpace(posix, progress);
    }); // owned by the window; it deletes itself when the wipe has ended
    FreeSpaceWindow->Finished = [this, caption](const eraser::FreeSpaceReport& report) {
        std::string text;
        for (const std::string& line : report.Lines())
            text += (text.empty() ? "" : "\n") + line;
        platform::MsgBox(text,
                         platform::vbOKOnly +
                             (report.Done() ? platform::vbInformation : platform::vbExclamation),
                         caption, this);
    };
    FreeSpaceWindow->Start();
}

void Engine::ShowError(const std::string& text) {
    platform::MsgBox(text, platform::vbOKOnly + platform::vbExclamation,
                     windowTitle().toStdString(), this);
}

} // namespace corvane

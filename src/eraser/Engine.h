#pragma once
// The eraser window (caption "Corvane"): the program's start-up window. It carries one image
// button per kind of trace, the full clean with its progress animation, the chooser for
// shredding files and folders, the list of cached addresses, the "Run at Windows startup" box and
// the notification icon with its menu. Hidden, it keeps watching the browser and erases its
// history when the browser closes.

#include "browsers/ProfileWatcher.h"
#include "eraser/BrowserWatcher.h"
#include "platform/messageloop.h"
#include "scanner/EraserWindow.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QMenu;

namespace corvane {

class CURLHistory;

namespace controls {
class DirListBox;
class DriveListBox;
class FileListBox;
class GroupBox;
class Label;
class LineShape;
class Shape;
class XP_ProgressBar;
class chameleonButton;
} // namespace controls

namespace eraser {
class Backdrop;
class FolderErasers;
class FreeSpaceDialog;
struct EraseReport;
class ImageTriplet;
class ListBox;
} // namespace eraser

/// What the eraser window reaches outside itself; the application fills these in and a test
/// replaces them. Empty functions are skipped; empty texts take the running program's values.
struct EngineHooks {
    /// Shows the splash (load step 2).
    std::function<void()> showSplash;
    /// Enables the scanner window's `Timer9` when the progress animation ends.
    std::function<void()> enableScannerTimer9;
    /// Ends the program at once (after the icon is gone).
    std::function<void()> endProgram;
    /// Told each time the window is shown (the first showing from the icon ends a quiet start).
    std::function<void()> windowShown;
    /// Whether the browser runs (the watcher asks "iexplore.exe" of the process list when empty).
    std::function<bool()> isBrowserRunning;
    /// How the watcher of the user's real profiles finds, tests and cleans them (empty members:
    /// the real ones); its busy hooks are always the window's icon switches.
    browsers::ProfileWatcher::Hooks profileWatcher;
    /// The program's argument text, all arguments joined by single spaces.
    std::string commandLine;
    /// The POSIX path of the program's executable (its folder is the program's folder).
    std::string executable;
};

/// The eraser window.
class Engine : public QWidget, public EraserWindow {
public:
    /// `Form_Initialize` and the window's controls; the window stays hidden until Form_Load.
    explicit Engine(EngineHooks hooks = {});
    ~Engine() override;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    /// The whole argument text of a command line (arguments after the program, joined by one
    /// space each), as the program sees its command line.
    static std::string CommandText(int argc, const char* const* argv);
    /// True when the argument text asks for a hidden start: exactly "-min".
    static bool IsMinimisedStart(const std::string& commandText);
    /// The Run value's data for a program folder (POSIX): the folder as a Windows path, with
    /// one backslash at its end, then "Quenrel.exe -min".
    static std::string RunCommand(const std::string& programFolder);

    /// The registry key of the programs started at log-on.
    static constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    /// The value the program keeps there.
    static constexpr const char* kRunValue = "Quenrel";

    // The scanner window's hand-over (EraserWindow).
    void SetProgressValue(int value) override;
    void SetCleanButtonsEnabled(bool enabled) override;
    void SetStatusText(const std::string& text) override;
    void ShowWindow() override;

    /// `Form_Initialize`: the common controls, before any control is made.
    void Form_Initialize();
    /// The load sequence.
    void Form_Load();
    /// Removes the notification icon and stops the timers.
    void Form_Unload();
    /// True once the window has been unloaded (closed), until it is loaded again.
    bool IsUnloaded() const { return unloaded_; }

    // Event handlers, named as the system names them.
    /// The icon's mouse messages arrive here (X = 15 times the message number).
    void Form_MouseMove(short Button, short Shift, float X, float Y);
    /// Resets every image button; with the left button held, moves the window.
    void Picture2_MouseMove(short Button, short Shift, float X, float Y);
    /// "Proceed With Clean".
    void chameleonButton1_Click();
    /// "Skip Operation".
    void chameleonButton2_Click();
    /// One tick of the progress animation.
    void Timer1_Timer();
    /// Deletes the double-clicked cache entry and rebuilds the list.
    void List1_DblClick();
    /// Writes or deletes the Run value (and the desktop's autostart entry).
    void CheStart_Click();
    /// Puts the folder list on the chosen drive's current folder.
    void Drive1_Change();
    /// The file list follows the folder list.
    void Dir1_Change();
    /// Tray menu "Show".
    void MnuShow_Click();
    /// Tray menu "Erase History".
    void MnuHist_Click();
    /// Tray menu "Erase All".
    void MnuAll_Click();
    /// Tray menu "Exit" (and `BX`).
    void MnuExit_Click();
    /// `BM`: hides the window to the notification area.
    void HideToTray();

    // The erasers the window runs.
    /// Fills `List1` with the cached addresses.
    void RefreshHistoryList();
    /// Erases the browser's history traces.
    void EraseHistory();
    /// Wipes the temporary folder.
    void CleanTempFolder();
    /// The full clean.
    void EraseAll();
    /// The automatic erase when the browser closes: the history erase without any question.
    void AutomaticErase();
    /// Says once what an erase left: the steps it could not do and the real profiles it could
    /// not clean (a balloon at the icon, or a message box where there is no notification area);
    /// says nothing when everything was done.
    void SayWhatWasLeft(const eraser::EraseReport& report,
                        const browsers::CleaningReport& profiles);
    /// Tells the user which real profiles a cleaning could not clean.
    void TellNotCleaned(const browsers::CleaningReport& report);
    /// Shreds the file selected in `File1` (`BFile`).
    void ShredSelectedFile();
    /// Shreds the folder shown in `Dir1` (`BFolder`).
    void ShredFolder();
    /// Asks, then wipes the free space of the drive `Drive1` shows in a progress window
    /// (`BFree`), and says what was done when it ends.
    void WipeFreeSpace();

    /// The fourteen image buttons in the order a move over `Picture2` resets them.
    const std::array<eraser::ImageTriplet*, 14>& Triplets() const { return triplets_; }
    /// One image button by its name (`BHist`), or null.
    eraser::ImageTriplet* Triplet(const std::string& name) const;

    // Window state.
    /// The per-user history folder (Windows path).
    std::string HistoryFolder;
    /// The per-user temporary internet files folder.
    std::string CacheFolder;
    /// The per-user cookies folder.
    std::string CookiesFolder;
    /// The Windows temporary folder.
    std::string TempFolder;
    /// The URL history store, made at load.
    std::unique_ptr<CURLHistory> URLHistory;

    // Timers.
    /// The progress animation, 200 ms, disabled at start.
    platform::Timer Timer1;
    /// The browser watcher (`TCheck`, `TClosed`).
    eraser::BrowserWatcher Watcher;
    /// Waits for the browser to appear.
    platform::Timer& TCheck;
    /// Waits for the browser to be gone.
    platform::Timer& TClosed;
    /// Follows the user's enabled real profiles and cleans each when its browser closes.
    browsers::ProfileWatcher ProfileWatch;

    // Controls (owned by the window).
    eraser::Backdrop* Picture2 = nullptr;
    QLabel* Picture1 = nullptr;
    eraser::ImageTriplet* BRead = nullptr;
    eraser::ImageTriplet* BHist = nullptr;
    eraser::ImageTriplet* BMedia = nullptr;
    eraser::ImageTriplet* BPaint = nullptr;
    eraser::ImageTriplet* BRecent = nullptr;
    eraser::ImageTriplet* BRun = nullptr;
    eraser::ImageTriplet* BFind = nullptr;
    eraser::ImageTriplet* BTemp = nullptr;
    eraser::ImageTriplet* BClean = nullptr;
    eraser::ImageTriplet* BRefresh = nullptr;
    eraser::ImageTriplet* BFile = nullptr;
    eraser::ImageTriplet* BFolder = nullptr;
    /// "Wipe Free Space", beside the drive list; not one of the fourteen.
    eraser::ImageTriplet* BFree = nullptr;
    /// The progress window of a running free-space wipe, while there is one.
    QPointer<eraser::FreeSpaceDialog> FreeSpaceWindow;
    eraser::ImageTriplet* BM = nullptr;
    eraser::ImageTriplet* BX = nullptr;
    QListWidget* List1 = nullptr;
    controls::DriveListBox* Drive1 = nullptr;
    controls::DirListBox* Dir1 = nullptr;
    controls::FileListBox* File1 = nullptr;
    QCheckBox* CheStart = nullptr;
    controls::GroupBox* GroupBox1 = nullptr;
    controls::chameleonButton* chameleonButton1 = nullptr;
    controls::chameleonButton* chameleonButton2 = nullptr;
    controls::XP_ProgressBar* AdvProgressBar1 = nullptr;
    QLabel* Label1 = nullptr;
    controls::Label* Label2 = nullptr;
    controls::Label* Label3 = nullptr;
    controls::Shape* Shape1 = nullptr;
    controls::Shape* Shape2 = nullptr;
    controls::LineShape* Line1 = nullptr;
    controls::LineShape* Line2 = nullptr;
    QMenu* Mnu_File = nullptr;
    QAction* MnuShow = nullptr;
    QAction* MnuHist = nullptr;
    QAction* MnuAll = nullptr;
    QAction* MnuBar = nullptr;
    QAction* MnuExit = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Places the window above the screen's centre the first time it is shown or minimised.
    void PlaceOnce();

private:
    void CreateButtons();
    void CreateLists();
    void CreateCleanPanel();
    void CreateMenu();
    void ReadFolders();
    std::unique_ptr<eraser::ListBox> MakeList1Box();
    void ReadRunValue();
    std::string ProgramFolder() const;
    std::string ExecutablePath() const;
    std::string DriveCurrentFolder(const std::string& drive) const;
    void ShowError(const std::string& text);
    void RunErase(eraser::EraseReport (eraser::FolderErasers::*erase)(), bool askAboutProfiles);
    void ShowBusyIcon();
    void ShowNormalIcon();
    browsers::ProfileWatcher::Hooks ProfileWatcherHooks(browsers::ProfileWatcher::Hooks hooks);

    EngineHooks hooks_;
    std::array<eraser::ImageTriplet*, 14> triplets_{};
    // `List1` as the folder erasers use it, and the erasers over it (made at load).
    std::unique_ptr<eraser::ListBox> list1Box_;
    std::unique_ptr<eraser::FolderErasers> erasers_;
    bool unloaded_ = false;
    bool placed_ = false;
};

} // namespace corvane

#pragma once
// The scanner window: a red banner with four navigation items over four pages ("Secure",
// "Cookies", "Info Data", "Temporary Files Stored"). It counts cookie files and cached
// addresses, shows where the browser keeps its traces and hands the user over to the eraser
// window for cleaning.

#include "platform/messageloop.h"
#include "scanner/ScanLocations.h"
#include "scanner/cSystemInfo.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QListWidget;

namespace corvane {

class EraserWindow;

namespace controls {
class Label;
class FileListBox;
class GroupBox;
class Shape;
class XP_ProgressBar;
class chameleonButton;
} // namespace controls

/// What the scanner window reaches outside itself; the application fills these in, a test
/// replaces them. Empty functions are skipped.
struct Form1Hooks {
    /// Asks for the splash to be shown (load step 2).
    std::function<void()> showSplash;
    /// The eraser window, created and loaded when it does not exist yet; null while the
    /// program has none.
    std::function<EraserWindow*()> eraserWindow;
    /// Closes and destroys the eraser window (creating it first when it does not exist).
    std::function<void()> unloadEraserWindow;
    /// Runs once the window has been unloaded, so its owner can destroy it.
    std::function<void()> unloaded;
    /// The environment by index, for LoadMain (the process's environment view when empty).
    ScanLocations::EntryReader environmentEntry;
    /// The environment by name, for the folders (the process's environment view when empty).
    ScanLocations::VariableReader environmentVariable;
};

/// The scanner window (caption "Corvane").
class Form1 : public QWidget {
public:
    /// Creates the window and its controls, hidden; Form_Load fills them.
    explicit Form1(Form1Hooks hooks = {});
    ~Form1() override;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    /// The load step: environment, system facts, lists, labels, stored date, timers.
    void Form_Load();
    /// The unload step: the eraser window first, then this window's timers.
    void Form_Unload();

    /// Walks the environment for the computer and user names.
    void LoadMain();

    // Members the load step fills.
    /// The value of "COMPUTERNAME" found by LoadMain.
    std::string EnvComputerName;
    /// The value of "USERNAME" found by LoadMain.
    std::string EnvUserName;
    /// The browser version text of the system facts.
    std::string BrowserVersionText;
    /// The system facts, made at load.
    std::unique_ptr<cSystemInfo> SystemInfo;

    // Navigation.
    /// Shows one page and hides the other three.
    void ShowPage(controls::GroupBox* page);

    // Event handlers, named as the system names them.
    void Image2_Click();
    void Image4_Click();
    void Image1_Click();
    void Image3_Click();
    /// "Start Secure Scanning".
    void chameleonButton4_Click();
    /// "Activate Cleaner".
    void chameleonButton1_Click();
    /// "Clear Selected Cookie Only".
    void chameleonButton3_Click();
    /// "Go To Website".
    void chameleonButton2_Click();
    /// The cookie watcher.
    void Timer1_Timer();
    /// One scan tick.
    void Timer2_Timer();
    /// Stores the last-scan date.
    void Timer4_Timer();
    /// One tick of the finishing animation after a clean.
    void Timer9_Timer();

    /// Rebuilds the cache address list from the URL cache.
    void RefreshCacheList();

    // Timers (public: the eraser window enables Timer9 when its clean has finished).
    /// Cookie watcher, 200 ms, enabled from load.
    platform::Timer Timer1;
    /// Scan ticks, 200 ms, disabled at start.
    platform::Timer Timer2;
    /// Last-scan date saver, 500 ms, enabled from load.
    platform::Timer Timer4;
    /// Finishing animation after a clean, 200 ms, enabled by the eraser window.
    platform::Timer Timer9;

    // Controls (owned by the window).
    controls::Shape* Shape1 = nullptr;
    controls::Shape* Shape2 = nullptr;
    controls::Label* Image2 = nullptr;
    controls::Label* Image4 = nullptr;
    controls::Label* Image1 = nullptr;
    controls::Label* Image3 = nullptr;
    controls::Label* Label8 = nullptr;
    controls::Label* Label9 = nullptr;
    controls::Label* Label10 = nullptr;
    controls::Label* Label20 = nullptr;
    controls::GroupBox* GroupBox1 = nullptr;
    controls::GroupBox* GroupBox2 = nullptr;
    controls::GroupBox* GroupBox3 = nullptr;
    controls::GroupBox* GroupBox4 = nullptr;
    // "Secure" page.
    controls::Label* Label5 = nullptr;
    controls::chameleonButton* chameleonButton4 = nullptr;
    controls::chameleonButton* chameleonButton1 = nullptr;
    controls::Label* Label4 = nullptr;
    controls::Label* Label21 = nullptr;
    controls::Label* Label22 = nullptr;
    controls::Label* Label2 = nullptr;
    controls::Label* Label7 = nullptr;
    controls::XP_ProgressBar* AdvProgressBar1 = nullptr;
    controls::Label* Label3 = nullptr;
    controls::Label* Label1 = nullptr;
    controls::Label* Label6 = nullptr;
    // "Cookies" page.
    controls::FileListBox* File1 = nullptr;
    controls::chameleonButton* chameleonButton3 = nullptr;
    // "Info Data" page.
    controls::Label* Label11 = nullptr;
    controls::Label* Label12 = nullptr;
    controls::Label* Label13 = nullptr;
    controls::Label* Label14 = nullptr;
    controls::Label* Label15 = nullptr;
    controls::Label* Label16 = nullptr;
    controls::Label* Label17 = nullptr;
    controls::Label* Label18 = nullptr;
    controls::Label* Label19 = nullptr;
    // "Temporary Files Stored" page.
    QListWidget* List1 = nullptr;
    controls::chameleonButton* chameleonButton2 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateFrame();
    void CreateSecurePage();
    void CreateCookiesPage();
    void CreateInfoPage();
    void CreateFilesPage();
    void ConnectEvents();
    std::string Variable(std::string_view name) const;

    Form1Hooks hooks_;
    bool centred_ = false;
    bool unloaded_ = false;
    // What the watcher saw selected on its last tick.
    std::string selectedCookie_;
    std::string selectedAddress_;
    // The cache's change count when List1 was last filled; while it stays the same a refill
    // would show the same addresses.
    std::uint64_t cacheListCount_ = 0;
    bool cacheListValid_ = false;
};

} // namespace corvane

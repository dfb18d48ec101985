// The eraser window on a world of its own: the load sequence, "-min", the notification icon and
// its menu, the Run value and the autostart entry, the image buttons, the progress animation,
// the chooser and the browser watcher with a real process.

#include "eraser/Engine.h"

#include "controls/ByteItems.h"
#include "controls/DriveListBox.h"
#include "controls/FileListBox.h"
#include "controls/Label.h"
#include "controls/XP_ProgressBar.h"
#include "controls/chameleonButton.h"
#include "eraser/Backdrop.h"
#include "eraser/ImageTriplet.h"
#include "platform/messageloop.h"
#include "platform/urlcache.h"
#include "platform/world.h"
#include "shell/Autostart.h"
#include "shell/SysTray.h"
#include "support/Corvanectl.h"
#include "support/InPlace.h"
#include "support/NamedProcess.h"
#include "support/RecordingFiles.h"
#include "support/TempWorld.h"

#include "support/RunUntil.h"
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using platform::MessageBoxRequest;
using testing::RunCorvanectl;
using testing::RunUntil;

void Pump(int ms) {
    RunUntil([] { return false; }, ms);
}

std::string Ctl(const std::vector<std::string>& args) {
    const testing::CtlResult result = RunCorvanectl(args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return result.out;
}

std::vector<std::string> Lines(const QListWidget* list) {
    std::vector<std::string> lines;
    for (int i = 0; i < list->count(); ++i)
        lines.push_back(list->item(i)->text().toStdString());
    return lines;
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void Hover(QWidget* widget) {
    SendMouse(widget, QEvent::MouseMove, widget->rect().center(), Qt::NoButton, Qt::NoButton);
}

// Hover, press and release, with the release at `releaseAt` (in the widget's coordinates).
void ClickImage(QWidget* widget, QPoint releaseAt) {
    Hover(widget);
    SendMouse(widget, QEvent::MouseButtonPress, widget->rect().center(), Qt::LeftButton,
              Qt::LeftButton);
    SendMouse(widget, QEvent::MouseButtonRelease, releaseAt, Qt::LeftButton, Qt::NoButton);
}

void ClickImage(QWidget* widget) {
    ClickImage(widget, widget->rect().center());
}

class EngineTest : public ::testing::Test {
protected:
    testing::TempWorld world;
    // A program folder with a space in it, as "Program Files" has.
    fs::path programFolder = world.Root() / "Program Files" / "Corvane";
    std::vector<std::string> events;
    std::vector<MessageBoxRequest> boxes;
    int answer = platform::vbYes;
    platform::ScopedAnswerer answerer{[this](const MessageBoxRequest& box) {
        boxes.push_back(box);
        return box.Buttons() == platform::vbYesNo ? answer : static_cast<int>(platform::vbOK);
    }};
    std::unique_ptr<Engine> engine;

    void SetUp() override {
        fs::create_directories(programFolder);
        SysTray::SetTrayAvailableForTesting(true);
    }
    void TearDown() override {
        engine.reset();
        SysTray::SetTrayAvailableForTesting(std::nullopt);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    Engine& Load(const std::string& commandLine = "") {
        EngineHooks hooks;
        hooks.showSplash = [this] {
            events.push_back(std::string("splash, icon ") +
                             (SysTray::IconPresent() ? "present" : "absent"));
        };
        hooks.enableScannerTimer9 = [this] { events.push_back("Timer9"); };
        hooks.endProgram = [this] {
            events.push_back(std::string("end, icon ") +
                             (SysTray::IconPresent() ? "present" : "absent"));
        };
        hooks.commandLine = commandLine;
        hooks.executable = (programFolder / "corvane").string();
        engine = std::make_unique<Engine>(std::move(hooks));
        engine->Form_Load();
        return *engine;
    }

    std::string RunValue() {
        const testing::CtlResult result =
            RunCorvanectl({"reg", "query", std::string("HKCU\\") + Engine::kRunKey, "Quenrel"});
        return result.exitCode == 0 ? result.out : "";
    }
    std::string ProgramFolderWindows() const { return world::ToWindows(programFolder.string()); }
};

TEST_F(EngineTest, TheLoadSequenceFillsTheWindowAndStartsTheWatcher) {
    Ctl({"cache", "add", "Cookie:ann@example.com/", "--type", "100000"});
    Ctl({"cache", "add", "http://www.example.com/"});
    Ctl({"cache", "add", "Visited: ann@http://www.example.com/", "--type", "200000"});
    Ctl({"cache", "add", "http://news.example.org/"});

    Engine& e = Load();
    EXPECT_EQ(events, std::vector<std::string>{"splash, icon absent"});
    EXPECT_EQ(e.windowTitle(), "Corvane");
    EXPECT_TRUE(e.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(e.isVisible());
    EXPECT_TRUE(SysTray::IconPresent());
    EXPECT_EQ(e.AdvProgressBar1->Value(), 0);
    EXPECT_TRUE(e.chameleonButton1->Enabled());
    EXPECT_TRUE(e.chameleonButton2->Enabled());
    EXPECT_EQ(e.chameleonButton1->Caption(), "Proceed With Clean");
    EXPECT_EQ(e.chameleonButton2->Caption(), "Skip Operation");
    EXPECT_EQ(e.chameleonButton1->ButtonType(), 3);
    EXPECT_EQ(e.Label2->Caption(), "Status");
    EXPECT_EQ(e.Label3->Caption(), "Actions");
    EXPECT_EQ(e.Label1->text(), "It is recommended to close any other running applications to "
                                "ensure a 100% complete cleaning process by Corvane.");
    EXPECT_EQ(e.CheStart->text(), "Run at Windows startup");
    EXPECT_EQ(e.AdvProgressBar1->Scrolling(), 5);
    EXPECT_EQ(e.AdvProgressBar1->Color(), platform::RGB(192, 0, 0));
    // The first entry always, later ones only with the normal-entry bit.
    EXPECT_EQ(Lines(e.List1),
              (std::vector<std::string>{"Cookie:ann@example.com/", "http://www.example.com/",
                                        "http://news.example.org/"}));
    EXPECT_NE(e.URLHistory, nullptr);
    const std::string profile = world::ProfilePath();
    EXPECT_EQ(e.HistoryFolder, profile + "\\Local Settings\\History");
    EXPECT_EQ(e.CacheFolder, profile + "\\Local Settings\\Temporary Internet Files");
    EXPECT_EQ(e.CookiesFolder, profile + "\\Cookies");
    EXPECT_EQ(world::ToPosix(e.TempFolder), world::ToPosix(world::TempPath()));
    EXPECT_FALSE(e.CheStart->isChecked());
    EXPECT_EQ(e.Dir1->Path(), ProgramFolderWindows());
    EXPECT_EQ(e.File1->Path(), e.Dir1->Path());
    EXPECT_EQ(e.Drive1->Drive(), "Z:");
    EXPECT_TRUE(e.TCheck.Enabled());
    EXPECT_FALSE(e.TClosed.Enabled());
    EXPECT_EQ(e.TCheck.Interval(), 2000);
    EXPECT_EQ(e.TClosed.Interval(), 2000);
    EXPECT_FALSE(e.Timer1.Enabled());
    EXPECT_EQ(e.Timer1.Interval(), 200);

    e.Form_Unload();
    EXPECT_FALSE(SysTray::IconPresent());
    EXPECT_FALSE(e.TCheck.Enabled());
}

TEST_F(EngineTest, OnlyTheWholeArgumentTextMinusMinStartsHidden) {
    EXPECT_TRUE(Engine::IsMinimisedStart("-min"));
    for (const char* text : {"", "-MIN", "-Min", "-min -x", "-min ", " -min", "min", "--min"})
        EXPECT_FALSE(Engine::IsMinimisedStart(text)) << '"' << text << '"';
    const char* argv1[] = {"corvane", "-min"};
    EXPECT_EQ(Engine::CommandText(2, argv1), "-min");
    const char* argv2[] = {"corvane", "-min", "extra"};
    EXPECT_EQ(Engine::CommandText(3, argv2), "-min extra");

    Engine& hidden = Load("-min");
    EXPECT_FALSE(hidden.isVisible());
    EXPECT_TRUE(SysTray::IconPresent()) << "hiding never removes the icon";
    EXPECT_TRUE(hidden.TCheck.Enabled()) << "the watcher runs while the window is hidden";
    engine.reset();
    Engine& shown = Load("-min extra");
    EXPECT_TRUE(shown.isVisible());
}

TEST_F(EngineTest, WithoutANotificationAreaMinAndTheHideButtonMinimise) {
    SysTray::SetTrayAvailableForTesting(false);
    Engine& e = Load("-min");
    EXPECT_TRUE(e.isMinimized());
    EXPECT_TRUE(e.isVisible()) << "a minimised window can be found again";
    e.ShowWindow();
    EXPECT_FALSE(e.isMinimized());
    ClickImage(e.BM);
    EXPECT_TRUE(e.isMinimized());

    SysTray::SetTrayAvailableForTesting(true);
    e.ShowWindow();
    ClickImage(e.BM);
    EXPECT_FALSE(e.isVisible());
    EXPECT_TRUE(SysTray::IconPresent());
}

TEST_F(EngineTest, IconMessagesDoubleClickShowsRightPressOpensTheMenuOthersDoNothing) {
    Engine& e = Load("-min");
    Ctl({"cache", "add", "http://late.example/"});
    ASSERT_TRUE(Lines(e.List1).empty());

    for (int message : {SysTray::WM_LBUTTONDOWN, SysTray::WM_MBUTTONDOWN, 0x202, 0x205})
        SysTray::DeliverMouseMessage(message);
    e.Form_MouseMove(0, 0, 7726.0f, 0.0f);
    e.Form_MouseMove(0, 0, 7724.0f, 0.0f);
    EXPECT_FALSE(e.isVisible()) << "a single click and other messages do nothing";
    EXPECT_FALSE(e.Mnu_File->isVisible());
    EXPECT_TRUE(Lines(e.List1).empty());

    SysTray::DeliverMouseMessage(SysTray::WM_RBUTTONDOWN);
    EXPECT_TRUE(e.Mnu_File->isVisible());
    EXPECT_FALSE(e.isVisible());
    e.Mnu_File->hide();

    e.Form_MouseMove(0, 0, 7725.0f, 0.0f);
    EXPECT_TRUE(e.isVisible());
    EXPECT_EQ(Lines(e.List1), std::vector<std::string>{"http://late.example/"});
}

TEST_F(EngineTest, TheTrayMenuShowsErasesAndExits) {
    Engine& e = Load("-min");
    std::vector<std::string> items;
    for (const QAction* action : e.Mnu_File->actions())
        items.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    EXPECT_EQ(items, (std::vector<std::string>{"Show", "Erase History", "Erase All", "-", "Exit"}));
    EXPECT_EQ(e.Mnu_File->title(), "File");

    Ctl({"cache", "add", "http://shown.example/"});
    e.MnuShow->trigger();
    EXPECT_TRUE(e.isVisible());
    EXPECT_EQ(Lines(e.List1), std::vector<std::string>{"http://shown.example/"});

    Ctl({"history", "add", "http://visited.example/", "Visited"});
    e.MnuHist->trigger();
    EXPECT_EQ(Ctl({"cache", "list"}), "");
    EXPECT_EQ(Ctl({"history", "list"}), "");

    Ctl({"reg", "set", "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU", "a",
         "sz", "notepad\\1"});
    Ctl({"reg", "set", "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU",
         "MRUList", "sz", "a"});
    const fs::path temp = testing::TempWorld::Write(
        fs::path(world::ToPosix(world::TempPath())) / "sub" / "left.tmp", "temporary");
    e.MnuAll->trigger();
    EXPECT_FALSE(fs::exists(temp));
    EXPECT_FALSE(fs::exists(temp.parent_path()));
    EXPECT_TRUE(fs::exists(world::ToPosix(world::TempPath()))) << "the folder itself stays";
    EXPECT_NE(
        RunCorvanectl({"reg", "query",
                       "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU", "a"})
            .exitCode,
        0);

    EXPECT_TRUE(events.size() == 1);
    e.MnuExit->trigger();
    EXPECT_FALSE(SysTray::IconPresent());
    EXPECT_EQ(events.back(), "end, icon absent");
    EXPECT_FALSE(e.TCheck.Enabled());
}

// An eraser button that could not overwrite a file says so once, through the notification
// area's balloon, or with a box where the desktop has no notification area; the file stays.
TEST_F(EngineTest, AnEraserThatLeavesAFileSaysSoInTheBalloonOrABox) {
    for (const bool tray : {true, false}) {
        SCOPED_TRACE(tray);
        SysTray::SetTrayAvailableForTesting(tray);
        Engine& e = Load(tray ? "-min" : "");
        const fs::path stuck = testing::TempWorld::Write(
            fs::path(world::ToPosix(world::TempPath())) / "stuck.tmp", "stuck");
        testing::RecordingFiles rec;
        rec.refuse[world::ToWindows(stuck.string())] = {"readwrite"};
        boxes.clear();
        e.CleanTempFolder();
        EXPECT_TRUE(fs::exists(stuck));
        EXPECT_EQ(fs::file_size(stuck), 5u);
        const std::string said =
            tray ? SysTray::LastBalloonText().toStdString() : (boxes.empty() ? "" : boxes[0].text);
        EXPECT_EQ(boxes.size(), tray ? 0u : 1u);
        EXPECT_NE(said.find("1 file not overwritten"), std::string::npos) << said;
        EXPECT_NE(said.find("stuck.tmp: not overwritten"), std::string::npos) << said;
        engine.reset();
        fs::remove(stuck);
    }
}

TEST_F(EngineTest, TheCloseButtonEndsTheProgramAfterTheIconIsGone) {
    Engine& e = Load();
    ClickImage(e.BX);
    EXPECT_FALSE(SysTray::IconPresent());
    EXPECT_EQ(events, (std::vector<std::string>{"splash, icon absent", "end, icon absent"}));
}

TEST_F(EngineTest, ARunValueFromAnotherFolderIsRewrittenAndTheAutostartEntryFollowsTheBox) {
    Ctl({"reg", "set", std::string("HKCU\\") + Engine::kRunKey, "Quenrel", "sz",
         "C:\\Old Place\\Quenrel.exe -min"});
    Engine& e = Load();
    const std::string expected = ProgramFolderWindows() + "\\Quenrel.exe -min";
    EXPECT_EQ(Engine::RunCommand(programFolder.string()), expected);
    EXPECT_TRUE(e.CheStart->isChecked());
    EXPECT_EQ(RunValue(), "Quenrel\tsz\t" + expected + "\n");
    ASSERT_TRUE(Autostart::IsInstalled());
    std::ifstream in(Autostart::EntryPath());
    std::stringstream entry;
    entry << in.rdbuf();
    EXPECT_NE(entry.str().find("\nExec=\"" + (programFolder / "corvane").string() + "\" -min\n"),
              std::string::npos)
        << entry.str();

    e.CheStart->click();
    EXPECT_FALSE(e.CheStart->isChecked());
    EXPECT_EQ(RunValue(), "");
    EXPECT_FALSE(Autostart::IsInstalled());
    e.CheStart->click();
    EXPECT_EQ(RunValue(), "Quenrel\tsz\t" + expected + "\n");
    EXPECT_TRUE(Autostart::IsInstalled());
}

TEST_F(EngineTest, WithoutARunValueTheBoxStaysUntickedAndNothingIsWritten) {
    std::string error;
    ASSERT_TRUE(Autostart::Install("/elsewhere/corvane", error));
    Engine& e = Load();
    EXPECT_FALSE(e.CheStart->isChecked());
    EXPECT_EQ(RunValue(), "");
    EXPECT_TRUE(Autostart::IsInstalled()) << "an unticked box at load deletes nothing";
}

TEST_F(EngineTest, TheImageButtonsSitOnTheirGridAndResetInTheirOrder) {
    Engine& e = Load();
    const std::vector<std::pair<std::string, QRect>> grid = {
        {"BX", {496, 8, 20, 20}},       {"BM", {472, 8, 20, 20}},
        {"BClean", {440, 244, 76, 20}}, {"BHist", {440, 64, 76, 20}},
        {"BMedia", {440, 88, 76, 20}},  {"BPaint", {440, 112, 76, 20}},
        {"BRead", {440, 40, 76, 20}},   {"BRecent", {440, 136, 76, 20}},
        {"BRefresh", {8, 244, 76, 20}}, {"BRun", {440, 160, 76, 20}},
        {"BFile", {248, 244, 76, 20}},  {"BFolder", {332, 244, 76, 20}},
        {"BFind", {440, 184, 76, 20}},  {"BTemp", {440, 208, 76, 20}}};
    ASSERT_EQ(e.Triplets().size(), grid.size());
    for (std::size_t i = 0; i < grid.size(); ++i) {
        eraser::ImageTriplet* t = e.Triplets()[i];
        EXPECT_EQ(t->Name(), grid[i].first);
        EXPECT_EQ(t->parentWidget(), e.Picture2);
        EXPECT_EQ(t->geometry(), grid[i].second) << t->Name();
        for (QLabel* picture : {t->Normal, t->Down, t->Active})
            EXPECT_EQ(picture->geometry(), QRect(QPoint(0, 0), grid[i].second.size()));
        EXPECT_EQ(t->Shown(), "Normal");
        EXPECT_EQ(t->Active->objectName().toStdString(), grid[i].first + "Active");
        // The three pictures of a state differ from each other.
        EXPECT_NE(t->Normal->pixmap().toImage(), t->Active->pixmap().toImage());
        EXPECT_NE(t->Active->pixmap().toImage(), t->Down->pixmap().toImage());
    }
    for (eraser::ImageTriplet* t : e.Triplets())
        EXPECT_EQ(t->Active->toolTip().isEmpty(), t != e.BRefresh);
    EXPECT_EQ(e.BRefresh->Active->toolTip(), "Refresh History list");
    EXPECT_TRUE(e.BRefresh->Normal->toolTip().isEmpty());
}

TEST_F(EngineTest, HoverPressAndReleaseFollowTheirRulesAndARelaseOutsideStillActs) {
    Engine& e = Load();
    eraser::ImageTriplet* refresh = e.BRefresh;
    Ctl({"cache", "add", "http://one.example/"});

    Hover(refresh);
    EXPECT_EQ(refresh->Shown(), "Active");
    SendMouse(refresh, QEvent::MouseButtonPress, refresh->rect().center(), Qt::RightButton,
              Qt::RightButton);
    EXPECT_EQ(refresh->Shown(), "Down") << "any button presses";
    // Moves while pressed belong to the pressed picture and change nothing.
    SendMouse(refresh, QEvent::MouseMove, {300, 300}, Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(refresh->Shown(), "Down");
    EXPECT_TRUE(Lines(e.List1).empty());
    SendMouse(refresh, QEvent::MouseButtonRelease, {-200, 90}, Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(refresh->Shown(), "Normal");
    EXPECT_EQ(Lines(e.List1), std::vector<std::string>{"http://one.example/"});

    // A press on the Normal picture (no hover before it) does nothing, nor does its release.
    Ctl({"cache", "add", "http://two.example/"});
    SendMouse(refresh, QEvent::MouseButtonPress, refresh->rect().center(), Qt::LeftButton,
              Qt::LeftButton);
    SendMouse(refresh, QEvent::MouseButtonRelease, refresh->rect().center(), Qt::LeftButton,
              Qt::NoButton);
    EXPECT_EQ(Lines(e.List1).size(), 1u);
    ClickImage(refresh, {5000, 5000});
    EXPECT_EQ(Lines(e.List1).size(), 2u);
}

TEST_F(EngineTest, ReadShowsItsPicturesButDoesNothing) {
    Engine& e = Load();
    EXPECT_FALSE(static_cast<bool>(e.BRead->Action));
    Hover(e.BRead);
    EXPECT_EQ(e.BRead->Shown(), "Active");
    SendMouse(e.BRead, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(e.BRead->Shown(), "Down");
    SendMouse(e.BRead, QEvent::MouseButtonRelease, {10, 10}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(e.BRead->Shown(), "Normal");
    EXPECT_TRUE(e.isVisible());
}

TEST_F(EngineTest, MovingOverTheBackgroundResetsEveryButtonIncludingOneLeftPressed) {
    Engine& e = Load();
    Hover(e.BHist);
    Hover(e.BTemp);
    e.BFind->Normal_MouseMove();
    e.BFind->Active_MouseDown(); // its release never arrived
    Hover(e.BRefresh);
    // Leaving a button for another control leaves it in its hover look.
    Hover(e.List1->viewport());
    EXPECT_EQ(e.BRefresh->Shown(), "Active");
    EXPECT_EQ(e.BFind->Shown(), "Down");

    SendMouse(e.Picture2, QEvent::MouseMove, {200, 240}, Qt::NoButton, Qt::NoButton);
    for (eraser::ImageTriplet* t : e.Triplets())
        EXPECT_EQ(t->Shown(), "Normal") << t->Name();
}

TEST_F(EngineTest, ProceedAnimatesFiveByFiveAndHidesOnTheTwentiethTick) {
    Engine& e = Load();
    e.Timer1.SetInterval(10);
    std::vector<int> values;
    std::vector<bool> visible;
    const auto tick = e.Timer1.OnTick;
    e.Timer1.OnTick = [&] {
        tick();
        values.push_back(e.AdvProgressBar1->Value());
        visible.push_back(e.isVisible());
        EXPECT_FALSE(e.chameleonButton1->Enabled());
        EXPECT_FALSE(e.chameleonButton2->Enabled());
    };
    e.SetProgressValue(40);
    e.chameleonButton1_Click();
    EXPECT_EQ(e.Label2->Caption(), "This May Take A Few Minutes...");
    EXPECT_TRUE(e.Timer1.Enabled());
    ASSERT_TRUE(RunUntil([&] { return !e.Timer1.Enabled(); }));
    Pump(60);

    std::vector<int> expected;
    for (int v = 5; v <= 100; v += 5)
        expected.push_back(v);
    EXPECT_EQ(values, expected);
    ASSERT_EQ(visible.size(), 20u);
    EXPECT_TRUE(visible[18]);
    EXPECT_FALSE(visible[19]);
    EXPECT_EQ(std::count(events.begin(), events.end(), "Timer9"), 1);

    // Shown again from the tray, the buttons stay off; only the scanner's hand-over enables them.
    e.MnuShow_Click();
    EXPECT_FALSE(e.chameleonButton1->Enabled());
    EXPECT_FALSE(e.chameleonButton2->Enabled());
    e.SetProgressValue(0);
    e.SetCleanButtonsEnabled(true);
    e.SetStatusText("Status");
    EXPECT_TRUE(e.chameleonButton1->Enabled() && e.chameleonButton2->Enabled());
    EXPECT_EQ(e.Label2->Caption(), "Status");
}

TEST_F(EngineTest, SkipHidesAndTellsTheScannerNothing) {
    Engine& e = Load();
    e.chameleonButton2_Click();
    EXPECT_FALSE(e.isVisible());
    Pump(30);
    EXPECT_EQ(std::count(events.begin(), events.end(), "Timer9"), 0);
    EXPECT_FALSE(e.Timer1.Enabled());
    EXPECT_TRUE(e.chameleonButton1->Enabled());
}

TEST_F(EngineTest, DoubleClickingAnAddressDeletesExactlyThatEntry) {
    Ctl({"cache", "add", "http://a.example/"});
    Ctl({"cache", "add", "http://b.example/"});
    Ctl({"cache", "add", "http://c.example/"});
    Engine& e = Load();
    e.List1->setCurrentRow(1);
    e.List1_DblClick();
    EXPECT_EQ(Lines(e.List1), (std::vector<std::string>{"http://a.example/", "http://c.example/"}));
    EXPECT_EQ(Ctl({"cache", "list"}), "00000001\thttp://a.example/\n00000001\thttp://c.example/\n");
}

TEST_F(EngineTest, AddressesThatAreNotUtf8AreErasedByTheirOwnBytes) {
    // Latin-1 bytes, as an older page's address may carry them: not valid UTF-8.
    const std::string first = "http://caf\xe9.example/men\xfc";
    const std::string second = "http://b.example/\xff\xfe";
    ASSERT_TRUE(platform::CommitUrlCacheEntryA(first.c_str(), "", platform::NORMAL_CACHE_ENTRY));
    ASSERT_TRUE(platform::CommitUrlCacheEntryA(second.c_str(), "", platform::NORMAL_CACHE_ENTRY));
    Ctl({"cache", "add", "http://c.example/"});
    Engine& e = Load();
    ASSERT_EQ(e.List1->count(), 3);
    EXPECT_EQ(controls::ItemBytes(e.List1->item(0)), first);
    EXPECT_TRUE(e.List1->item(0)->text().startsWith("http://caf")) << "shown readably";

    // The double click deletes the entry behind the item, not one spelt like its text.
    e.List1->setCurrentRow(1);
    e.List1_DblClick();
    ASSERT_EQ(e.List1->count(), 2);
    EXPECT_EQ(controls::ItemBytes(e.List1->item(1)), "http://c.example/");

    // The History button erases every listed entry, the odd bytes included.
    e.EraseHistory();
    EXPECT_EQ(Ctl({"cache", "list"}), "");
    EXPECT_EQ(e.List1->count(), 0);
}

TEST_F(EngineTest, TheChooserShredsWithTheWindowsBoxesAndFollowsTheDrives) {
    const fs::path folder = world.Root() / "pick";
    testing::TempWorld::Write(folder / "keep.txt", "keep");
    const fs::path secret = testing::TempWorld::Write(folder / "secret.txt", "secret");
    Engine& e = Load();
    ASSERT_EQ(e.Dir1->SetPath(world::ToWindows(folder.string())), "");
    EXPECT_EQ(e.File1->Path(), e.Dir1->Path());
    ASSERT_EQ(e.File1->ListCount(), 2);
    e.File1->SetListIndex(1);

    answer = platform::vbNo;
    ClickImage(e.BFile);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Shred " + e.Dir1->Path() + "\\secret.txt ?");
    EXPECT_EQ(boxes[0].title, "Corvane");
    EXPECT_TRUE(fs::exists(secret));

    answer = platform::vbYes;
    ClickImage(e.BFile);
    EXPECT_FALSE(fs::exists(secret));
    EXPECT_EQ(e.File1->ListCount(), 1);

    ClickImage(e.BFolder);
    // Where the temporary folder's file system keeps old data, each shred ends with a box that
    // lists the files only deleted.
    const std::size_t said = testing::OverwritesInPlace(world.Root()) ? 0 : 1;
    ASSERT_EQ(boxes.size(), 3u + 2 * said);
    EXPECT_EQ(boxes[2 + said].text,
              "Shred " + world::ToWindows(folder.string()) + " and all its contents?");
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(e.Dir1->Path().rfind("Z:", 0) == 0) << e.Dir1->Path();
    EXPECT_EQ(e.File1->Path(), e.Dir1->Path());

    // Drive C: that can't be read (its folder is away): its error is shown and the folder
    // list stays where it was.
    const std::string before = e.Dir1->Path();
    const fs::path driveC = world::DriveC();
    const fs::path away = driveC.string() + ".away";
    fs::rename(driveC, away);
    e.Drive1->SetDrive("C:");
    fs::rename(away, driveC);
    ASSERT_EQ(boxes.size(), 4u + 2 * said);
    const auto& error = boxes.back();
    EXPECT_EQ(error.title, "Corvane");
    EXPECT_EQ(error.Icon(), platform::vbExclamation);
    EXPECT_NE(error.text.find("C:\\"), std::string::npos) << error.text;
    EXPECT_EQ(e.Dir1->Path(), before);
    EXPECT_EQ(e.Drive1->Drive(), "Z:");
    e.Drive1->SetDrive("C:");
    EXPECT_EQ(e.Dir1->Path(), "C:\\");
    EXPECT_EQ(e.File1->Path(), "C:\\");
}

TEST_F(EngineTest, TheWatcherErasesOnceAfterARealBrowserProcessCloses) {
    const std::string profile = world::ProfilePath();
    const fs::path cookie = testing::TempWorld::Write(
        fs::path(world::ToPosix(profile + "\\Cookies")) / "ann@site[1].txt", "c");
    Ctl({"history", "add", "http://visited.example/", "Visited"});
    Ctl({"reg", "set", "HKCU\\Software\\Microsoft\\Internet Explorer\\TypedURLs", "url1", "sz",
         "http://typed.example/"});
    Engine& e = Load("-min");
    e.TCheck.SetInterval(40);
    e.TClosed.SetInterval(40);
    const int modifiesBefore = SysTray::ModifyCount();

    const fs::path browserFolder = world.Root() / "browser";
    fs::create_directories(browserFolder);
    {
        testing::NamedProcess browser(browserFolder, "iexplore.exe");
        ASSERT_TRUE(RunUntil([&] { return e.TClosed.Enabled(); }, 5000));
        EXPECT_FALSE(e.TCheck.Enabled());
        Pump(150);
        EXPECT_TRUE(fs::exists(cookie)) << "nothing is erased while the browser runs";
        EXPECT_NE(Ctl({"history", "list"}), "");
    }
    ASSERT_TRUE(RunUntil([&] { return e.TCheck.Enabled(); }, 5000));
    EXPECT_FALSE(e.TClosed.Enabled());
    EXPECT_FALSE(fs::exists(cookie));
    EXPECT_EQ(Ctl({"history", "list"}), "");
    EXPECT_NE(RunCorvanectl({"reg", "query",
                             "HKCU\\Software\\Microsoft\\Internet Explorer\\TypedURLs", "url1"})
                  .exitCode,
              0);
    EXPECT_EQ(SysTray::ModifyCount() - modifiesBefore, 2) << "busy picture, then back";
    EXPECT_EQ(SysTray::TrayIconData().hIcon.cacheKey(), e.windowIcon().cacheKey());

    // One erase per run of the browser: later ticks without a browser erase nothing more.
    Ctl({"history", "add", "http://after.example/", "After"});
    Pump(300);
    EXPECT_EQ(Ctl({"history", "list"}), "http://after.example/\tAfter\n");
    EXPECT_EQ(SysTray::ModifyCount() - modifiesBefore, 2);
}

} // namespace
} // namespace corvane

// The whole program on a seeded world: the eraser window starts it, the splash brings up the
// scanner window, a scan and a clean run as the user would run them, and closing the scanner
// takes the eraser window and its icon with it.

#include "shell/Program.h"

#include "controls/FileListBox.h"
#include "controls/Label.h"
#include "controls/TopLevel.h"
#include "controls/XP_ProgressBar.h"
#include "controls/chameleonButton.h"
#include "platform/messageloop.h"
#include "platform/settings.h"
#include "platform/widgets/drawing.h"
#include "platform/world.h"
#include "scanner/Form1.h"
#include "scanner/ScanReport.h"
#include "shell/Forms.h"
#include "shell/SysTray.h"
#include "shell/splash.h"
#include "support/Corvanectl.h"
#include "support/TempWorld.h"

#include "support/RunUntil.h"
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QStyle>
#include <QWindow>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using platform::MessageBoxRequest;
using testing::RunCorvanectl;

// The whole program runs through its splash and two windows: give it longer than one window.
template <class Done> bool RunUntilLong(Done done) {
    return testing::RunUntil(done, 20000);
}

std::string Ctl(const std::vector<std::string>& args) {
    const testing::CtlResult result = RunCorvanectl(args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return result.out;
}

// The files directly in a folder (Windows path), as names.
std::vector<std::string> FilesIn(const std::string& windowsFolder) {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(world::ToPosix(windowsFolder)))
        names.push_back(item.path().filename().string());
    return names;
}

class ProgramTest : public ::testing::Test {
protected:
    testing::TempWorld world;
    fs::path programFolder = world.Root() / "bin";
    std::vector<MessageBoxRequest> boxes;
    platform::ScopedAnswerer answerer{[this](const MessageBoxRequest& box) {
        boxes.push_back(box);
        return static_cast<int>(platform::vbOK);
    }};
    int ends = 0;

    void SetUp() override {
        fs::create_directories(programFolder);
        SysTray::SetTrayAvailableForTesting(true);
    }
    void TearDown() override {
        Program::UnloadAll();
        Forms::UnloadAll();
        Forms::SetEraserWindow({}, {});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SysTray::RemoveTrayIcon();
        SysTray::SetTrayAvailableForTesting(std::nullopt);
    }

    void Start(bool minimised = false) {
        const char* argv[] = {"corvane", "-min"};
        EngineHooks hooks = Program::DefaultHooks(minimised ? 2 : 1, argv);
        hooks.executable = (programFolder / "corvane").string();
        hooks.endProgram = [this] { ++ends; };
        Program::Start(std::move(hooks));
    }
};

TEST_F(ProgramTest, TheSplashBringsUpTheScannerAndClosingItUnloadsTheEraser) {
    Start();
    Engine* eraser = Program::EraserWindowIfLoaded();
    ASSERT_NE(eraser, nullptr);
    EXPECT_TRUE(eraser->isVisible());
    EXPECT_TRUE(SysTray::IconPresent());
    splash* s = Forms::SplashIfLoaded();
    ASSERT_NE(s, nullptr);
    ASSERT_NE(Forms::ScannerWindowIfLoaded(), nullptr);
    EXPECT_FALSE(Forms::ScannerWindowIfLoaded()->isVisible());

    // The same eight seconds, forty times faster.
    s->Timer1.SetInterval(50);
    s->Timer3.SetInterval(125);
    s->Timer2.SetInterval(200);
    ASSERT_TRUE(RunUntilLong([] { return Forms::SplashIfLoaded() == nullptr; }));
    Form1* scanner = Forms::ScannerWindowIfLoaded();
    ASSERT_NE(scanner, nullptr);
    EXPECT_TRUE(scanner->isVisible());
    EXPECT_TRUE(eraser->isVisible());

    // Closed by the desktop, the eraser window is unloaded; the scanner's hand-over loads a new
    // one.
    eraser->close();
    EXPECT_FALSE(SysTray::IconPresent());
    scanner->chameleonButton1_Click();
    Engine* again = Program::EraserWindowIfLoaded();
    ASSERT_NE(again, nullptr);
    EXPECT_FALSE(again->IsUnloaded());
    EXPECT_TRUE(again->isVisible());
    EXPECT_TRUE(SysTray::IconPresent());
    EXPECT_EQ(Forms::SplashIfLoaded(), nullptr) << "the splash belongs to the start only";
    EXPECT_EQ(Forms::ScannerWindowIfLoaded(), scanner);

    scanner->close();
    EXPECT_FALSE(SysTray::IconPresent()) << "the eraser's unload removes the icon";
    EXPECT_EQ(Program::EraserWindowIfLoaded(), nullptr);
    EXPECT_EQ(ends, 0);
}

// The splash is handed to the display before the windows behind it are built and the scanner
// window reads its lists, and the lists are whole once the start-up has returned: what the
// windows show once loaded is the same.
TEST_F(ProgramTest, TheSplashIsExposedBeforeTheListsAreReadAndTheListsAreWholeAfter) {
    Ctl({"cache", "add", "http://a.example/"});
    Ctl({"cache", "add", "http://b.example/"});
    struct FirstExpose : QObject {
        int listedThen = -1;
        bool eraserBuiltThen = false;
        bool eventFilter(QObject* watched, QEvent* event) override {
            const splash* shown = Forms::SplashIfLoaded();
            if (event->type() == QEvent::Expose && listedThen < 0 && shown != nullptr &&
                watched == shown->windowHandle()) {
                const Form1* scanner = Forms::ScannerWindowIfLoaded();
                listedThen = scanner != nullptr ? scanner->List1->count() : 0;
                eraserBuiltThen = Program::EraserWindowIfLoaded() != nullptr;
            }
            return false;
        }
    } watch;
    QCoreApplication::instance()->installEventFilter(&watch);
    Start();
    QCoreApplication::instance()->removeEventFilter(&watch);
    EXPECT_EQ(watch.listedThen, 0) << "the splash waited for the lists";
    EXPECT_FALSE(watch.eraserBuiltThen) << "the splash waited for the eraser window";
    const Form1* scanner = Forms::ScannerWindowIfLoaded();
    ASSERT_NE(scanner, nullptr);
    ASSERT_EQ(scanner->List1->count(), 2);
    EXPECT_EQ(scanner->List1->item(0)->text(), QStringLiteral("http://a.example/"));
}

// The program's look comes in two steps so that the splash goes to the display before the font
// database and the icon load; the second step must still come before anything is painted, and
// every window and the notification icon end up with the windows' font and the program's icon.
class ProgramLookTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(Program::ApplyLookAfterFirstShow());
    }
    void TearDown() override {
        ProgramTest::TearDown();
        controls::SetIconAndFontFromApplication(false);
        QApplication::setStyle(style_);
        QApplication::setPalette(palette_);
        QApplication::setFont(font_);
        QApplication::setWindowIcon(icon_);
    }
    // Both windows and the notification icon have the program's look.
    static void ExpectTheLook() {
        const QFont windows = platform::ToQFont(platform::Font{});
        Engine* eraser = Program::EraserWindowIfLoaded();
        ASSERT_NE(eraser, nullptr);
        for (const QWidget* window :
             {static_cast<const QWidget*>(eraser),
              static_cast<const QWidget*>(Forms::ScannerWindowIfLoaded())}) {
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(window->font().family(), windows.family());
            EXPECT_EQ(window->font().pixelSize(), windows.pixelSize());
            EXPECT_EQ(window->windowIcon().cacheKey(), controls::ProgramIcon().cacheKey());
        }
        EXPECT_EQ(SysTray::TrayIconData().hIcon.cacheKey(), controls::ProgramIcon().cacheKey());
        EXPECT_EQ(QApplication::style()->name().toLower(), "windows");
    }

private:
    QString style_ = QApplication::style()->name();
    QPalette palette_ = QApplication::palette();
    QFont font_ = QApplication::font();
    QIcon icon_ = QApplication::windowIcon();
};

TEST_F(ProgramLookTest, TheLookCompletedAfterTheSplashIsShownIsThereForItsFirstPaint) {
    struct FirstPaint : QObject {
        bool seen = false;
        QString family;
        QString text;
        qint64 iconKey = 0;
        bool eventFilter(QObject* watched, QEvent* event) override {
            const splash* shown = Forms::SplashIfLoaded();
            if (event->type() == QEvent::Paint && !seen && shown != nullptr &&
                watched == shown->Label1) {
                seen = true;
                family = shown->Label1->font().family();
                text = shown->Label1->text();
                iconKey = shown->windowIcon().cacheKey();
            }
            return false;
        }
    } watch;
    QCoreApplication::instance()->installEventFilter(&watch);
    Start();
    QCoreApplication::instance()->removeEventFilter(&watch);
    Forms::RunAfterFirstShow(); // as the program does; the work ran already and does not repeat

    EXPECT_TRUE(watch.seen) << "the splash was not painted during the start";
    EXPECT_EQ(watch.family, platform::ToQFont(platform::Font{}).family())
        << "the splash was painted before its font came";
    EXPECT_EQ(watch.iconKey, controls::ProgramIcon().cacheKey());
    EXPECT_EQ(watch.text, QStringLiteral("Locating Files...")) << "painted before its status";
    ExpectTheLook();
}

// Started into the notification area nothing is shown, so nothing waits for a first window: the
// icon the notification area gets is already the program's.
TEST_F(ProgramLookTest, AQuietStartHasTheLookBeforeItsNotificationIconIsAdded) {
    Start(true);
    EXPECT_TRUE(SysTray::IconPresent());
    ExpectTheLook();
}

TEST_F(ProgramTest, StartedMinimisedItWaitsInTheNotificationAreaUntilOpenedFromTheIcon) {
    Start(true);
    Engine* eraser = Program::EraserWindowIfLoaded();
    ASSERT_NE(eraser, nullptr);
    EXPECT_TRUE(SysTray::IconPresent());
    splash* s = Forms::SplashIfLoaded();
    ASSERT_NE(s, nullptr);
    s->Timer1.SetInterval(50);
    s->Timer3.SetInterval(125);
    s->Timer2.SetInterval(200);
    bool anyShown = false;
    ASSERT_TRUE(RunUntilLong([&] {
        anyShown = anyShown || eraser->isVisible() ||
                   (Forms::SplashIfLoaded() && Forms::SplashIfLoaded()->isVisible());
        return Forms::SplashIfLoaded() == nullptr;
    }));
    Form1* scanner = Forms::ScannerWindowIfLoaded();
    ASSERT_NE(scanner, nullptr);
    EXPECT_FALSE(anyShown) << "no window may appear during a start into the notification area";
    EXPECT_FALSE(scanner->isVisible());
    EXPECT_FALSE(eraser->isVisible());

    // The first double click on the icon brings up the eraser and the held-back scanner.
    eraser->Form_MouseMove(0, 0, 7725.0f, 0.0f);
    EXPECT_TRUE(eraser->isVisible());
    EXPECT_TRUE(scanner->isVisible());
}

TEST_F(ProgramTest, ATypicalCleanScansHandsOverErasesAndReportsCleaned) {
    // Files, cache, history and registry traces of every kind.
    Ctl({"seed", "demo"});
    Start();
    Form1& scanner = Forms::ScannerWindow();
    Engine& eraser = *Program::EraserWindowIfLoaded();
    const std::string profile = world::ProfilePath();
    const std::string user = world::UserName();

    // 1. The scan.
    scanner.Timer2.SetInterval(10);
    scanner.chameleonButton4_Click();
    ASSERT_TRUE(RunUntilLong([&] { return !scanner.Timer2.Enabled(); }));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Scanning Done");
    // Four cookie files, and the first cache entry with the six normal ones after it.
    EXPECT_EQ(boxes[0].text, ScanReport::ReportText(4, 7));
    EXPECT_EQ(scanner.Label22->Caption(), "11 Files");

    // 2. The hand-over.
    eraser.hide();
    eraser.SetProgressValue(35);
    eraser.SetCleanButtonsEnabled(false);
    scanner.chameleonButton1_Click();
    EXPECT_TRUE(eraser.isVisible());
    EXPECT_EQ(eraser.AdvProgressBar1->Value(), 0);
    EXPECT_TRUE(eraser.chameleonButton1->Enabled());
    EXPECT_TRUE(eraser.chameleonButton2->Enabled());
    EXPECT_EQ(eraser.Label2->Caption(), "Status");

    // 3. and 4. The clean, its animation and the scanner's finish.
    eraser.Timer1.SetInterval(10);
    scanner.Timer9.SetInterval(10);
    eraser.chameleonButton1_Click();
    ASSERT_TRUE(RunUntilLong([&] { return boxes.size() == 2 && !scanner.Timer9.Enabled(); }));
    EXPECT_FALSE(eraser.isVisible());
    EXPECT_FALSE(eraser.Timer1.Enabled());
    EXPECT_EQ(boxes[1].text, "Cleaning Done   ");
    EXPECT_EQ(boxes[1].title, "Corvane");
    EXPECT_EQ(boxes[1].Icon(), platform::vbInformation);
    EXPECT_EQ(scanner.Label7->Caption(), "11 Files Cleaned");
    EXPECT_FALSE(scanner.chameleonButton1->Enabled());
    EXPECT_TRUE(scanner.chameleonButton4->Enabled());

    // What is left on disk: the folders, empty.
    EXPECT_TRUE(FilesIn(profile + "\\Cookies").empty());
    EXPECT_FALSE(fs::exists(world::ToPosix(
        profile + "\\Local Settings\\Temporary Internet Files\\Content.IE5\\index.dat")));
    EXPECT_FALSE(
        fs::exists(world::ToPosix(profile + "\\Local Settings\\History\\History.IE5\\index.dat")));
    EXPECT_TRUE(fs::is_directory(world::ToPosix(world::TempPath())));
    EXPECT_TRUE(fs::is_empty(world::ToPosix(world::TempPath())));
    EXPECT_TRUE(fs::is_empty(world::ToPosix(profile + "\\Recent")));
    // In the hive: every list is gone, the last-scan date stays.
    for (const char* key :
         {"Software\\Microsoft\\Internet Explorer\\TypedURLs",
          "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU",
          "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Doc Find Spec MRU",
          "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs",
          "Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList",
          "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List"})
        EXPECT_EQ(RunCorvanectl({"reg", "query", std::string("HKCU\\") + key}).out, "") << key;
    // The save tick stores the last-scan date within half a second of the scan's end; the clean
    // may finish sooner than that on a quiet machine.
    EXPECT_TRUE(RunUntilLong(
        [] { return !platform::GetSetting("Halcyra", "Date", "History", "").empty(); }));
    EXPECT_NE(RunCorvanectl({"reg", "query", "HKCU\\Software\\Halcyra\\Date"}).out, "");
    // In the stores: the entries the list left out stay in the cache; the history is empty.
    EXPECT_EQ(Ctl({"cache", "list"}), "00200000\tVisited: " + user +
                                          "@http://www.example.com/\n00100000\tCookie:" + user +
                                          "@news.example.org/\n");
    EXPECT_EQ(Ctl({"history", "list"}), "");
    // The list is rebuilt from what is left: the first entry is listed whatever its type.
    ASSERT_EQ(eraser.List1->count(), 1);
    EXPECT_EQ(eraser.List1->item(0)->text().toStdString(),
              "Visited: " + user + "@http://www.example.com/");
}

TEST_F(ProgramTest, AScanDuringTheFinishingAnimationRunsBothTimersOnTheOneBar) {
    Start();
    Form1& scanner = Forms::ScannerWindow();
    Engine& eraser = *Program::EraserWindowIfLoaded();
    struct Tick {
        char timer;
        int value;
    };
    std::vector<Tick> ticks;
    for (auto [name, timer] : {std::pair{'2', &scanner.Timer2}, std::pair{'9', &scanner.Timer9}}) {
        const auto tick = timer->OnTick;
        timer->OnTick = [&ticks, &scanner, name, tick] {
            tick();
            ticks.push_back({name, scanner.AdvProgressBar1->Value()});
        };
    }
    scanner.Timer2.SetInterval(30);
    scanner.Timer9.SetInterval(20);
    eraser.Timer1.SetInterval(5);
    eraser.chameleonButton1_Click();
    ASSERT_TRUE(RunUntilLong([&] { return ticks.size() >= 3; }));
    ASSERT_TRUE(scanner.Timer9.Enabled());
    scanner.chameleonButton4_Click();
    EXPECT_EQ(scanner.AdvProgressBar1->Value(), 0);
    const std::size_t reset = ticks.size();
    ASSERT_TRUE(
        RunUntilLong([&] { return !scanner.Timer2.Enabled() && !scanner.Timer9.Enabled(); }));

    // After the reset both timers add to the same bar, 10 and 5 a tick, and each stops at the
    // first of its own ticks that reads above 99, with its own box.
    int previous = 0;
    std::map<char, int> finished;
    for (std::size_t i = reset; i < ticks.size(); ++i) {
        const int expected = previous + (ticks[i].timer == '2' ? 10 : 5);
        if (expected <= 100) {
            EXPECT_EQ(ticks[i].value, expected) << "tick " << i << " of timer " << ticks[i].timer;
        }
        previous = ticks[i].value;
        EXPECT_EQ(finished.count(ticks[i].timer), 0u) << "a timer ticked after it finished";
        if (ticks[i].value > 99)
            finished[ticks[i].timer] = ticks[i].value;
    }
    EXPECT_EQ(finished.size(), 2u);
    EXPECT_GE(std::count_if(ticks.begin() + static_cast<long>(reset), ticks.end(),
                            [](const Tick& t) { return t.timer == '9'; }),
              1);
    std::vector<std::string> titles;
    for (const MessageBoxRequest& box : boxes)
        titles.push_back(box.title + ": " + box.text.substr(0, 16));
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "Corvane: Cleaning Done   "), 1);
    EXPECT_EQ(std::count_if(titles.begin(), titles.end(),
                            [](const std::string& t) { return t.rfind("Scanning Done", 0) == 0; }),
              1);
}

} // namespace
} // namespace corvane

// The scanner window on a world of its own: load, navigation, the scan, the last-scan date, the
// cookie page, the cache address page and the cleaning hand-over.

#include "scanner/Form1.h"

#include "controls/FileListBox.h"
#include "controls/GroupBox.h"
#include "controls/Label.h"
#include "controls/XP_ProgressBar.h"
#include "controls/chameleonButton.h"
#include "platform/messageloop.h"
#include "platform/settings.h"
#include "platform/shell.h"
#include "platform/urlcache.h"
#include "scanner/EraserWindow.h"
#include "scanner/ScanReport.h"
#include "support/TempWorld.h"
#include "traces/modCache.h"

#include "support/RunUntil.h"
#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QListWidget>
#include <QLocale>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

namespace corvane {
namespace {

using platform::MessageBoxRequest;

using testing::RunUntil;

// A left click on a control, as the pointer delivers it.
void ClickOn(QWidget* widget) {
    const QPointF centre = QRectF(widget->rect()).center();
    QMouseEvent press(QEvent::MouseButtonPress, centre, widget->mapToGlobal(centre), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, widget->mapToGlobal(centre),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QCoreApplication::sendEvent(widget, &release);
}

// The eraser window as the scanner sees it, recording what it was asked to do.
struct RecordingEraser : EraserWindow {
    std::vector<std::string> calls;
    void SetProgressValue(int value) override { calls.push_back("value " + std::to_string(value)); }
    void SetCleanButtonsEnabled(bool enabled) override {
        calls.push_back(enabled ? "buttons on" : "buttons off");
    }
    void SetStatusText(const std::string& text) override { calls.push_back("status " + text); }
    void ShowWindow() override { calls.push_back("show"); }
};

class Form1Test : public ::testing::Test {
protected:
    testing::TempWorld world;
    const std::string profile = "\\Documents and Settings\\ann";
    const std::string cookieFolder = "C:" + profile + "\\Cookies";
    std::vector<MessageBoxRequest> boxes;
    platform::ScopedAnswerer answerer{[this](const MessageBoxRequest& box) {
        boxes.push_back(box);
        return static_cast<int>(platform::vbOK);
    }};
    RecordingEraser eraser;
    std::vector<std::string> events;
    std::vector<std::string> environment = {"COMPUTERNAME=BOX-7", "HOMEDRIVE=C:", "USERNAME=ann"};

    std::unique_ptr<Form1> MakeForm(bool load = true) {
        Form1Hooks hooks;
        hooks.showSplash = [this] { events.push_back("splash"); };
        hooks.eraserWindow = [this]() -> EraserWindow* {
            events.push_back("eraser");
            return &eraser;
        };
        hooks.unloadEraserWindow = [this] { events.push_back("unload eraser"); };
        hooks.unloaded = [this] { events.push_back("unloaded"); };
        hooks.environmentEntry = [this](int n) {
            return n >= 1 && n <= static_cast<int>(environment.size())
                       ? environment[static_cast<std::size_t>(n - 1)]
                       : std::string();
        };
        hooks.environmentVariable = [this](std::string_view name) -> std::string {
            if (name == "homedrive")
                return "C:";
            if (name == "homepath")
                return profile;
            return "";
        };
        auto form = std::make_unique<Form1>(std::move(hooks));
        if (load)
            form->Form_Load();
        return form;
    }

    std::filesystem::path Cookie(const std::string& name) {
        return testing::TempWorld::Write(world.Posix(cookieFolder) / name, "cookie");
    }
    static void Cache(const char* url, platform::DWORD type = platform::NORMAL_CACHE_ENTRY) {
        ASSERT_TRUE(platform::CommitUrlCacheEntryA(url, nullptr, type));
    }
    static std::string Text(const controls::Label* label) { return label->Caption(); }
    static std::vector<std::string> Lines(const QListWidget* list) {
        std::vector<std::string> lines;
        for (int i = 0; i < list->count(); ++i)
            lines.push_back(list->item(i)->text().toStdString());
        return lines;
    }
};

TEST_F(Form1Test, LoadFillsThePagesAndKeepsTheWindowHidden) {
    Cookie("ann@example[1].txt");
    Cache("http://example.com/");
    const auto form = MakeForm();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), "Corvane");
    EXPECT_EQ(form->size(), QSize(512, 386));
    EXPECT_EQ(events, (std::vector<std::string>{"splash"}));
    EXPECT_EQ(form->EnvComputerName, "BOX-7");
    EXPECT_EQ(form->EnvUserName, "ann");
    EXPECT_EQ(Text(form->Label13), "Cookies Folder: C:" + profile + "\\Cookies");
    EXPECT_EQ(Text(form->Label14),
              "Internet Files: Local Settings\\Temporary Internet Files\\Content.IE5");
    EXPECT_EQ(Text(form->Label15), "History Files: C:" + profile + "\\Local Settings\\History");
    EXPECT_EQ(Text(form->Label16), "Temp Files: C:\\WINDOWS\\Temp");
    EXPECT_EQ(Text(form->Label17), "Computer Name: BOX-7");
    EXPECT_EQ(Text(form->Label18), "User Name: ann");
    EXPECT_EQ(Text(form->Label19), "Internet Explorer: " + form->SystemInfo->IEVersion());
    EXPECT_EQ(form->File1->Path(), cookieFolder);
    EXPECT_EQ(form->File1->ListCount(), 1);
    EXPECT_EQ(Lines(form->List1), (std::vector<std::string>{"http://example.com/"}));
    EXPECT_EQ(Text(form->Label22), "Not Yet Scanned");
    EXPECT_EQ(Text(form->Label6), "Not Yet Scanned");
    EXPECT_EQ(Text(form->Label7), "Activate Cleaner");
    EXPECT_TRUE(form->chameleonButton4->Enabled());
    EXPECT_FALSE(form->chameleonButton1->Enabled());
    EXPECT_FALSE(form->chameleonButton3->Enabled());
    EXPECT_EQ(form->GroupBox1->Caption(), "Privacy Corvane Protection");
    EXPECT_EQ(form->GroupBox4->Caption(), "Temporary Files Stored");
    EXPECT_EQ(form->Timer2.Interval(), 200);
    EXPECT_EQ(form->Timer4.Interval(), 500);
    EXPECT_EQ(form->Timer9.Interval(), 200);
    EXPECT_TRUE(form->Timer1.Enabled());
    EXPECT_TRUE(form->Timer4.Enabled());
    EXPECT_FALSE(form->Timer2.Enabled());
    EXPECT_FALSE(form->Timer9.Enabled());
}

TEST_F(Form1Test, NavigationShowsExactlyOnePage) {
    const auto form = MakeForm();
    const auto visiblePages = [&] {
        std::string pages;
        for (const auto* page :
             {form->GroupBox1, form->GroupBox2, form->GroupBox3, form->GroupBox4})
            pages += page->isVisibleTo(form.get()) ? "1" : "0";
        return pages;
    };
    EXPECT_EQ(visiblePages(), "1000");
    ClickOn(form->Label9);
    EXPECT_EQ(visiblePages(), "0100");
    ClickOn(form->Image1);
    EXPECT_EQ(visiblePages(), "0010");
    ClickOn(form->Label20);
    EXPECT_EQ(visiblePages(), "0001");
    ClickOn(form->Image4);
    ClickOn(form->Label8);
    EXPECT_EQ(visiblePages(), "1000");
}

TEST_F(Form1Test, AWholeScanReportsTheCountsOfItsLastReRead) {
    Cookie("ann@a[1].txt");
    Cookie("ann@b[1].txt");
    Cookie("ann@c[1].TXT");
    Cookie("ann@d.dat");
    Cache("Cookie:ann@example.com/", platform::COOKIE_CACHE_ENTRY);
    Cache("http://example.com/");
    Cache("Visited: ann@http://example.com/", platform::URLHISTORY_CACHE_ENTRY);
    const auto form = MakeForm();
    form->Timer2.SetInterval(20);

    // Halfway through, one more cookie and one more cache entry appear: the report counts what
    // the last tick read.
    std::vector<int> values;
    const auto tick = form->Timer2.OnTick;
    form->Timer2.OnTick = [&] {
        tick();
        values.push_back(form->AdvProgressBar1->Value());
        if (values.size() == 1) {
            EXPECT_FALSE(form->chameleonButton4->Enabled());
            EXPECT_FALSE(form->chameleonButton1->Enabled());
        }
        if (values.size() == 5) {
            Cookie("ann@e[1].txt");
            Cache("https://example.org/style.css");
        }
    };
    form->Label7->SetCaption("57 Files Cleaned");
    form->chameleonButton4_Click();
    EXPECT_EQ(Text(form->Label7), "Activate Cleaner");
    ASSERT_TRUE(RunUntil([&] { return !boxes.empty(); }));

    EXPECT_EQ(values, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Scanning Done");
    EXPECT_EQ(boxes[0].Icon(), platform::vbInformation);
    EXPECT_EQ(boxes[0].Buttons(), platform::vbOKOnly);
    EXPECT_EQ(boxes[0].text, ScanReport::ReportText(4, 3));
    EXPECT_EQ(Text(form->Label22), "7 Files");
    EXPECT_EQ(Text(form->Label6),
              QLocale().toString(QDate::currentDate(), QLocale::LongFormat).toStdString());
    EXPECT_FALSE(form->Timer2.Enabled());
    EXPECT_TRUE(form->chameleonButton4->Enabled());
    EXPECT_TRUE(form->chameleonButton1->Enabled());
    EXPECT_EQ(Lines(form->List1),
              (std::vector<std::string>{"Cookie:ann@example.com/", "http://example.com/",
                                        "https://example.org/style.css"}));
}

TEST_F(Form1Test, APressDuringTheScanRestartsTheBarAndTheScanEndsTenTicksLater) {
    const auto form = MakeForm();
    form->Timer2.SetInterval(20);
    int ticks = 0;
    const auto tick = form->Timer2.OnTick;
    form->Timer2.OnTick = [&] {
        ++ticks;
        tick();
        // The button is disabled from the first tick on; the handler is what a press runs.
        if (ticks == 3)
            form->chameleonButton4_Click();
    };
    // Two presses straight after each other: the second restarts the bar before any tick.
    form->chameleonButton4_Click();
    form->chameleonButton4_Click();
    EXPECT_EQ(form->AdvProgressBar1->Value(), 0);
    ASSERT_TRUE(RunUntil([&] { return !boxes.empty(); }));
    EXPECT_EQ(ticks, 13);
    RunUntil([] { return false; }, 100);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(ticks, 13);
}

TEST_F(Form1Test, TheLastScanDateSurvivesARestart) {
    {
        const auto form = MakeForm();
        // Nothing scanned yet: the text is stored all the same.
        form->Timer4_Timer();
        EXPECT_EQ(platform::GetSetting("Halcyra", "Date", "History"), "Not Yet Scanned");
        form->Timer4.SetInterval(10);
        form->Timer2.SetInterval(10);
        form->chameleonButton4_Click();
        ASSERT_TRUE(RunUntil([&] { return !boxes.empty(); }));
        const std::string date = Text(form->Label6);
        ASSERT_TRUE(
            RunUntil([&] { return platform::GetSetting("Halcyra", "Date", "History") == date; }));
    }
    platform::SaveSetting("Halcyra", "Date", "History", "Monday, 7 December 2026");
    const auto again = MakeForm();
    EXPECT_EQ(Text(again->Label6), "Monday, 7 December 2026");
}

TEST_F(Form1Test, TheCookiePageListsMatchingFilesAndDeletesExactlyTheSelectedOne) {
    Cookie("ann@a[1].txt");
    Cookie("ann@b[1].txt.bak");
    Cookie("ann@*.txt");
    Cookie("notes.dat");
    Cookie(".hidden.txt");
    std::filesystem::create_directories(world.Posix(cookieFolder) / "sub.txt");
    const auto form = MakeForm();
    ASSERT_EQ(form->File1->ListCount(), 3);
    form->Timer1_Timer();
    EXPECT_EQ(form->GroupBox2->Caption(), "Total Cookies Detected On System: 3");
    EXPECT_FALSE(form->chameleonButton3->Enabled());

    // The name holds a wildcard; it is deleted literally and nothing else goes with it.
    form->File1->SetListIndex(0);
    ASSERT_EQ(form->File1->FileName(), "ann@*.txt");
    form->Timer1_Timer();
    EXPECT_TRUE(form->chameleonButton3->Enabled());
    form->chameleonButton3_Click();
    EXPECT_FALSE(std::filesystem::exists(world.Posix(cookieFolder) / "ann@*.txt"));
    for (const char* kept : {"ann@a[1].txt", "ann@b[1].txt.bak", "notes.dat", ".hidden.txt"})
        EXPECT_TRUE(std::filesystem::exists(world.Posix(cookieFolder) / kept)) << kept;
    EXPECT_EQ(form->File1->ListCount(), 2);
    EXPECT_EQ(form->File1->ListIndex(), -1);

    // Until the watcher runs the button is still enabled, but with nothing selected a press
    // deletes nothing.
    form->chameleonButton3_Click();
    EXPECT_EQ(form->File1->ListCount(), 2);
    form->Timer1_Timer();
    EXPECT_FALSE(form->chameleonButton3->Enabled());
    EXPECT_EQ(form->GroupBox2->Caption(), "Total Cookies Detected On System: 2");
}

TEST_F(Form1Test, TheCookieListKeepsItsLastReadUntilItIsReadAgain) {
    const auto form = MakeForm();
    Cookie("late.txt");
    EXPECT_EQ(form->File1->ListCount(), 0);
    form->File1->Refresh();
    EXPECT_EQ(form->File1->ListCount(), 1);
}

// Counts how often a folder is listed.
struct CountingFiles : platform::PosixFileService {
    int listings = 0;
    platform::ScopedFileSystem scope{*this};
    std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern,
                                       bool includeHidden) override {
        ++listings;
        return PosixFileService::ListFiles(folder, pattern, includeHidden);
    }
};

// A scan tick re-reads both lists; it may skip the reading only while neither the cookie folder
// nor the cache changed, and every change shows on the very next tick, whoever made it.
TEST_F(Form1Test, ScanTicksSkipReadingOnlyWhileNothingChanged) {
    Cookie("ann@a[1].txt");
    Cache("http://example.com/");
    CountingFiles files;
    const auto form = MakeForm();
    // Once the folder's times lie far enough back, a read takes a stamp that proves later ones.
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    form->Timer2_Timer();
    const int listings = files.listings;

    form->File1->SetListIndex(0);
    form->List1->setCurrentRow(0);
    // Any walk of the cache would now fail and empty the list: a kept list proves no walk ran.
    modCache::SetAllocationFailureForTesting(0);
    form->Timer2_Timer();
    modCache::SetAllocationFailureForTesting(-1);
    EXPECT_EQ(files.listings, listings);
    EXPECT_EQ(form->File1->ListCount(), 1);
    EXPECT_EQ(Lines(form->List1), (std::vector<std::string>{"http://example.com/"}));
    // As after a fresh fill: nothing selected in either list.
    EXPECT_EQ(form->File1->ListIndex(), -1);
    EXPECT_TRUE(form->List1->selectedItems().isEmpty());
    EXPECT_EQ(form->List1->currentRow(), -1);

    // A walk that fails part-way is not kept: the next tick walks again and shows everything.
    Cache("http://example.org/late");
    modCache::SetAllocationFailureForTesting(1);
    form->RefreshCacheList();
    modCache::SetAllocationFailureForTesting(-1);
    EXPECT_EQ(Lines(form->List1), (std::vector<std::string>{"http://example.com/"}));
    form->RefreshCacheList();
    EXPECT_EQ(Lines(form->List1),
              (std::vector<std::string>{"http://example.com/", "http://example.org/late"}));
    ASSERT_TRUE(platform::DeleteUrlCacheEntryA("http://example.org/late"));

    // Changes made straight after a read show on the next tick.
    Cookie("ann@b[1].txt");
    Cache("http://example.org/");
    form->Timer2_Timer();
    EXPECT_EQ(form->File1->ListCount(), 2);
    EXPECT_EQ(Lines(form->List1),
              (std::vector<std::string>{"http://example.com/", "http://example.org/"}));

    // Another program adds an entry behind this one's back.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(world::UrlCacheFile().c_str(), &other), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(other, "INSERT INTO entries(url, type) VALUES('http://example.net/', 1)",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
    form->RefreshCacheList();
    EXPECT_EQ(Lines(form->List1),
              (std::vector<std::string>{"http://example.com/", "http://example.org/",
                                        "http://example.net/"}));
    // And removes a cookie file while the folder's times are settled again.
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    form->File1->Refresh();
    std::filesystem::remove(world.Posix(cookieFolder) / "ann@a[1].txt");
    form->File1->Refresh();
    EXPECT_EQ(form->File1->ListCount(), 1);
    EXPECT_EQ(form->File1->List(0), "ann@b[1].txt");
}

TEST_F(Form1Test, GoToWebsiteHandsOverWebAddressesOnly) {
    Cache("Cookie:ann@example.com/", platform::COOKIE_CACHE_ENTRY);
    Cache("http://example.com/page?a=1");
    Cache("C:\\WINDOWS\\system32\\calc.exe");
    Cache("file:///usr/bin/xterm");
    Cache("ftp://files.example.net/pub/");
    std::vector<std::string> opened;
    platform::SetUrlOpener([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    const auto form = MakeForm();
    form->Timer1_Timer();
    EXPECT_FALSE(form->chameleonButton2->Enabled());
    form->chameleonButton2_Click();

    // The watcher enables the button for a selection even while the page is hidden.
    ASSERT_FALSE(form->GroupBox4->isVisibleTo(form.get()));
    for (int row = 0; row < form->List1->count(); ++row) {
        form->List1->setCurrentRow(row);
        form->Timer1_Timer();
        EXPECT_TRUE(form->chameleonButton2->Enabled());
        form->chameleonButton2_Click();
    }
    platform::SetUrlOpener({});
    EXPECT_EQ(opened, (std::vector<std::string>{"http://example.com/page?a=1",
                                                "ftp://files.example.net/pub/"}));
}

TEST_F(Form1Test, HandOverResetsTheEraserWindowAndTheFinishReportsCleaned) {
    const auto form = MakeForm();
    form->AdvProgressBar1->SetValue(40);
    form->chameleonButton1_Click();
    EXPECT_EQ(eraser.calls,
              (std::vector<std::string>{"value 0", "buttons on", "status Status", "show"}));
    EXPECT_EQ(form->AdvProgressBar1->Value(), 0);

    form->Label22->SetCaption("7 Files");
    form->chameleonButton4->SetEnabled(false);
    form->chameleonButton1->SetEnabled(true);
    form->Timer9.SetInterval(10);
    std::vector<int> values;
    const auto tick = form->Timer9.OnTick;
    form->Timer9.OnTick = [&] {
        tick();
        values.push_back(form->AdvProgressBar1->Value());
    };
    // Every tick re-reads the cache address list: an entry that appears shows on the next one.
    Cache("http://example.com/");
    form->Timer9.SetEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return !boxes.empty(); }));
    EXPECT_EQ(values.size(), 20u);
    EXPECT_EQ(values.back(), 100);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Cleaning Done   ");
    EXPECT_EQ(boxes[0].title, "Corvane");
    EXPECT_EQ(boxes[0].Icon(), platform::vbInformation);
    EXPECT_EQ(Text(form->Label7), "7 Files Cleaned");
    EXPECT_FALSE(form->Timer9.Enabled());
    EXPECT_TRUE(form->chameleonButton4->Enabled());
    EXPECT_FALSE(form->chameleonButton1->Enabled());
    EXPECT_EQ(Lines(form->List1), (std::vector<std::string>{"http://example.com/"}));
}

TEST_F(Form1Test, WithoutAScanTheFinishReadsNotYetScannedCleaned) {
    const auto form = MakeForm();
    form->AdvProgressBar1->SetValue(95);
    form->Timer9_Timer();
    EXPECT_EQ(Text(form->Label7), "Not Yet Scanned Cleaned");
}

TEST_F(Form1Test, ClosingUnloadsTheEraserWindowFirstAndStopsTheTimers) {
    const auto form = MakeForm();
    form->show();
    form->close();
    EXPECT_EQ(events, (std::vector<std::string>{"splash", "unload eraser", "unloaded"}));
    EXPECT_FALSE(form->Timer1.Enabled());
    EXPECT_FALSE(form->Timer4.Enabled());
}

} // namespace
} // namespace corvane

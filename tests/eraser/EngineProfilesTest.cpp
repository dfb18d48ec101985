// The eraser window and the user's real browser profiles: the one question per undecided profile,
// the note about profiles an erase skipped because their browser had them open, and the watcher
// that cleans a profile when its browser lets go of it. The profiles are real-format Firefox
// profile folders in a home of the test's own; "the browser" is a child process holding the
// profile's lock exactly as the browser does.

#include "browsers/Consent.h"
#include "browsers/InUse.h"
#include "eraser/Engine.h"
#include "eraser/ImageTriplet.h"
#include "eraser/ProfileQuestions.h"
#include "platform/messageloop.h"
#include "shell/SysTray.h"
#include "support/RunUntil.h"
#include "support/ScopedEnv.h"
#include "support/TempWorld.h"

#include <QCoreApplication>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using platform::MessageBoxRequest;
using testing::RunUntil;

void Pump(int ms) {
    RunUntil([] { return false; }, ms);
}

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs one statement (or several) on a database file, creating it when missing.
void Exec(const fs::path& db, const std::string& sql) {
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &handle), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(handle);
}

// The number of rows a query counts; -1 when the database cannot answer.
long Count(const fs::path& db, const std::string& sql) {
    sqlite3* handle = nullptr;
    long result = -1;
    if (sqlite3_open_v2(db.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            result = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
    }
    sqlite3_close(handle);
    return result;
}

// A stand-in for a running Firefox: a child process that holds the POSIX lock on the profile's
// `.parentlock`, released when the object ends (the process is killed, as a crash would).
class BrowserHoldingProfile {
public:
    explicit BrowserHoldingProfile(const fs::path& folder) {
        const std::string lock = (folder / ".parentlock").string();
        pid_ = ::fork();
        if (pid_ == 0) {
            // Only async-signal-safe calls between fork and exit.
            const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT, 0600);
            struct flock region {};
            region.l_type = F_WRLCK;
            region.l_whence = SEEK_SET;
            if (fd < 0 || ::fcntl(fd, F_SETLK, &region) != 0)
                ::_exit(1);
            for (;;)
                ::pause();
        }
        EXPECT_TRUE(RunUntil([&] { return browsers::IsFirefoxProfileLocked(folder); }, 10000))
            << "the stand-in browser did not take the profile lock";
    }
    ~BrowserHoldingProfile() { Close(); }
    BrowserHoldingProfile(const BrowserHoldingProfile&) = delete;
    BrowserHoldingProfile& operator=(const BrowserHoldingProfile&) = delete;

    /// The browser exits; its lock goes with it.
    void Close() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

// True when a box names the profile (shown as "Browser - profile name").
bool Names(const MessageBoxRequest& box, const std::string& profile) {
    return box.text.find(" - " + profile + '"') != std::string::npos;
}

class EngineProfilesTest : public ::testing::Test {
protected:
    testing::TempWorld world;
    fs::path firefoxRoot = world.Root() / "config" / "mozilla" / "firefox";
    std::vector<MessageBoxRequest> boxes;
    // The answer to each consent question, by profile name; any other box gets OK.
    std::map<std::string, int> answers;
    platform::ScopedAnswerer answerer{[this](const MessageBoxRequest& box) {
        boxes.push_back(box);
        for (const auto& [name, answer] : answers)
            if (Names(box, name))
                return answer;
        return box.Buttons() == platform::vbYesNo ? static_cast<int>(platform::vbNo)
                                                  : static_cast<int>(platform::vbOK);
    }};
    std::unique_ptr<Engine> engine;
    std::vector<std::string> profileNames;
    testing::ScopedEnv env;

    void SetUp() override {
        // Discovery looks in the home and the XDG folders: all of them are the test's own.
        fs::create_directories(world.Root() / "home");
        fs::create_directories(world.Root() / "cache");
        env.Set("HOME", (world.Root() / "home").string());
        env.Set("XDG_CACHE_HOME", (world.Root() / "cache").string());
        SysTray::SetTrayAvailableForTesting(true);
    }
    void TearDown() override {
        engine.reset();
        SysTray::SetTrayAvailableForTesting(std::nullopt);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Adds a Firefox profile with one cookie and lists it in profiles.ini; returns its folder.
    fs::path AddProfile(const std::string& name) {
        const fs::path folder = firefoxRoot / (name + ".default");
        fs::create_directories(folder);
        Exec(folder / "cookies.sqlite",
             "PRAGMA user_version = 12;"
             "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL "
             "DEFAULT '', name TEXT, value TEXT, host TEXT, path TEXT, expiry INTEGER, "
             "lastAccessed INTEGER, creationTime INTEGER, isSecure INTEGER, isHttpOnly INTEGER, "
             "inBrowserElement INTEGER DEFAULT 0, sameSite INTEGER DEFAULT 0, rawSameSite "
             "INTEGER DEFAULT 0, schemeMap INTEGER DEFAULT 0, CONSTRAINT moz_uniqueid UNIQUE "
             "(name, host, path, originAttributes));");
        AddCookie(folder, "first");
        profileNames.push_back(name);
        std::ofstream ini(firefoxRoot / "profiles.ini", std::ios::trunc);
        ini << "[General]\nStartWithLastProfile=1\nVersion=2\n";
        for (std::size_t i = 0; i < profileNames.size(); ++i)
            ini << "\n[Profile" << i << "]\nName=" << profileNames[i]
                << "\nIsRelative=1\nPath=" << profileNames[i] << ".default\n";
        return folder;
    }
    static void AddCookie(const fs::path& folder, const std::string& name) {
        Exec(folder / "cookies.sqlite",
             "INSERT INTO moz_cookies (name, value, host, path, expiry, lastAccessed, "
             "creationTime, isSecure, isHttpOnly) VALUES ('" +
                 name + "', 'secret-value', '.tracker.example', '/', 4102444800, 1, 1, 0, 0);");
    }
    static long Cookies(const fs::path& folder) {
        return Count(folder / "cookies.sqlite", "SELECT count(*) FROM moz_cookies");
    }
    static std::string IdOf(const fs::path& folder) { return "firefox:" + folder.string(); }
    static void Enable(const fs::path& folder) {
        std::string error;
        ASSERT_TRUE(browsers::SetConsent(IdOf(folder), browsers::Consent::Enabled, error)) << error;
    }
    std::vector<MessageBoxRequest> Questions() const {
        std::vector<MessageBoxRequest> questions;
        for (const MessageBoxRequest& box : boxes)
            if (box.Buttons() == platform::vbYesNo)
                questions.push_back(box);
        return questions;
    }

    Engine& Load(const std::string& commandLine = "") {
        EngineHooks hooks;
        hooks.commandLine = commandLine;
        hooks.executable = (world.Root() / "corvane").string();
        hooks.isBrowserRunning = [] { return false; };
        engine = std::make_unique<Engine>(std::move(hooks));
        engine->Form_Load();
        return *engine;
    }
};

TEST_F(EngineProfilesTest, AskedOncePerUndecidedProfileTheAnswersAreKeptAndObeyed) {
    const fs::path alpha = AddProfile("alpha");
    const fs::path beta = AddProfile("beta");
    answers = {{"alpha", platform::vbYes}, {"beta", platform::vbNo}};
    Engine& e = Load();
    EXPECT_TRUE(Questions().empty()) << "the load asks nothing";

    e.MnuHist_Click();
    const std::vector<MessageBoxRequest> asked = Questions();
    ASSERT_EQ(asked.size(), 2u);
    for (const MessageBoxRequest& box : asked) {
        EXPECT_EQ(box.Icon(), static_cast<unsigned>(platform::vbQuestion));
        EXPECT_NE(box.text.find("Firefox"), std::string::npos) << box.text;
        EXPECT_NE(box.text.find(firefoxRoot.string()), std::string::npos) << box.text;
        EXPECT_NE(box.text.find("cookies"), std::string::npos) << box.text;
        EXPECT_NE(box.text.find("Never touched: bookmarks, passwords"), std::string::npos);
    }
    EXPECT_NE(Names(asked[0], "alpha"), Names(asked[1], "alpha")) << "one question per profile";
    EXPECT_NE(Names(asked[0], "beta"), Names(asked[1], "beta"));
    EXPECT_EQ(browsers::GetConsent(IdOf(alpha)), browsers::Consent::Enabled);
    EXPECT_EQ(browsers::GetConsent(IdOf(beta)), browsers::Consent::Disabled);
    EXPECT_EQ(Cookies(alpha), 0) << "agreed to and closed: cleaned by the same erase";
    EXPECT_EQ(Cookies(beta), 1) << "refused: untouched";

    // Decided profiles are never asked about again, whatever erase the user starts.
    AddCookie(alpha, "second");
    e.MnuAll_Click();
    e.BHist->Action();
    EXPECT_EQ(Questions().size(), 2u);
    EXPECT_EQ(Cookies(alpha), 0);
    EXPECT_EQ(Cookies(beta), 1);

    // A profile made since is asked about the next time, and only it.
    const fs::path gamma = AddProfile("gamma");
    e.chameleonButton1_Click();
    ASSERT_EQ(Questions().size(), 3u);
    EXPECT_TRUE(Names(Questions().back(), "gamma")) << Questions().back().text;
    EXPECT_EQ(browsers::GetConsent(IdOf(gamma)), browsers::Consent::Disabled);
}

TEST_F(EngineProfilesTest, TheAutomaticEraseNeverAsksNorTouchesAnUndecidedProfile) {
    const fs::path undecided = AddProfile("undecided");
    const fs::path agreed = AddProfile("agreed");
    Enable(agreed);
    Engine& e = Load("-min");
    {
        BrowserHoldingProfile browser(undecided);
        Pump(1200);
    }
    // The world's browser closes: its automatic erase runs the history erase.
    e.AutomaticErase();
    Pump(1500);
    EXPECT_TRUE(boxes.empty()) << boxes.front().text;
    EXPECT_EQ(browsers::GetConsent(IdOf(undecided)), browsers::Consent::Undecided);
    EXPECT_EQ(Cookies(undecided), 1);
    EXPECT_EQ(Cookies(agreed), 0) << "the agreed profile is cleaned by the same erase";
}

TEST_F(EngineProfilesTest, AProfileInUseIsSkippedAndSaidOnceInABalloonOrABox) {
    const fs::path open = AddProfile("open");
    Enable(open);
    const std::string before = ReadAll(open / "cookies.sqlite");
    Engine& e = Load();
    BrowserHoldingProfile browser(open);

    const int balloons = SysTray::BalloonCount();
    e.MnuHist_Click();
    EXPECT_EQ(SysTray::BalloonCount() - balloons, 1);
    const std::string note = SysTray::LastBalloonText().toStdString();
    EXPECT_NE(note.find("open"), std::string::npos) << note;
    EXPECT_NE(note.find("cleaned when its browser closes"), std::string::npos) << note;
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ReadAll(open / "cookies.sqlite"), before) << "a profile in use is never written";

    // Where the desktop has no notification area the same note comes as a message box.
    SysTray::SetTrayAvailableForTesting(false);
    e.EraseAll();
    EXPECT_EQ(SysTray::BalloonCount() - balloons, 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Icon(), static_cast<unsigned>(platform::vbInformation));
    EXPECT_EQ(boxes[0].text, note);
    EXPECT_EQ(ReadAll(open / "cookies.sqlite"), before);
}

TEST_F(EngineProfilesTest, TheWatcherCleansAProfileOnceWhenItsBrowserLetsGo) {
    const fs::path watched = AddProfile("watched");
    Enable(watched);
    const fs::path other = AddProfile("other");
    Enable(other);
    Engine& e = Load("-min");
    EXPECT_FALSE(e.isVisible());
    EXPECT_EQ(e.ProfileWatch.Followed(), 2u) << "hidden with -min, the watcher still runs";
    const int modifiesBefore = SysTray::ModifyCount();

    BrowserHoldingProfile browser(watched);
    Pump(1200);
    EXPECT_EQ(Cookies(watched), 1) << "nothing is written while the browser runs";
    EXPECT_EQ(SysTray::ModifyCount(), modifiesBefore);

    browser.Close();
    ASSERT_TRUE(RunUntil([&] { return Cookies(watched) == 0; }, 10000));
    ASSERT_TRUE(RunUntil([&] { return SysTray::ModifyCount() - modifiesBefore == 2; }, 5000))
        << "busy picture, then back";
    EXPECT_EQ(SysTray::TrayIconData().hIcon.cacheKey(), e.windowIcon().cacheKey());
    EXPECT_EQ(Cookies(other), 1) << "only the profile whose browser closed is cleaned";

    // Once per browser run: a closed profile is not cleaned again on later beats.
    AddCookie(watched, "after");
    Pump(1500);
    EXPECT_EQ(Cookies(watched), 1);
    EXPECT_EQ(SysTray::ModifyCount() - modifiesBefore, 2);

    e.Form_Unload();
    EXPECT_FALSE(e.ProfileWatch.Beat.Enabled());
}

TEST(ProfileQuestions, TheNoteNamesWhatWasNotCleanedAndNothingElse) {
    browsers::CleaningReport report;
    EXPECT_EQ(eraser::NotCleanedNote(report), "");
    browsers::ProfileReport cleaned;
    cleaned.id = "firefox:/home/a/clean";
    cleaned.name = "Firefox - clean";
    cleaned.Add("cookies", 3);
    report.profiles.push_back(cleaned);
    EXPECT_EQ(eraser::NotCleanedNote(report), "");

    browsers::ProfileReport damaged;
    damaged.id = "chromium:/home/a/damaged";
    damaged.name = "Chromium - Default";
    damaged.outcome = browsers::Outcome::Partly;
    damaged.problems.push_back("History: file is not a database");
    report.profiles.push_back(damaged);
    EXPECT_EQ(eraser::NotCleanedNote(report), damaged.Line())
        << "no promise of a later clean for a damaged profile";

    browsers::ProfileReport open;
    open.id = "firefox:/home/a/open";
    open.name = "Firefox - open";
    open.outcome = browsers::Outcome::InUse;
    report.profiles.push_back(open);
    EXPECT_EQ(eraser::NotCleanedNote(report), damaged.Line() + "\n" + open.Line() +
                                                  "\nA profile in use is cleaned when its "
                                                  "browser closes.");
}

} // namespace
} // namespace corvane

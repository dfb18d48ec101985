// Timers, message boxes and the hourglass as the system's code relies on them.

#include "platform/messageloop.h"

#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>

namespace corvane::platform {
namespace {

using Clock = std::chrono::steady_clock;

// Runs the event loop for `ms` milliseconds of real time.
void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(Timer, FirstTickComesOneIntervalAfterEnablingAndDisablingStopsIt) {
    ASSERT_EQ(TimeScale(), 1.0) << "these timings assume an unscaled clock";
    Timer timer;
    timer.SetInterval(60);
    std::vector<Clock::time_point> ticks;
    timer.OnTick = [&] { ticks.push_back(Clock::now()); };
    RunFor(100);
    EXPECT_TRUE(ticks.empty()) << "a timer that was never enabled ticked";

    const auto enabled = Clock::now();
    timer.SetEnabled(true);
    RunFor(30);
    EXPECT_TRUE(ticks.empty());
    RunFor(200);
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_GE(ticks[0] - enabled, std::chrono::milliseconds(55));

    timer.SetEnabled(false);
    const size_t count = ticks.size();
    RunFor(150);
    EXPECT_EQ(ticks.size(), count);
}

TEST(Timer, EnablingARunningTimerDoesNotRestartIt) {
    Timer timer;
    timer.SetInterval(100);
    int ticks = 0;
    timer.OnTick = [&] { ++ticks; };
    timer.SetEnabled(true);
    // Re-enabling every 40 ms would keep a restarting timer from ever reaching 100 ms.
    for (int i = 0; i < 6; ++i) {
        RunFor(40);
        timer.SetEnabled(true);
    }
    EXPECT_GE(ticks, 1);
}

TEST(Timer, IntervalZeroNeverTicksAndATickDoesNotReenterItsHandler) {
    Timer idle;
    int idleTicks = 0;
    idle.OnTick = [&] { ++idleTicks; };
    idle.SetEnabled(true);

    Timer timer;
    timer.SetInterval(10);
    int depth = 0, maxDepth = 0, ticks = 0;
    timer.OnTick = [&] {
        ++ticks;
        maxDepth = std::max(maxDepth, ++depth);
        if (ticks == 1)
            RunFor(80); // yields long enough for several more intervals to fall due
        --depth;
    };
    timer.SetEnabled(true);
    RunFor(150);
    EXPECT_EQ(idleTicks, 0);
    EXPECT_GE(ticks, 2);
    EXPECT_EQ(maxDepth, 1);
}

TEST(MessageBox, AnswerersGetTheBoxAndGiveTheSystemsCodes) {
    MessageBoxRequest seen;
    {
        ScopedAnswerer answer([&](const MessageBoxRequest& r) {
            seen = r;
            return static_cast<int>(vbNo);
        });
        EXPECT_EQ(MsgBox("Shred x ?", vbYesNo + vbQuestion, "Corvane"), 7);
    }
    EXPECT_EQ(seen.text, "Shred x ?");
    EXPECT_EQ(seen.title, "Corvane");
    EXPECT_EQ(seen.Buttons(), static_cast<unsigned>(vbYesNo));
    EXPECT_EQ(seen.Icon(), static_cast<unsigned>(vbQuestion));

    ScopedAnswerer yes(AnswerYesToAll());
    EXPECT_EQ(MsgBox("q", vbYesNo + vbExclamation, "t"), 6);
    EXPECT_EQ(MsgBox("q", vbYesNoCancel, "t"), 6);
    EXPECT_EQ(MsgBox("note", vbOKOnly + vbInformation, "t"), 1);
    EXPECT_EQ(MsgBox("q", vbRetryCancel, "t"), static_cast<int>(vbRetry));
}

TEST(MessageBox, ScopedAnswerersNestAndRestore) {
    ScopedAnswerer outer([](const MessageBoxRequest&) { return static_cast<int>(vbNo); });
    {
        ScopedAnswerer inner(AnswerYesToAll());
        EXPECT_EQ(MsgBox("q", vbYesNo, "t"), vbYes);
    }
    EXPECT_EQ(MsgBox("q", vbYesNo, "t"), vbNo);
}

TEST(Hourglass, ShowsTheWaitCursorAndRestoresWhatWasThere) {
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        Hourglass outer;
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        { Hourglass inner; }
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(InputState, AYieldResetsTheFrameClock) {
    DoEvents();
    EXPECT_FALSE(GetInputState());
    RunFor(40);
    DoEvents();
    EXPECT_FALSE(GetInputState());
    const auto start = Clock::now();
    while (Clock::now() - start < std::chrono::milliseconds(40)) {
    }
    EXPECT_TRUE(GetInputState());
}

} // namespace
} // namespace corvane::platform

// The splash: one at most, its texts and squares in order, and the scanner window shown when it
// goes.

#include "shell/splash.h"

#include "controls/Shape.h"
#include "scanner/Form1.h"
#include "shell/Forms.h"
#include "support/TempWorld.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane {
namespace {

class SplashTest : public ::testing::Test {
protected:
    testing::TempWorld world;

    void TearDown() override {
        Forms::UnloadAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(SplashTest, LoadingTheSplashLoadsTheScannerHiddenAndASecondRequestMakesNoOther) {
    Forms::ShowSplash();
    splash* first = Forms::SplashIfLoaded();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->size(), QSize(379, 267));
    EXPECT_TRUE(first->windowFlags() & Qt::FramelessWindowHint);
    ASSERT_NE(Forms::ScannerWindowIfLoaded(), nullptr);
    EXPECT_FALSE(Forms::ScannerWindowIfLoaded()->isVisible());
    EXPECT_EQ(first->Label1->text(), "Locating Files...");
    EXPECT_EQ(first->Label1->geometry(), QRect(8, 251, 137, 17));
    EXPECT_TRUE(first->Shape7->isVisible());
    EXPECT_FALSE(first->Shape8->isVisible());
    EXPECT_FALSE(first->Shape9->isVisible());
    EXPECT_EQ(first->Shape7->geometry(), QRect(88, 136, 17, 17));
    EXPECT_EQ(first->Shape9->geometry(), QRect(152, 72, 17, 17));
    EXPECT_EQ(first->Timer1.Interval(), 2000);
    EXPECT_EQ(first->Timer3.Interval(), 5000);
    EXPECT_EQ(first->Timer2.Interval(), 8000);
    EXPECT_TRUE(first->Timer1.Enabled() && first->Timer2.Enabled() && first->Timer3.Enabled());

    first->hide();
    Forms::ShowSplash();
    EXPECT_EQ(Forms::SplashIfLoaded(), first);
    EXPECT_TRUE(first->isVisible());
}

TEST_F(SplashTest, TextsAndSquaresComeInOrderAndTheScannerIsShownAtTheEnd) {
    Forms::ShowSplash();
    splash* s = Forms::SplashIfLoaded();
    ASSERT_NE(s, nullptr);
    // The same timeline twenty times faster: 100, 250 and 400 ms instead of 2, 5 and 8 s.
    s->Timer1.SetInterval(100);
    s->Timer3.SetInterval(250);
    s->Timer2.SetInterval(400);
    struct Seen {
        std::string timer, text;
        bool second, third;
    };
    std::vector<Seen> seen;
    const auto record = [&](const char* name, platform::Timer& timer) {
        const auto tick = timer.OnTick;
        timer.OnTick = [&seen, s, name, tick] {
            tick();
            seen.push_back({name, s->Label1->text().toStdString(), !s->Shape8->isHidden(),
                            !s->Shape9->isHidden()});
        };
    };
    record("Timer1", s->Timer1);
    record("Timer3", s->Timer3);
    record("Timer2", s->Timer2);

    QElapsedTimer clock;
    clock.start();
    while (Forms::SplashIfLoaded() != nullptr && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    ASSERT_EQ(Forms::SplashIfLoaded(), nullptr);
    ASSERT_GE(seen.size(), 3u);

    std::size_t i = 0;
    for (; i < seen.size() && seen[i].timer == "Timer1"; ++i) {
        EXPECT_EQ(seen[i].text, "Loading GUI...");
        EXPECT_TRUE(seen[i].second);
        EXPECT_FALSE(seen[i].third) << "the third square came before the second";
    }
    EXPECT_GE(i, 1u) << "Loading GUI... was never shown";
    ASSERT_LT(i, seen.size());
    EXPECT_EQ(seen[i].timer, "Timer3");
    EXPECT_EQ(seen[i].text, "Locate Files...");
    EXPECT_TRUE(seen[i].third);
    for (++i; i + 1 < seen.size(); ++i)
        EXPECT_NE(seen[i].timer, "Timer1") << "Timer1 ticked after Timer3 stopped it";
    EXPECT_EQ(seen.back().timer, "Timer2");
    ASSERT_NE(Forms::ScannerWindowIfLoaded(), nullptr);
    EXPECT_TRUE(Forms::ScannerWindowIfLoaded()->isVisible());
}

} // namespace
} // namespace corvane

// The free-space wipe's window, offscreen: it shows the wipe's progress while the wipe runs in
// its own thread, its Cancel stops the wipe, and it hands over the report and goes. And the
// eraser window's button asks first.

#include "eraser/FreeSpaceDialog.h"

#include "controls/Label.h"
#include "controls/XP_ProgressBar.h"
#include "eraser/Engine.h"
#include "eraser/ImageTriplet.h"
#include "support/RunUntil.h"
#include "support/TempWorld.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>

#include <gtest/gtest.h>

#include <optional>
#include <thread>

namespace corvane::eraser {
namespace {

using testing::RunUntil;

void Click(QWidget* widget) {
    const QPoint at = widget->rect().center();
    for (const auto& [type, button, buttons] :
         {std::tuple{QEvent::MouseMove, Qt::NoButton, Qt::MouseButtons(Qt::NoButton)},
          std::tuple{QEvent::MouseButtonPress, Qt::LeftButton, Qt::MouseButtons(Qt::LeftButton)},
          std::tuple{QEvent::MouseButtonRelease, Qt::LeftButton, Qt::MouseButtons(Qt::NoButton)}}) {
        QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    }
}

TEST(FreeSpaceDialog, ShowsTheProgressCancelsAndHandsOverTheReport) {
    // A wipe that gets half-way and then waits for its cancel, as a long fill would.
    std::atomic<bool> sawCancel{false};
    auto* dialog = new FreeSpaceDialog(nullptr, "Z: (/)", [&](FreeSpaceProgress& progress) {
        progress.target.store(1000);
        progress.phase.store(FreeSpaceProgress::Filling);
        for (std::uint64_t written = 0; !progress.cancel.load();
             std::this_thread::sleep_for(std::chrono::milliseconds(2)))
            progress.written.store(written = std::min<std::uint64_t>(written + 10, 500));
        sawCancel.store(true);
        FreeSpaceReport report;
        report.outcome = FreeSpaceReport::Outcome::Cancelled;
        report.written = progress.written.load();
        return report;
    });
    QPointer<FreeSpaceDialog> alive(dialog);
    std::optional<FreeSpaceReport> finished;
    dialog->Finished = [&](const FreeSpaceReport& report) { finished = report; };
    dialog->Start();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->Label1->Caption(), "Wiping the free space of Z: (/)");
    ASSERT_TRUE(RunUntil([&] { return dialog->ProgressBar1->Value() == 50; }));
    EXPECT_EQ(dialog->Label2->Caption(),
              "Filling the free space with zeros: 50% (500 bytes of 1000 bytes)");
    EXPECT_TRUE(dialog->Running());

    Click(dialog->BCancel);
    ASSERT_TRUE(RunUntil([&] { return finished.has_value(); }));
    EXPECT_TRUE(sawCancel.load());
    EXPECT_EQ(finished->outcome, FreeSpaceReport::Outcome::Cancelled);
    EXPECT_EQ(finished->written, 500u);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
}

TEST(FreeSpaceDialog, TheEraserWindowsButtonAsksAboutTheDriveItShows) {
    testing::TempWorld world;
    std::vector<platform::MessageBoxRequest> boxes;
    platform::ScopedAnswerer answerer([&](const platform::MessageBoxRequest& box) {
        boxes.push_back(box);
        return static_cast<int>(platform::vbNo);
    });
    Engine engine;
    ASSERT_NE(engine.BFree, nullptr);
    EXPECT_EQ(engine.BFree->geometry(), QRect(332, 41, 100, 20));
    Click(engine.BFree);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("Wipe the free space of C: (", 0), 0u) << boxes[0].text;
    EXPECT_EQ(boxes[0].Buttons(), platform::vbYesNo);
    EXPECT_TRUE(engine.FreeSpaceWindow.isNull());
}

} // namespace
} // namespace corvane::eraser

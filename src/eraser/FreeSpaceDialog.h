#pragma once
// The small window of a running free-space wipe: what is being wiped, a progress bar and
// Cancel. The wipe runs in a thread of its own, since one write or flush may take longer than a
// window may stop answering; the window reads its progress on a timer and stays responsive.

#include "eraser/FreeSpace.h"
#include "platform/messageloop.h"

#include <QWidget>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace corvane {
namespace controls {
class Label;
class XP_ProgressBar;
} // namespace controls

namespace eraser {

class ImageTriplet;

/// The work the window runs: a wipe that reports through `progress` and stops when its
/// `cancel` is set.
using FreeSpaceWork = std::function<FreeSpaceReport(FreeSpaceProgress& progress)>;

/// The progress window of a free-space wipe.
class FreeSpaceDialog : public QWidget {
public:
    /// A window over `owner` (which owns it) for a wipe of `what` ("Z: (/)") done by `work`.
    FreeSpaceDialog(QWidget* owner, const std::string& what, FreeSpaceWork work);
    /// Stops a wipe still running and waits for it to remove its fill files.
    ~FreeSpaceDialog() override;
    FreeSpaceDialog(const FreeSpaceDialog&) = delete;
    FreeSpaceDialog& operator=(const FreeSpaceDialog&) = delete;

    /// Shows the window and starts the wipe.
    void Start();
    /// Asks the wipe to stop (the Cancel button, or closing the window).
    void Cancel();
    /// True from Start until the wipe has ended.
    bool Running() const { return worker_.joinable(); }

    /// Told once, with the report, when the wipe has ended and the window is hidden; the window
    /// deletes itself afterwards.
    std::function<void(const FreeSpaceReport&)> Finished;

    /// What is being wiped.
    controls::Label* Label1 = nullptr;
    /// The step the wipe is at, with its percentage.
    controls::Label* Label2 = nullptr;
    /// The progress bar (0 to 100).
    controls::XP_ProgressBar* ProgressBar1 = nullptr;
    /// Cancel.
    ImageTriplet* BCancel = nullptr;
    /// Reads the wipe's progress, 100 ms.
    platform::Timer Timer1;

protected:
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void Timer1_Timer();

    FreeSpaceWork work_;
    FreeSpaceProgress progress_;
    FreeSpaceReport report_;
    std::atomic<bool> done_{false}; // set by the wipe's thread once report_ holds its report
    std::thread worker_;
};

} // namespace eraser
} // namespace corvane

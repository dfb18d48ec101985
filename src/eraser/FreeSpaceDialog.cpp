#include "eraser/FreeSpaceDialog.h"

#include "controls/Child.h"
#include "controls/Label.h"
#include "controls/TopLevel.h"
#include "controls/XP_ProgressBar.h"
#include "eraser/ImageTriplet.h"

#include <QCloseEvent>
#include <QPalette>

namespace corvane::eraser {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 104;
const platform::Color kFace = platform::RGB(236, 233, 216);

// What each step of the wipe is called on the window.
const char* PhaseText(int phase) {
    switch (phase) {
    case FreeSpaceProgress::Preparing:
        return "Preparing";
    case FreeSpaceProgress::Filling:
        return "Filling the free space with zeros";
    case FreeSpaceProgress::Flushing:
        return "Flushing the zeros to the disk";
    case FreeSpaceProgress::Removing:
        return "Removing the fill files";
    case FreeSpaceProgress::Trimming:
        return "Trimming the free space";
    default:
        return "Done";
    }
}

} // namespace

FreeSpaceDialog::FreeSpaceDialog(QWidget* owner, const std::string& what, FreeSpaceWork work)
    : QWidget(owner, Qt::Dialog), work_(std::move(work)) {
    controls::PrepareTopLevel(*this, QStringLiteral("Corvane"));
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(kWidth, kHeight);
    setMouseTracking(true);
    QPalette face = palette();
    face.setColor(QPalette::Window, kFace.ToQColor());
    setPalette(face);
    setAutoFillBackground(true);

    const auto label = [this](const std::string& caption, int top, bool bold) {
        auto* made =
            controls::MakeChild<controls::Label>(this, QRect(12, top, kWidth - 24, 14), caption);
        made->SetBackColor(kFace);
        platform::Font font;
        font.bold = bold;
        made->SetFont(font);
        return made;
    };
    Label1 = label("Wiping the free space of " + what, 10, true);
    Label2 = label(PhaseText(FreeSpaceProgress::Preparing), 28, false);
    // The same look as the eraser window's progress bar.
    ProgressBar1 =
        controls::MakeChild<controls::XP_ProgressBar>(this, QRect(12, 48, kWidth - 24, 12));
    ProgressBar1->SetColor(platform::RGB(192, 0, 0));
    ProgressBar1->SetBrushStyle(0);
    ProgressBar1->SetScrolling(5);
    ProgressBar1->SetValue(0);
    BCancel = new ImageTriplet(this, "BCancel", QStringLiteral("Cancel"),
                               QRect(kWidth - 12 - 76, 72, 76, 20)); // owned by the window
    BCancel->Action = [this] { Cancel(); };

    Timer1.SetInterval(100);
    Timer1.OnTick = [this] { Timer1_Timer(); };
}

FreeSpaceDialog::~FreeSpaceDialog() {
    Timer1.SetEnabled(false);
    progress_.cancel.store(true);
    if (worker_.joinable())
        worker_.join();
}

void FreeSpaceDialog::Start() {
    if (worker_.joinable())
        return;
    controls::CentreOnScreen(*this);
    show();
    worker_ = std::thread([this] {
        report_ = work_(progress_);
        done_.store(true);
    });
    Timer1.SetEnabled(true);
}

void FreeSpaceDialog::Cancel() {
    if (!worker_.joinable() || progress_.cancel.load())
        return;
    progress_.cancel.store(true);
    BCancel->setEnabled(false);
    Label2->SetCaption("Cancelling: removing the fill files");
}

void FreeSpaceDialog::Timer1_Timer() {
    const int percent = progress_.Percent();
    ProgressBar1->SetValue(percent);
    const int phase = progress_.phase.load();
    if (!progress_.cancel.load()) {
        std::string text = std::string(PhaseText(phase)) + ": " + std::to_string(percent) + "%";
        if (phase == FreeSpaceProgress::Filling)
            text += " (" + SizeText(progress_.written.load()) + " of " +
                    SizeText(progress_.target.load()) + ")";
        Label2->SetCaption(text);
    }
    if (!done_.load())
        return;
    Timer1.SetEnabled(false);
    worker_.join();
    hide();
    if (Finished)
        Finished(report_);
    deleteLater();
}

void FreeSpaceDialog::closeEvent(QCloseEvent* event) {
    // The window goes only with the wipe: closing it stops the wipe, which then ends it.
    if (worker_.joinable()) {
        Cancel();
        event->ignore();
        return;
    }
    event->accept();
}

void FreeSpaceDialog::mouseMoveEvent(QMouseEvent* event) {
    // As over the eraser window's background, a move beside the button puts it back to rest.
    BCancel->Reset();
    QWidget::mouseMoveEvent(event);
}

} // namespace corvane::eraser

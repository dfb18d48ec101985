#include "shell/splash.h"

#include "controls/Artwork.h"
#include "controls/Child.h"
#include "controls/Shape.h"
#include "controls/TopLevel.h"
#include "controls/Twips.h"
#include "platform/widgets/drawing.h"
#include "scanner/Form1.h"
#include "shell/Forms.h"

#include <QLabel>

namespace corvane {

using namespace controls;

splash::splash() {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    PrepareTopLevel(*this, QStringLiteral("Corvane"));
    setFixedSize(TwipsToPixels(5685), TwipsToPixels(4005));

    // The artwork is decoded when the splash is first painted, after it went to the display.
    Picture1 = MakeChild<Artwork>(this, rect(), QStringLiteral(":/corvane/splash.png"));
    Picture1->setAutoFillBackground(true);
    QPalette background = Picture1->palette();
    background.setColor(QPalette::Window, Qt::white);
    Picture1->setPalette(background);

    Label1 = MakeChild<QLabel>(this, TwipsRect(120, 3770, 2055, 255));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setAttribute(Qt::WA_TranslucentBackground);
    QPalette grey = Label1->palette();
    grey.setColor(QPalette::WindowText, QColor(128, 128, 128));
    Label1->setPalette(grey);

    Shape7 = MakeChild<Shape>(this, TwipsRect(1320, 2040, 255, 255), platform::RGB(128, 0, 0));
    Shape8 = MakeChild<Shape>(this, TwipsRect(1800, 1560, 255, 255), platform::RGB(192, 0, 0));
    Shape9 = MakeChild<Shape>(this, TwipsRect(2280, 1080, 255, 255), platform::RGB(255, 0, 0));
    Shape8->hide();
    Shape9->hide();
    // The controls that show at once appear with the status text, see Appeared.
    Picture1->hide();
    Label1->hide();
    Shape7->hide();

    Timer1.SetInterval(2000);
    Timer3.SetInterval(5000);
    Timer2.SetInterval(8000);
    Timer1.OnTick = [this] { Timer1_Timer(); };
    Timer3.OnTick = [this] { Timer3_Timer(); };
    Timer2.OnTick = [this] { Timer2_Timer(); };
}

splash::~splash() = default;

void splash::Appeared() {
    // A control that appears or gets a new text is announced to assistive technology, and the
    // first announcement connects to the desktop's accessibility bus, which can take long and
    // which the window does not need to appear: so the controls and the text come after the
    // window went to the display, before it is painted.
    if (!Label1->text().isEmpty())
        return;
    Label1->setText(QStringLiteral("Locating Files..."));
    Picture1->show();
    Label1->show();
    Shape7->show();
}

void splash::Form_Load() {
    // The timers count from the load; their ticks come once the message loop runs again.
    Timer1.SetEnabled(true);
    Timer3.SetEnabled(true);
    Timer2.SetEnabled(true);
    Forms::ScannerWindow();
}

void splash::StopTimers() {
    Timer1.SetEnabled(false);
    Timer3.SetEnabled(false);
    Timer2.SetEnabled(false);
}

void splash::Timer1_Timer() {
    Label1->setText(QStringLiteral("Loading GUI..."));
    Shape8->show();
}

void splash::Timer3_Timer() {
    Timer1.SetEnabled(false);
    Label1->setText(QStringLiteral("Locate Files..."));
    Shape9->show();
}

void splash::Timer2_Timer() {
    Forms::ShowScanner();
    Forms::UnloadSplash();
}

void splash::showEvent(QShowEvent* event) {
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(*this);
    }
    QWidget::showEvent(event);
}

} // namespace corvane

#include "eraser/Backdrop.h"

#include "controls/TopLevel.h"
#include "controls/Twips.h"
#include "platform/widgets/drawing.h"

#include <QIcon>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace corvane::eraser {

Backdrop::Backdrop(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Backdrop::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(236, 233, 216));

    QLinearGradient band(0, 0, 0, kBandHeight);
    band.setColorAt(0, QColor(214, 24, 24));
    band.setColorAt(1, QColor(150, 0, 0));
    painter.fillRect(QRect(0, 0, width(), kBandHeight), band);

    controls::ProgramIcon().paint(&painter, QRect(8, 8, 16, 16));
    platform::Font font;
    font.bold = true;
    font.size = 12;
    painter.setFont(platform::ToQFont(font));
    painter.setPen(Qt::white);
    painter.drawText(QRect(30, 0, 70, kBandHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Corvane"));

    // A thin rim around the whole skin, since the window has no frame of its own.
    painter.setPen(QColor(112, 0, 0));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

namespace {

short ButtonState(Qt::MouseButtons buttons) {
    short state = 0;
    if (buttons & Qt::LeftButton)
        state |= 1;
    if (buttons & Qt::RightButton)
        state |= 2;
    if (buttons & Qt::MiddleButton)
        state |= 4;
    return state;
}

short ShiftState(Qt::KeyboardModifiers modifiers) {
    short state = 0;
    if (modifiers & Qt::ShiftModifier)
        state |= 1;
    if (modifiers & Qt::ControlModifier)
        state |= 2;
    if (modifiers & Qt::AltModifier)
        state |= 4;
    return state;
}

} // namespace

void Backdrop::mouseMoveEvent(QMouseEvent* event) {
    if (MouseMove) {
        const QPointF at = event->position() * controls::kTwipsPerPixel;
        MouseMove(ButtonState(event->buttons()), ShiftState(event->modifiers()),
                  static_cast<float>(at.x()), static_cast<float>(at.y()));
    }
    event->accept();
}

void Backdrop::mousePressEvent(QMouseEvent* event) {
    // The press is taken here so that the moves which follow come here too.
    event->accept();
}

} // namespace corvane::eraser

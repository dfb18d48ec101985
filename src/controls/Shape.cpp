#include "controls/Shape.h"

#include <QPainter>

namespace corvane::controls {

Shape::Shape(QWidget* parent, platform::Color fill) : QWidget(parent), fill_(fill), border_(fill) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::SetFillColor(platform::Color fill) {
    fill_ = fill;
    update();
}

void Shape::SetBorderColor(platform::Color border) {
    border_ = border;
    update();
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), fill_.ToQColor());
    painter.setPen(border_.ToQColor());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

LineShape::LineShape(QWidget* parent, platform::Color color) : QWidget(parent), color_(color) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), color_.ToQColor());
}

} // namespace corvane::controls

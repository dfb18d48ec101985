#include "controls/Shape.h"

#include <QPainter>

namespace corvane::controls {

Shape::Shape(QWidget* parent, QColor fill) : QWidget(parent), fill_(fill), border_(fill) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::SetFillColor(QColor fill) {
    fill_ = fill;
    update();
}

void Shape::SetBorderColor(QColor border) {
    border_ = border;
    update();
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), fill_);
    painter.setPen(border_);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

LineShape::LineShape(QWidget* parent, QColor color) : QWidget(parent), color_(color) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), color_);
}

} // namespace corvane::controls

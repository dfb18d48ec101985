#include "controls/ClickLabel.h"

#include <QMouseEvent>

namespace corvane::controls {

ClickLabel::ClickLabel(QWidget* parent, const QString& text) : QLabel(text, parent) {
    // The windows' labels are top-aligned and never wrap unless asked to.
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (click && Click)
        Click();
}

} // namespace corvane::controls

#include "controls/Label.h"

#include <QMouseEvent>
#include <QPainter>

namespace corvane::controls {

Label::Label(QWidget* parent, const std::string& caption) : QWidget(parent), caption_(caption) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Label::SetCaption(const std::string& caption) {
    caption_ = caption;
    update();
}

void Label::SetAlignment(Alignment alignment) {
    alignment_ = alignment;
    update();
}

void Label::SetFont(const platform::Font& font) {
    font_ = font;
    update();
}

void Label::SetForeColor(platform::Color color) {
    foreColor_ = color;
    update();
}

void Label::SetBackColor(platform::Color color) {
    backColor_ = color;
    update();
}

void Label::SetPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

void Label::paintEvent(QPaintEvent*) {
    platform::Canvas canvas(width(), height(), backColor_);
    if (!picture_.isNull()) {
        QPainter onCanvas(&canvas.Image());
        onCanvas.drawPixmap(0, 0, picture_);
    } else if (!caption_.empty()) {
        canvas.SelectFont(platform::ToQFont(font_));
        canvas.SetTextColor(foreColor_);
        canvas.SetBkMode(platform::TRANSPARENT);
        platform::RECT box{0, 0, width(), height()};
        const unsigned align = alignment_ == RightJustify ? platform::DT_RIGHT
                               : alignment_ == Center     ? platform::DT_CENTER
                                                          : platform::DT_LEFT;
        platform::DrawTextA(canvas, caption_, box,
                            align | platform::DT_WORDBREAK | platform::DT_NOPREFIX);
    }
    QPainter painter(this);
    painter.drawImage(0, 0, canvas.Image());
}

void Label::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    QWidget::mousePressEvent(event);
}

void Label::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    QWidget::mouseReleaseEvent(event);
    if (click && Click)
        Click();
}

} // namespace corvane::controls

#include "eraser/ImageTriplet.h"

#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QToolTip>

namespace corvane::eraser {
namespace {

QLabel* MakePicture(QWidget* parent, const QString& caption, ImageState state) {
    auto* picture = new QLabel(parent); // owned by the triplet
    picture->setGeometry(parent->rect());
    picture->setPixmap(QPixmap::fromImage(DrawImageButton(caption, state, parent->size())));
    picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    return picture;
}

} // namespace

ImageTriplet::ImageTriplet(QWidget* parent, const std::string& name, const QString& caption,
                           const QRect& geometry)
    : QWidget(parent), name_(name) {
    setGeometry(geometry);
    setMouseTracking(true);
    Normal = MakePicture(this, caption, ImageState::Normal);
    Down = MakePicture(this, caption, ImageState::Down);
    Active = MakePicture(this, caption, ImageState::Active);
    const QString base = QString::fromStdString(name);
    setObjectName(base);
    Normal->setObjectName(base + QStringLiteral("Normal"));
    Down->setObjectName(base + QStringLiteral("Down"));
    Active->setObjectName(base + QStringLiteral("Active"));
    Reset();
}

void ImageTriplet::Normal_MouseMove() {
    Active->setVisible(true);
    Down->setVisible(false);
    Normal->setVisible(false);
}

void ImageTriplet::Active_MouseDown() {
    Active->setVisible(false);
    Down->setVisible(true);
}

void ImageTriplet::Active_MouseUp() {
    Down->setVisible(false);
    Normal->setVisible(true);
    if (Action)
        Action();
}

void ImageTriplet::Reset() {
    Active->setVisible(false);
    Down->setVisible(false);
    Normal->setVisible(true);
}

ImageTriplet::Target ImageTriplet::ShownTarget() const {
    // The pictures overlap exactly; the one on top (created last) receives the pointer.
    if (!Active->isHidden())
        return Target::Active;
    if (!Down->isHidden())
        return Target::Down;
    if (!Normal->isHidden())
        return Target::Normal;
    return Target::None;
}

std::string ImageTriplet::Shown() const {
    const int shown =
        (Normal->isHidden() ? 0 : 1) + (Down->isHidden() ? 0 : 1) + (Active->isHidden() ? 0 : 1);
    if (shown != 1)
        return {};
    switch (ShownTarget()) {
    case Target::Normal:
        return "Normal";
    case Target::Down:
        return "Down";
    case Target::Active:
        return "Active";
    case Target::None:
        break;
    }
    return {};
}

void ImageTriplet::mouseMoveEvent(QMouseEvent* event) {
    // While a press holds the mouse, moves belong to the pressed picture, which has no handler.
    if (captured_ == Target::None && ShownTarget() == Target::Normal)
        Normal_MouseMove();
    event->accept();
}

void ImageTriplet::mousePressEvent(QMouseEvent* event) {
    // Every press while the mouse is held goes to the picture the first one went to.
    if (captured_ == Target::None)
        captured_ = ShownTarget();
    if (captured_ == Target::Active)
        Active_MouseDown();
    event->accept();
}

void ImageTriplet::mouseReleaseEvent(QMouseEvent* event) {
    const Target target = captured_;
    if (event->buttons() == Qt::NoButton)
        captured_ = Target::None;
    if (target == Target::Active)
        Active_MouseUp();
    event->accept();
}

bool ImageTriplet::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        // Only the Active picture carries a tip; it shows while that picture is the one shown.
        auto* help = static_cast<QHelpEvent*>(event);
        if (ShownTarget() == Target::Active && !Active->toolTip().isEmpty())
            QToolTip::showText(help->globalPos(), Active->toolTip(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

} // namespace corvane::eraser

#include "eraser/ImageButtonArt.h"

#include "platform/widgets/drawing.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace corvane::eraser {
namespace {

/// The colours of one state: the face's gradient, the rim, the inner highlight and the text.
struct Look {
    QColor top, bottom, rim, highlight, text;
};

Look LookOf(ImageState state) {
    switch (state) {
    case ImageState::Active:
        return {QColor(236, 72, 60), QColor(176, 16, 16), QColor(112, 0, 0), QColor(255, 150, 140),
                QColor(255, 255, 255)};
    case ImageState::Down:
        return {QColor(120, 0, 0), QColor(168, 16, 16), QColor(72, 0, 0), QColor(96, 0, 0),
                QColor(255, 255, 255)};
    case ImageState::Normal:
        break;
    }
    return {QColor(255, 255, 252), QColor(224, 220, 204), QColor(150, 144, 124),
            QColor(255, 255, 255), QColor(32, 32, 32)};
}

} // namespace

QFont ImageButtonFont() {
    platform::Font font;
    font.bold = true;
    return platform::ToQFont(font);
}

QImage DrawImageButton(const QString& caption, ImageState state, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (size.isEmpty())
        return image;
    const Look look = LookOf(state);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);

    const QRectF outer = QRectF(image.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath face;
    face.addRoundedRect(outer, 3, 3);
    QLinearGradient gradient(0, 0, 0, size.height());
    gradient.setColorAt(0, look.top);
    gradient.setColorAt(1, look.bottom);
    painter.fillPath(face, gradient);

    // A one-pixel inner line: light along the top on a raised face, dark on a pressed one.
    painter.setPen(QPen(look.highlight, 1));
    painter.drawLine(QPointF(3, 1.5), QPointF(size.width() - 3, 1.5));
    painter.setPen(QPen(look.rim, 1));
    painter.drawPath(face);

    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(ImageButtonFont());
    painter.setPen(look.text);
    // A pressed face moves its caption down and right by one pixel, as a pressed key would.
    const int shift = state == ImageState::Down ? 1 : 0;
    painter.drawText(image.rect().translated(shift, shift), Qt::AlignCenter, caption);
    return image;
}

} // namespace corvane::eraser

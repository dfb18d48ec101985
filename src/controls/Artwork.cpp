#include "controls/Artwork.h"

#include <QPainter>
#include <QStyle>

#include <utility>

namespace corvane::controls {

Artwork::Artwork(QWidget* parent, QString resource)
    : QWidget(parent), resource_(std::move(resource)) {}

const QPixmap& Artwork::Picture() const {
    if (!picture_)
        picture_.emplace(resource_);
    return *picture_;
}

void Artwork::paintEvent(QPaintEvent*) {
    // The same call a picture label paints with, so the pixels are those of a label.
    QPainter painter(this);
    style()->drawItemPixmap(&painter, contentsRect(), Qt::AlignLeft | Qt::AlignTop, Picture());
}

} // namespace corvane::controls

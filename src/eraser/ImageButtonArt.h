#pragma once
// The artwork of the eraser window's image buttons: every one of the 42 pictures comes from one
// drawing routine, given the caption, the state and the size.

#include <QImage>
#include <QSize>
#include <QString>

namespace corvane::eraser {

/// The three pictures of an image button.
enum class ImageState {
    Normal, ///< at rest
    Active, ///< the pointer is over it
    Down,   ///< pressed
};

/// Draws one image-button picture: a bevelled face with the caption centred on it.
QImage DrawImageButton(const QString& caption, ImageState state, QSize size);

/// The font the captions are drawn in.
QFont ImageButtonFont();

} // namespace corvane::eraser

#pragma once
// Window layouts are designed in twips; the desktop shows them at 96 dots per inch, where
// 15 twips make one pixel.

#include <QRect>

#include <cmath>

namespace corvane::controls {

/// Twips per pixel at 96 dots per inch.
inline constexpr int kTwipsPerPixel = 15;

/// A length in twips as whole pixels (rounded to the nearest pixel).
inline int TwipsToPixels(int twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

/// A rectangle given in twips (left, top, width, height) as a pixel rectangle.
inline QRect TwipsRect(int left, int top, int width, int height) {
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                 TwipsToPixels(height));
}

} // namespace corvane::controls

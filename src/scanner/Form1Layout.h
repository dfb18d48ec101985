#pragma once
// The building blocks the scanner window's pages share: labels, rules and buttons placed in
// twips with the window's design values.

#include "platform/widgets/drawing.h"

#include <Qt>

#include <string>

class QAbstractItemView;
class QWidget;

namespace corvane {

namespace controls {
class Label;
class LineShape;
class chameleonButton;
} // namespace controls

namespace Form1Layout {

/// The colour of the rules under the headings.
inline constexpr platform::Color kRuleColor = platform::RGB(128, 128, 255);

/// A label 255 twips high at (left, top) with `width` on a white page, in the window's font;
/// `alignment` is the label's (0 left, 1 right, 2 centre).
controls::Label* MakeLabel(QWidget* parent, const std::string& text, int left, int top, int width,
                           bool bold = false, int alignment = 0);

/// A rule: a horizontal line at `y` from x 120 to x 6720 (twips).
controls::LineShape* MakeRule(QWidget* parent, int y);

/// A multi-style button with the window's design values at (left, top), 375 twips high.
/// `picture` is a resource path of its 16 x 16 icon, or empty for none.
controls::chameleonButton* MakeButton(QWidget* parent, const std::string& caption, int left,
                                      int top, int width, const std::string& picture = {});

/// Colours a list of the window: its background and, for the cache list, its text.
void SetListColours(QAbstractItemView& list, platform::Color back,
                    platform::Color text = platform::RGB(0, 0, 0));

} // namespace Form1Layout
} // namespace corvane

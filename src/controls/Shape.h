#pragma once
// The two decoration controls of the windows: a shape (a rectangle filled and bordered in solid
// colours) and a line. Neither takes input; both paint themselves.

#include "platform/widgets/drawing.h"

#include <QWidget>

namespace corvane::controls {

/// An opaque rectangle in a solid fill colour with a one-pixel border.
class Shape : public QWidget {
public:
    /// A shape on `parent` filled and bordered in `fill`.
    Shape(QWidget* parent, platform::Color fill);

    /// The fill colour.
    platform::Color FillColor() const { return fill_; }
    /// Sets the fill colour and repaints.
    void SetFillColor(platform::Color fill);
    /// The border colour.
    platform::Color BorderColor() const { return border_; }
    /// Sets the border colour and repaints.
    void SetBorderColor(platform::Color border);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    platform::Color fill_;
    platform::Color border_;
};

/// A horizontal or vertical line: the control's box is the line itself (one pixel thick).
class LineShape : public QWidget {
public:
    /// A line on `parent` in `color`; its geometry places it.
    LineShape(QWidget* parent, platform::Color color);

    /// The line's colour.
    platform::Color BorderColor() const { return color_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    platform::Color color_;
};

} // namespace corvane::controls

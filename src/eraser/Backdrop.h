#pragma once
// `Picture2`, the eraser window's background picture: it paints the window's skin (a red title
// band with the program's name over a light body) and reports every mouse movement over it.

#include <QWidget>

#include <functional>

namespace corvane::eraser {

/// The background picture box of the eraser window.
class Backdrop : public QWidget {
public:
    /// A background filling `parent`.
    explicit Backdrop(QWidget* parent);

    /// The height of the title band in pixels.
    static constexpr int kBandHeight = 32;

    /// The mouse-move handler (the system's `Picture2_MouseMove`); Button is 1 with the left
    /// button held, 2 right, 4 middle, added up.
    std::function<void(short Button, short Shift, float X, float Y)> MouseMove;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace corvane::eraser

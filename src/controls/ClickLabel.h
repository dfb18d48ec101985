#pragma once
// A label or image that reports a click, as the windows' labels and images do: the click comes
// with the release of the left button over the control.

#include <QLabel>

#include <functional>

namespace corvane::controls {

/// A label (text or picture) with a click event.
class ClickLabel : public QLabel {
public:
    /// A label on `parent` showing `text`.
    explicit ClickLabel(QWidget* parent, const QString& text = {});

    /// The click handler (the system's `<Name>_Click`).
    std::function<void()> Click;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

} // namespace corvane::controls

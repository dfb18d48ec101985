#pragma once
// A picture from the program's artwork, drawn at the top left of its box as a plain picture label
// draws it. The picture is decoded when the control is first painted (or asked for its picture),
// not when the window is built: a window can go to the display before its artwork is read.

#include <QPixmap>
#include <QString>
#include <QWidget>

#include <optional>

namespace corvane::controls {

/// A lazily decoded artwork picture at the top left of the control.
class Artwork : public QWidget {
public:
    /// A control on `parent` that shows the artwork `resource` (a resource path).
    Artwork(QWidget* parent, QString resource);

    /// The picture, decoded on first use.
    const QPixmap& Picture() const;
    /// Whether the picture has been decoded yet.
    bool Decoded() const { return picture_.has_value(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString resource_;
    mutable std::optional<QPixmap> picture_;
};

} // namespace corvane::controls

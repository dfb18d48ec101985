#pragma once
// The windows' label and image: a caption drawn with the classic text rules (so a bold caption in
// the one-weight classic font is emboldened as on the original desktop), or a picture, over a
// solid back colour; a click on it is reported.

#include "platform/widgets/drawing.h"

#include <QPixmap>
#include <QWidget>

#include <functional>
#include <string>

namespace corvane::controls {

/// A label (caption or picture) with a click event.
class Label : public QWidget {
public:
    /// Caption alignment, as the system numbers it.
    enum Alignment { LeftJustify = 0, RightJustify = 1, Center = 2 };

    /// A label on `parent` with a caption, black on the parent's back colour.
    explicit Label(QWidget* parent, const std::string& caption = {});

    /// The caption.
    const std::string& Caption() const { return caption_; }
    /// Sets the caption and repaints.
    void SetCaption(const std::string& caption);
    /// The caption's alignment.
    Alignment CaptionAlignment() const { return alignment_; }
    /// Sets the caption's alignment.
    void SetAlignment(Alignment alignment);
    /// The caption's font.
    const platform::Font& Font() const { return font_; }
    /// Sets the caption's font.
    void SetFont(const platform::Font& font);
    /// Sets the caption's colour.
    void SetForeColor(platform::Color color);
    /// Sets the colour behind the caption (the colour of what the label sits on).
    void SetBackColor(platform::Color color);
    /// Shows a picture at the top left instead of a caption.
    void SetPicture(const QPixmap& picture);

    /// The click handler (the system's `<Name>_Click`).
    std::function<void()> Click;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::string caption_;
    Alignment alignment_ = LeftJustify;
    platform::Font font_{};
    platform::Color foreColor_ = platform::RGB(0, 0, 0);
    platform::Color backColor_ = platform::RGB(255, 255, 255);
    QPixmap picture_;
    bool pressed_ = false;
};

} // namespace corvane::controls

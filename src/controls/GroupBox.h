#pragma once
// The group box: a container that draws a framed box with its caption set into the top edge, in
// the themed look when the theme test says so and in one of the classic looks otherwise. It has no
// behaviour beyond drawing, persistence and passing its mouse and drag-and-drop events on.

#include "controls/PropertyBag.h"
#include "platform/drawing.h"

#include <QMimeData>
#include <QWidget>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::controls {

/// A framed container with a caption in its top edge.
class GroupBox : public QWidget {
    Q_OBJECT

public:
    /// The text of the message shown when a transparent back style is asked for.
    static const char* const kBackStyleMessage;

    /// A new control: `displayName` is the container's name for it and its first caption.
    explicit GroupBox(QWidget* parent = nullptr, const std::string& displayName = "GroupBox1");

    // Members in interface order.

    /// The back colour (RGB or a system colour word).
    platform::Color BackColor() const { return backColor_; }
    /// Sets the back colour and redraws.
    void SetBackColor(platform::Color color);
    /// The caption's colour in the classic looks.
    platform::Color ForeColor() const { return foreColor_; }
    /// Sets the fore colour and redraws.
    void SetForeColor(platform::Color color);
    /// Whether the box is drawn enabled.
    bool Enabled() const { return enabled_; }
    /// Stores the state, mirrors it to the widget at run time only, and redraws.
    void SetEnabled(bool enabled);
    /// The caption's font.
    const platform::Font& Font() const { return font_; }
    /// Sets the font and redraws.
    void SetFont(const platform::Font& font);
    /// 0 draws only the background; anything else draws frame and caption.
    int BorderStyle() const { return borderStyle_; }
    /// Sets the border style and redraws.
    void SetBorderStyle(int style);
    /// Redraws the frame into the back buffer.
    void Refresh();
    /// 0 accepts no drops, 1 raises the drag-and-drop events.
    int OLEDropMode() const { return oleDropMode_; }
    /// Sets the drop mode; no redraw.
    void SetOLEDropMode(int mode);
    /// Starts a drag from the box (OLEStartDrag fills the data and the allowed effects).
    void OLEDrag();
    /// 1 opaque; the transparent style 0 is not available.
    int BackStyle() const { return backStyle_; }
    /// Sets a nonzero back style (no redraw). 0 is refused with a message and returns false.
    bool SetBackStyle(int style);
    /// The caption ("&" marks the access key, "&&" shows one "&").
    const std::string& Caption() const { return caption_; }
    /// Sets the caption and redraws.
    void SetCaption(const std::string& caption);
    /// Classic look: 0 two drawn rectangles, anything else an etched edge.
    int Appearance() const { return appearance_; }
    /// Sets the appearance and redraws.
    void SetAppearance(int appearance);

    // Persistence and the container.

    /// Reads the nine keys in order; a stored back style 0 shows the message.
    void ReadProperties(const PropertyBag& bag);
    /// Writes the nine keys in order, leaving out those at their defaults.
    void WriteProperties(PropertyBag& bag) const;
    /// The nine keys with the types they are written as, in order.
    static const std::vector<PropertySpec>& PropertyKeys();
    /// True when the container runs the program (false in a form designer).
    bool UserMode() const { return userMode_; }
    /// Sets the container's mode (run mode by default).
    void SetUserMode(bool userMode);
    /// The access key taken from the caption (kept when a later caption has none).
    const std::string& AccessKeys() const { return accessKeys_; }
    /// The back buffer: the finished picture of the box.
    const platform::Canvas& Picture() const { return picture_; }

signals:
    /// The box was clicked.
    void Click();
    /// The box was double-clicked.
    void DblClick();
    /// A mouse button went down (Button 1 left, 2 right, 4 middle; Shift 1, Ctrl 2, Alt 4).
    void MouseDown(short Button, short Shift, float X, float Y);
    /// The pointer moved (Button holds the buttons down).
    void MouseMove(short Button, short Shift, float X, float Y);
    /// A mouse button went up.
    void MouseUp(short Button, short Shift, float X, float Y);
    /// A drag started by OLEDrag ended with the effect (0 none, 1 copy, 2 move).
    void OLECompleteDrag(int& Effect);
    /// Data was dropped on the box; the handler sets the effect.
    void OLEDragDrop(const QMimeData* Data, int& Effect, short Button, short Shift, float X,
                     float Y);
    /// A drag entered (State 0), left (1) or moves over (2) the box; the handler sets the effect.
    void OLEDragOver(const QMimeData* Data, int& Effect, short Button, short Shift, float X,
                     float Y, short State);
    /// The drag's effect changed; DefaultCursors false means the handler set the pointer.
    void OLEGiveFeedback(int& Effect, bool& DefaultCursors);
    /// A drop target asked for a format whose data the drag does not hold yet.
    void OLESetData(QMimeData* Data, short DataFormat);
    /// OLEDrag begins: the handler fills the data and sets the allowed effects.
    void OLEStartDrag(QMimeData* Data, int& AllowedEffects);
    /// A persisted property changed (the host's design should be saved).
    void PropertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void PaintFrame();
    /// Measures the caption as shown and takes its access key.
    platform::SIZE MeasureCaption();
    void DragOver(QDragMoveEvent* event, short state);
    void DrawThemedFrame(const platform::RECT& frame);
    void Changed(const char* name);

    std::string caption_;
    int borderStyle_ = 1;
    int appearance_ = 1;
    bool enabled_ = true;
    platform::Color backColor_{0x8000000Fu};
    platform::Color foreColor_{0x80000012u};
    platform::Font font_;
    int oleDropMode_ = 0;
    int backStyle_ = 1;
    bool userMode_ = true;
    std::string displayName_;
    std::string accessKeys_;
    platform::Canvas picture_;
    bool afterDoubleClick_ = false;
};

} // namespace corvane::controls

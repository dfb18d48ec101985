#pragma once
// chameleonButton: the program's push button. It draws itself in one of fourteen styles onto a
// persistent canvas (the widget only copies that canvas to the screen), follows the pointer for a
// hover look, shows up to two pictures, can act as a two-state button, and raises the mouse,
// keyboard and click events of the system to the window that hosts it.

#include "controls/PropertyBag.h"
#include "platform/drawing.h"

#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::controls {

/// The colours one paint uses, rebuilt by BuildPalette.
struct ButtonPalette {
    platform::Color face, light, highlight, shadow, darkShadow, text, hoverText, accent, accentFill,
        mask, shadedFace;
};

/// The host container's ambient properties as the control reads them.
struct ButtonAmbient {
    std::string DisplayName = "chameleonButton1";
    platform::Font Font{};
    bool UserMode = true;
    bool DisplayAsDefault = false;
};

/// Options of BlitPicture: what replaces each picture pixel.
struct BlitOptions {
    /// Picture pixels equal to this colour (RGB) are transparent while useMaskColor is set.
    platform::Color transparent;
    /// Whether transparent pixels are skipped.
    bool useMaskColor = true;
    /// The colour an icon's transparent parts are filled with before compositing.
    platform::Color maskColor = platform::RGB(192, 192, 192);
    /// Brush colour (RGB) for silhouettes; negative: no brush.
    std::int64_t brush = -1;
    /// With a brush, paint only pixels whose channel sum is at most 384.
    bool darkOnly = false;
    /// Paint the picture in grey.
    bool greyscale = false;
    /// Mix the picture at two thirds with the background.
    bool blend = false;
};

/// `ShadeColor`: moves each channel by the amount (halved first with soft bevel); blue only in
/// proportion to its own value with proportional blue; clamped in the direction of the amount.
platform::Color ShadeColor(platform::Color color, int amount, bool proportionalBlue,
                           bool softBevel);
/// `TintTowardWhite`: each channel c becomes floor + ((255 - floor) * c) / 255, at most 255.
platform::Color TintTowardWhite(platform::Color color, int floor);
/// The shade amount of gradient row i (1..H) for the gradient constant k (25 or 58).
int GradientAmount(int i, int height, int k);
/// `BlitPicture`: composites w x h pixels of the picture onto the canvas at (x, y) pixel by
/// pixel through 24-bit buffers. w or h 0 paints nothing; negative means the picture's size.
void BlitPicture(platform::Canvas& dst, int x, int y, int w, int h,
                 const platform::Picture& picture, const BlitOptions& options);

/// The multi-style push button.
class chameleonButton : public QWidget {
    Q_OBJECT

public:
    /// A control as created: drawing allowed, nothing loaded yet (call InitProperties or
    /// ReadProperties as a host does).
    explicit chameleonButton(QWidget* parent = nullptr);
    ~chameleonButton() override;

    // Properties --------------------------------------------------------------------------

    /// The style, 1 to 14.
    std::int32_t ButtonType() const { return buttonType_; }
    /// Sets the style; the layout, window shape and look follow.
    void SetButtonType(std::int32_t v);
    /// The caption, with "&" marking the access key.
    const std::string& Caption() const { return caption_; }
    /// Sets the caption.
    void SetCaption(const std::string& v);
    /// Whether the button reacts to input.
    bool Enabled() const { return enabled_; }
    /// Enables or disables the button.
    void SetEnabled(bool v);
    /// The caption font.
    const platform::Font& Font() const { return font_; }
    /// Sets the caption font.
    void SetFont(const platform::Font& v);
    /// Bold caption.
    bool FontBold() const { return font_.bold; }
    /// Sets bold (no change notice).
    void SetFontBold(bool v);
    /// Italic caption.
    bool FontItalic() const { return font_.italic; }
    /// Sets italic (no change notice).
    void SetFontItalic(bool v);
    /// Underlined caption.
    bool FontUnderline() const { return font_.underline; }
    /// Sets underline (no change notice).
    void SetFontUnderline(bool v);
    /// The font size in whole points.
    std::int16_t FontSize() const;
    /// Sets the font size in points (no change notice).
    void SetFontSize(std::int16_t v);
    /// The font name.
    const std::string& FontName() const { return font_.name; }
    /// Sets the font name (no change notice).
    void SetFontName(const std::string& v);
    /// The colour scheme, 0 to 4.
    std::int32_t ColorScheme() const { return colorScheme_; }
    /// Sets the colour scheme.
    void SetColorScheme(std::int32_t v);
    /// Whether focus is shown.
    bool ShowFocusRect() const { return showFocusRect_; }
    /// Sets whether focus is shown.
    void SetShowFocusRect(bool v);
    /// Face colour of the custom scheme.
    platform::Color BackColor() const { return backColor_; }
    /// Sets the face colour (at design time the hover face follows).
    void SetBackColor(platform::Color v);
    /// Face colour of the custom scheme while hovering.
    platform::Color BackOver() const { return backOver_; }
    /// Sets the hover face colour.
    void SetBackOver(platform::Color v);
    /// Text colour of the custom scheme.
    platform::Color ForeColor() const { return foreColor_; }
    /// Sets the text colour (at design time the hover text colour follows).
    void SetForeColor(platform::Color v);
    /// Text colour of the custom scheme while hovering and pressed.
    platform::Color ForeOver() const { return foreOver_; }
    /// Sets the hover text colour.
    void SetForeOver(platform::Color v);
    /// The transparent colour of pictures.
    platform::Color MaskColor() const { return maskColor_; }
    /// Sets the transparent colour of pictures.
    void SetMaskColor(platform::Color v);
    /// The pointer shape number.
    std::int32_t MousePointer() const { return mousePointer_; }
    /// Sets the pointer shape number (kept as a 16-bit value).
    void SetMousePointer(std::int32_t v);
    /// The custom pointer picture.
    const platform::Picture& MouseIcon() const { return mouseIcon_; }
    /// Sets the custom pointer picture.
    void SetMouseIcon(const platform::Picture& v);
    /// Whether the pointer is a hand over the button.
    bool HandPointer() const { return handPointer_; }
    /// Sets the hand pointer.
    void SetHandPointer(bool v);
    /// The id of the window the control draws in.
    std::uintptr_t hwnd() const;
    /// Whether shades are halved.
    bool SoftBevel() const { return softBevel_; }
    /// Sets soft bevel.
    void SetSoftBevel(bool v);
    /// The picture shown normally.
    const platform::Picture& PictureNormal() const { return pictureNormal_; }
    /// Sets the picture shown normally.
    void SetPictureNormal(const platform::Picture& v);
    /// The picture shown while hovering and pressing.
    const platform::Picture& PictureOver() const { return pictureOver_; }
    /// Sets the hover picture.
    void SetPictureOver(const platform::Picture& v);
    /// Where the picture goes: 0 left, 1 right, 2 above, 3 below, 4 behind the caption.
    std::int32_t PicturePosition() const { return picturePosition_; }
    /// Sets the picture position.
    void SetPicturePosition(std::int32_t v);
    /// Whether mask-coloured picture pixels are transparent.
    bool UseMaskColor() const { return useMaskColor_; }
    /// Sets whether mask-coloured picture pixels are transparent.
    void SetUseMaskColor(bool v);
    /// Whether the normal picture is shown in grey.
    bool UseGreyscale() const { return useGreyscale_; }
    /// Sets the grey picture.
    void SetUseGreyscale(bool v);
    /// Copies behind caption and picture: 0 none, 1 raised, 2 sunken, 3 shadow.
    std::int32_t SpecialEffect() const { return specialEffect_; }
    /// Sets the special effect.
    void SetSpecialEffect(std::int32_t v);
    /// Whether the button is a two-state button.
    bool CheckBoxBehaviour() const { return checkBoxBehaviour_; }
    /// Sets two-state behaviour.
    void SetCheckBoxBehaviour(bool v);
    /// The on state of a two-state button.
    bool Value() const { return value_; }
    /// Sets the on state.
    void SetValue(bool v);
    /// Always "2.0.6".
    static std::string Version() { return "2.0.6"; }

    // Methods -----------------------------------------------------------------------------

    /// Rebuilds palette and layout, allows drawing and repaints.
    void Refresh();
    /// Stops all painting until the next Refresh or show.
    void DisableRefresh();

    // Host services -----------------------------------------------------------------------

    /// A new instance placed by a designer.
    void InitProperties();
    /// Loads the saved design.
    void ReadProperties(const PropertyBag& bag);
    /// Saves all 23 keys in their fixed order.
    void WriteProperties(PropertyBag& bag) const;
    /// The 23 keys in the order they are saved, with their types.
    static const std::vector<PropertySpec>& PropertyKeys();
    /// The container's ambient properties.
    const ButtonAmbient& Ambient() const { return ambient_; }
    /// Changes the ambient properties; the control reacts as to an ambient change.
    void SetAmbient(const ButtonAmbient& ambient);

    // Observable state ----------------------------------------------------------------------

    /// The persistent image of the control.
    const platform::Canvas& Canvas() const { return canvas_; }
    /// The palette of the last BuildPalette.
    const ButtonPalette& Palette() const { return palette_; }
    /// The window shape given to the widget.
    const platform::Region& WindowRegion() const { return region_; }
    /// The visual state of the last paint (0 normal, 2 pressed).
    int LastState() const { return lastState_; }
    /// Whether the hover look is on.
    bool IsOver() const { return isOver_; }
    /// Whether the control holds the focus.
    bool HasFocus() const { return hasFocus_; }
    /// Whether painting is allowed.
    bool DrawingAllowed() const { return drawingAllowed_; }
    /// Where the caption is drawn.
    const platform::RECT& CaptionRect() const { return captionRect_; }
    /// Where the caption is drawn while pressed.
    const platform::RECT& PressedCaptionRect() const { return pressedCaptionRect_; }
    /// The focus rectangle.
    const platform::RECT& FocusRect() const { return focusRect_; }
    /// The picture's top-left corner.
    platform::POINT PicturePlace() const { return {picX_, picY_}; }
    /// The access key (lower case), 0 when none.
    char AccessKey() const { return accessKey_; }
    /// The hover watch timer.
    const QTimer& OverTimer() const { return overTimer_; }
    /// Number of paints actually drawn (not skipped), for observing the skip rule.
    int PaintCount() const { return paintCount_; }

    /// Paints in the state (0 normal, 2 pressed) when forced or when state or caption changed.
    void PaintButton(int state, bool forced);
    /// True when the window under the screen pointer is this control's.
    bool PointerIsOver() const;

signals:
    /// A left click, a space press and release, or the access key.
    void Click();
    /// A mouse button went down (1 left, 2 right, 4 middle; shift 1, ctrl 2, alt 4).
    void MouseDown(short Button, short Shift, float X, float Y);
    /// The pointer moved.
    void MouseMove(short Button, short Shift, float X, float Y);
    /// A mouse button went up.
    void MouseUp(short Button, short Shift, float X, float Y);
    /// A character key; the handler may change the code.
    void KeyPress(short& KeyAscii);
    /// A key went down; the handler may change the code.
    void KeyDown(short& KeyCode, short Shift);
    /// A key went up; the handler may change the code.
    void KeyUp(short& KeyCode, short Shift);
    /// The pointer entered with no button held.
    void MouseOver();
    /// The hover watch found the pointer gone.
    void MouseOut();
    /// The host's design changed (a property with a key was set).
    void PropertyChanged(const QString& key);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Handlers of the system's input events (chameleonButton.cpp).
    void UserControl_MouseDown(int button, int shift, float x, float y);
    void UserControl_MouseUp(int button, int shift, float x, float y);
    void UserControl_MouseMove(int buttons, int shift, float x, float y, bool over);
    void UserControl_Click();
    void UserControl_DblClick();
    void UserControl_AccessKeyPress();
    void OverTimer_Timer();
    void HandleResize();
    void UpdateAccessKey();
    void NotifyChanged(const char* key);
    /// Stores a property value and tells the host, whether or not the value is new.
    template <typename T> void Store(T& field, const T& v, const char* key) {
        field = v;
        NotifyChanged(key);
    }
    void RepaintWithPalette();
    void AmbientChanged();
    void FontChanged();
    void ApplyPointer();
    void ApplyHandPointer();
    void ClickAfterRelease();
    bool OverAt(const QPoint& globalPos) const;

    // Drawing (chameleonButtonDraw.cpp).
    void BuildPalette();
    void LayoutCaption();
    platform::Region BuildWindowRegion() const;
    platform::Color S(platform::Color c, int n) const;
    platform::Color Sp(platform::Color c, int n) const;
    void Fill(int x, int y, int w, int h, platform::Color c);
    void Outline(int x, int y, int w, int h, platform::Color c);
    void Line(int x1, int y1, int x2, int y2, platform::Color c);
    void Pixel(int x, int y, platform::Color c);
    void Corners(platform::Color c);
    void EllipseShape(int x, int y, int w, int h, platform::Color pen, platform::Color brush);
    void Paint3DFrame(platform::Color c1, platform::Color c2, platform::Color c3,
                      platform::Color c4, int inset, bool flat);
    void DrawCaptionText(const platform::RECT& r, platform::Color c);
    void PaintCaption(int captionState);
    void PaintFocusRect();
    void PaintCaptionBox();
    void PaintStyle3Rim();
    void PaintStyle4Rim();
    void PaintGradient(platform::Color base, int k, bool proportional, bool upward);
    void DrawDisabledLook();
    void DrawPressedLook();
    void DrawNormalLook();
    int CaptionHover() const { return isOver_ ? 1 : 0; }

    // Pictures and effects (chameleonButtonPicture.cpp).
    void MeasurePicture();
    void PlacePicture();
    void PaintPictures(int pictureState);
    void PaintPictureEffect(int offset, const platform::Picture& picture);
    void PaintCaptionEffect(const platform::RECT& r);
    void Blit(const platform::Picture& picture, int dx, int dy, std::int64_t brush, bool darkOnly,
              bool greyscale, bool blend);
    void CaptureParentBackground();
    void CopyBackground();

    // Properties.
    std::int32_t buttonType_ = 2;
    std::string caption_;
    bool enabled_ = true;
    platform::Font font_{};
    std::int32_t colorScheme_ = 1;
    bool showFocusRect_ = true;
    platform::Color backColor_ = platform::Color(0x8000000Fu);
    platform::Color backOver_ = platform::Color(0x8000000Fu);
    platform::Color foreColor_ = platform::Color(0x80000012u);
    platform::Color foreOver_ = platform::Color(0x80000012u);
    platform::Color maskColor_ = platform::RGB(192, 192, 192);
    std::int32_t mousePointer_ = 0;
    platform::Picture mouseIcon_;
    bool handPointer_ = false;
    bool softBevel_ = false;
    platform::Picture pictureNormal_;
    platform::Picture pictureOver_;
    std::int32_t picturePosition_ = 0;
    bool useMaskColor_ = true;
    bool useGreyscale_ = false;
    std::int32_t specialEffect_ = 0;
    bool checkBoxBehaviour_ = false;
    bool value_ = false;

    // Internal state.
    ButtonAmbient ambient_;
    int width_ = 0;
    int height_ = 0;
    int lastButton_ = 0;
    int lastKey_ = 0;
    bool hasFocus_ = false;
    bool isOver_ = false;
    bool drawingAllowed_ = true;
    bool inCapture_ = false;
    bool inDoubleClick_ = false;
    int lastState_ = 0;
    std::string lastCaption_;
    int lastCaptionState_ = 0;
    char accessKey_ = 0;
    int shortcutId_ = 0;
    int paintCount_ = 0;
    ButtonPalette palette_{};
    platform::RECT captionRect_{};
    platform::RECT pressedCaptionRect_{};
    platform::RECT focusRect_{};
    int textWidth_ = 0;
    int textHeight_ = 0;
    int picX_ = 0;
    int picY_ = 0;
    int picW_ = 0;
    int picH_ = 0;
    platform::Region region_;
    platform::Canvas canvas_;
    platform::Canvas background_;
    bool hasBackground_ = false;
    QFont qfont_;
    QTimer overTimer_;
};

} // namespace corvane::controls

#pragma once
// The self-drawn progress bar. It keeps a percentage, draws the bar in one of ten looks chosen by
// `Scrolling`, can print the percentage centred over the bar, and draws through an off-screen
// surface that reaches the control's own picture in one copy, so a bar redrawn on every timer
// tick does not flicker. The windows only set and read `Value` (0 to 100).

#include "controls/PropertyBag.h"
#include "platform/widgets/drawing.h"

#include <QPointer>
#include <QWidget>

#include <string>
#include <vector>

namespace corvane::controls {

/// The outcome of a `Value` conversion: errors are reported to the caller, never thrown.
enum class ValueError {
    None,          ///< converted
    Overflow,      ///< v × 100, or the result, does not fit in 32 bits
    DivisionByZero ///< `Max` is 0
};

/// A short English description of a conversion outcome.
const char* ValueErrorText(ValueError error);

/// The XP-style progress bar with its ten looks.
class XP_ProgressBar : public QWidget {
    Q_OBJECT

public:
    /// Creates the bar with its creation defaults and draws it once.
    explicit XP_ProgressBar(QWidget* parent = nullptr);
    ~XP_ProgressBar() override;
    XP_ProgressBar(const XP_ProgressBar&) = delete;
    XP_ProgressBar& operator=(const XP_ProgressBar&) = delete;

    // Methods, in interface order.

    /// Draws everything: background, look, text, then the copy from the off-screen surface.
    void DrawProgressBar();
    /// A 1-pixel solid line from (x1, y1) towards (x2, y2), end point excluded.
    void DrawLine(int x1, int y1, int x2, int y2, platform::Canvas& hdc, platform::Color color);
    /// n + 1 lines from the first colour to the second (n = x2 when bH, else y2); both colours
    /// are translated in place.
    void DrawGradient(platform::Color& lEndColor, platform::Color& lStartcolor, int x1, int y1,
                      int x2, int y2, platform::Canvas& hdc, bool bH);
    /// Copies from the off-screen surface to the context; sizes below 1 mean the surface's.
    void pDraw(platform::Canvas& hdc, int xSrc, int ySrc, int WidthSrc, int HeightSrc, int xDst,
               int yDst);

    // Properties.

    /// Hatch pattern of look 7 (0..5); no redraw.
    void SetBrushStyle(int style);
    /// The hatch pattern of look 7.
    int BrushStyle() const { return brushStyle_; }
    /// Sets the bar colour (system colours are translated and stored as RGB) and redraws.
    void SetColor(platform::Color color);
    /// The bar colour, always RGB.
    platform::Color Color() const { return color_; }
    /// Sets the text font.
    void SetFont(const platform::Font& font);
    /// The text font.
    const platform::Font& Font() const { return font_; }
    /// Sets the window whose client area is measured (none: the bar itself).
    void Sethwnd(QWidget* window);
    /// The window whose client area is measured.
    QWidget* hwnd() const;
    /// Rebuilds the off-screen surface for the current size (the value is not used).
    void Sethdc(const platform::Canvas* ignored = nullptr);
    /// The context all drawing goes to: the surface when it exists, else the bar's own picture.
    platform::Canvas& hdc();
    /// Sets the pattern of look 8 (a picture of type None for none) and redraws.
    void SetImage(const platform::Picture& picture);
    /// The pattern of look 8.
    const platform::Picture& Image() const { return image_; }
    /// Sets the lower bound of the `Value` conversion; no redraw.
    void SetMin(int value);
    /// The lower bound of the `Value` conversion.
    int Min() const { return min_; }
    /// Sets the upper bound of the `Value` conversion; no redraw.
    void SetMax(int value);
    /// The upper bound of the `Value` conversion.
    int Max() const { return max_; }
    /// 0 horizontal, anything else vertical (looks 0, 1 and 2 only); redraws.
    void SetOrientation(int value);
    /// The orientation.
    int Orientation() const { return orientation_; }
    /// Selects the look (0..9; any other value draws like 1); redraws.
    void SetScrolling(int value);
    /// The look.
    int Scrolling() const { return scrolling_; }
    /// Whether the percentage is printed; redraws.
    void SetShowText(bool value);
    /// Whether the percentage is printed.
    bool ShowText() const { return showText_; }
    /// P := v × 100 / Max + Min (rounded, halves to even), then redraws; on an error nothing
    /// changes.
    ValueError SetValue(int v);
    /// Reads (P / 100 × Max) / (Min if Min > 0, else 1) into `value`; Overflow when it does not
    /// fit in 32 bits.
    ValueError GetValue(int& value) const;
    /// The value as the windows read it (with Min 0 and Max 100 this is P; saturates on overflow).
    int Value() const;
    /// The stored percentage P.
    int Percent() const { return percent_; }

    // The colour routines of the looks.

    /// A system colour (high bit set) becomes its RGB value; RGB stays.
    static platform::Color TranslateColor(platform::Color c);
    /// Moves each channel towards white: k + (255 - k) × channel ÷ 255, capped at 255.
    static platform::Color LightenColor(platform::Color c, int k);
    /// Mixes a (weight k of 255) with b (weight 255 - k), channel by channel, rounded.
    static platform::Color BlendColors(platform::Color a, platform::Color b, int k);
    /// Fills the rectangle (right and bottom excluded) with the translated colour.
    static void FillColorRect(const platform::RECT& rect, platform::Color color,
                              platform::Canvas& hdc);
    /// A 1-pixel border along the inside of the rectangle in the colour (not translated).
    static void DrawFrameRect(const platform::RECT& rect, platform::Color color,
                              platform::Canvas& hdc);

    // Persistence.

    /// Reads the ten keys in order through the setters; returns the outcome of the "Value"
    /// conversion (a stored "Max" of 0 is reported, not thrown).
    ValueError ReadProperties(const PropertyBag& bag);
    /// Writes the ten keys in order, leaving out those at their defaults.
    void WriteProperties(PropertyBag& bag) const;
    /// The ten keys with the types they are written as, in order.
    static const std::vector<PropertySpec>& PropertyKeys();

    // Inspection of the drawing state.

    /// The picture the bar shows (its own device context).
    const platform::Canvas& Screen() const { return screen_; }
    /// True when drawings go to the off-screen surface and are copied afterwards.
    bool Buffered() const { return buffered_; }
    /// Width of the off-screen surface (0 without one).
    int BufferWidth() const { return bufferWidth_; }
    /// Height of the off-screen surface (0 without one).
    int BufferHeight() const { return bufferHeight_; }
    /// The fill rectangle of the last drawing.
    const platform::RECT& FillRectangle() const { return rcFill_; }
    /// The text rectangle of the last drawing.
    const platform::RECT& TextRectangle() const { return rcText_; }

signals:
    /// A persisted property changed (the host's design should be saved).
    void PropertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Drawing into the current context.
    void Render();
    void DrawPercentText(platform::Canvas& dc);
    void DrawFilledText(platform::Canvas& dc, const std::string& text, double filled);
    void CenterTextRect(platform::Canvas& dc, const std::string& text);

    // The looks.
    void DrawLook(platform::Canvas& dc);
    void CalcXPBar();
    void DrawXPBody(platform::Canvas& dc);
    void DrawXPSegments(platform::Canvas& dc);
    void DrawXPFrame(platform::Canvas& dc);
    void DrawFlatLook(platform::Canvas& dc);
    void DrawEtchedLook(platform::Canvas& dc);
    void DrawGradientLook(platform::Canvas& dc);
    void DrawDarkLook(platform::Canvas& dc);
    void DrawHatchLook(platform::Canvas& dc);
    void DrawPictureLook(platform::Canvas& dc);
    void DrawGlassLook(platform::Canvas& dc);
    /// A gradient between two colour values that the caller does not need back.
    void Gradient(platform::Color first, platform::Color second, int x1, int y1, int x2, int y2,
                  platform::Canvas& dc, bool bH);

    // The off-screen surface.
    bool EnsureBuffer(int w, int h);
    bool CreateBuffer(int w, int h);
    void FreeBuffer();
    /// Keeps the bar's own picture the size of the widget; true when it changed.
    bool FollowWidgetSize();
    void Changed(const char* name);

    int percent_ = 0;
    int min_ = 0;
    int max_ = 100;
    platform::Color color_;
    int scrolling_ = 0;
    int orientation_ = 0;
    int brushStyle_ = 0;
    bool showText_ = false;
    platform::Font font_;
    platform::Picture image_;
    QPointer<QWidget> hwnd_;

    platform::Canvas screen_;  // the control's own device context
    platform::Canvas surface_; // the off-screen surface
    bool hasBuffer_ = false;
    bool buffered_ = false;
    int bufferWidth_ = 0;
    int bufferHeight_ = 0;

    platform::RECT rcClient_;
    platform::RECT rcFill_;
    platform::RECT rcText_;
    int segmentWidth_ = 0;
    int gap_ = 0;
};

} // namespace corvane::controls

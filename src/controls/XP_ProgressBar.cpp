// The progress bar's state, its `Value` conversion, the off-screen surface, the colour and line
// routines the looks share, the percentage text and the property bag. The looks themselves are in
// XP_ProgressBarLooks.cpp.

#include "controls/XP_ProgressBar.h"

#include <QPainter>
#include <QResizeEvent>

#include <cmath>
#include <cstdint>
#include <limits>

namespace corvane::controls {

using platform::Canvas;
using platform::RECT;

namespace {

constexpr double kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr double kIntMax = std::numeric_limits<std::int32_t>::max();

/// The system highlight colour, the bar colour of a new control.
constexpr platform::Color kHighlight{0x8000000Du};
/// The hatch pattern a property bag without "BrushStyle" gives (cross hatch).
constexpr int kBagBrushStyle = 4;

/// Rounds to the nearest integer, halves to the even neighbour (the default rounding mode).
double RoundEven(double v) {
    return std::nearbyint(v);
}

/// A rounded value that is known to lie well inside the 32-bit range (pixel geometry).
int RoundPixel(double v) {
    return static_cast<int>(RoundEven(v));
}

/// One channel as the gradient computes it: rounded, then cut to 0..255 as RGB() does.
int Channel(double v) {
    const double r = RoundEven(v);
    return r < 0 ? 0 : (r > 255 ? 255 : static_cast<int>(r));
}

} // namespace

const char* ValueErrorText(ValueError error) {
    switch (error) {
    case ValueError::None:
        return "no error";
    case ValueError::Overflow:
        return "Overflow";
    case ValueError::DivisionByZero:
        return "Division by zero";
    }
    return "unknown error";
}

XP_ProgressBar::XP_ProgressBar(QWidget* parent) : QWidget(parent) {
    // The control keeps its own picture of itself and paints every pixel of it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    font_ = platform::Font{};
    FollowWidgetSize();
    Sethdc();
    hwnd_ = this;
    max_ = 100;
    min_ = 0;
    percent_ = 0;
    orientation_ = 0;
    scrolling_ = 0;
    color_ = TranslateColor(kHighlight);
    DrawProgressBar();
}

XP_ProgressBar::~XP_ProgressBar() {
    FreeBuffer();
}

// ---------------------------------------------------------------------------------------------
// Properties

void XP_ProgressBar::Changed(const char* name) {
    emit PropertyChanged(QString::fromLatin1(name));
}

void XP_ProgressBar::SetBrushStyle(int style) {
    brushStyle_ = style;
    Changed("BrushStyle");
}

void XP_ProgressBar::SetColor(platform::Color color) {
    const platform::Color rgb = TranslateColor(color);
    color_ = rgb;
    Changed("Color");
    DrawProgressBar();
}

void XP_ProgressBar::SetFont(const platform::Font& font) {
    font_ = font;
    Changed("Font");
}

void XP_ProgressBar::Sethwnd(QWidget* window) {
    hwnd_ = window != nullptr ? window : this;
}

QWidget* XP_ProgressBar::hwnd() const {
    // A measured window that has gone away leaves the bar measuring itself.
    return hwnd_ ? hwnd_.data() : const_cast<XP_ProgressBar*>(this);
}

void XP_ProgressBar::Sethdc(const platform::Canvas* /*ignored*/) {
    buffered_ = EnsureBuffer(width(), height());
}

platform::Canvas& XP_ProgressBar::hdc() {
    return buffered_ ? surface_ : screen_;
}

void XP_ProgressBar::SetImage(const platform::Picture& picture) {
    image_ = picture;
    Changed("Image");
    DrawProgressBar();
}

void XP_ProgressBar::SetMin(int value) {
    min_ = value;
    Changed("Min");
}

void XP_ProgressBar::SetMax(int value) {
    max_ = value;
    Changed("Max");
}

void XP_ProgressBar::SetOrientation(int value) {
    orientation_ = value;
    Changed("Orientation");
    DrawProgressBar();
}

void XP_ProgressBar::SetScrolling(int value) {
    scrolling_ = value;
    Changed("Scrolling");
    DrawProgressBar();
}

void XP_ProgressBar::SetShowText(bool value) {
    showText_ = value;
    Changed("ShowText");
    DrawProgressBar();
}

ValueError XP_ProgressBar::SetValue(int v) {
    // v × 100 is a 32-bit product in the conversion, so a larger value is an overflow even when
    // the quotient would fit.
    const std::int64_t scaled = static_cast<std::int64_t>(v) * 100;
    if (scaled < kIntMin || scaled > kIntMax)
        return ValueError::Overflow;
    if (max_ == 0)
        return ValueError::DivisionByZero;
    const double p = RoundEven(static_cast<double>(scaled) / max_ + min_);
    if (p < kIntMin || p > kIntMax)
        return ValueError::Overflow;
    percent_ = static_cast<int>(p);
    DrawProgressBar();
    return ValueError::None;
}

ValueError XP_ProgressBar::GetValue(int& value) const {
    const double v = RoundEven(percent_ / 100.0 * max_ / (min_ > 0 ? min_ : 1));
    if (v < kIntMin) {
        value = std::numeric_limits<std::int32_t>::min();
        return ValueError::Overflow;
    }
    if (v > kIntMax) {
        value = std::numeric_limits<std::int32_t>::max();
        return ValueError::Overflow;
    }
    value = static_cast<int>(v);
    return ValueError::None;
}

int XP_ProgressBar::Value() const {
    int value = 0;
    GetValue(value);
    return value;
}

// ---------------------------------------------------------------------------------------------
// Colour and line routines

platform::Color XP_ProgressBar::TranslateColor(platform::Color c) {
    if (c.IsSystem())
        return platform::GetSysColor(static_cast<int>(c.Value() & 0x7FFFFFFFu));
    return c;
}

platform::Color XP_ProgressBar::LightenColor(platform::Color c, int k) {
    auto lighten = [k](int channel) {
        const int v = k + (255 - k) * channel / 255;
        return v > 255 ? 255 : v;
    };
    return platform::RGB(lighten(c.Red()), lighten(c.Green()), lighten(c.Blue()));
}

platform::Color XP_ProgressBar::BlendColors(platform::Color a, platform::Color b, int k) {
    a = TranslateColor(a);
    b = TranslateColor(b);
    auto blend = [k](int ca, int cb) { return Channel((255 - k) * cb / 255.0 + k * ca / 255.0); };
    return platform::RGB(blend(a.Red(), b.Red()), blend(a.Green(), b.Green()),
                         blend(a.Blue(), b.Blue()));
}

void XP_ProgressBar::FillColorRect(const RECT& rect, platform::Color color, Canvas& hdc) {
    platform::FillRect(hdc, rect, platform::CreateSolidBrush(TranslateColor(color)));
}

void XP_ProgressBar::DrawFrameRect(const RECT& rect, platform::Color color, Canvas& hdc) {
    platform::FrameRect(hdc, rect, platform::CreateSolidBrush(color));
}

void XP_ProgressBar::DrawLine(int x1, int y1, int x2, int y2, Canvas& hdc, platform::Color color) {
    const platform::Pen previous =
        hdc.SelectPen(platform::CreatePen(platform::PS_SOLID, 1, TranslateColor(color)));
    platform::MoveToEx(hdc, x1, y1, nullptr);
    platform::LineTo(hdc, x2, y2);
    hdc.SelectPen(previous);
}

void XP_ProgressBar::DrawGradient(platform::Color& lEndColor, platform::Color& lStartcolor, int x1,
                                  int y1, int x2, int y2, Canvas& hdc, bool bH) {
    lEndColor = TranslateColor(lEndColor);
    lStartcolor = TranslateColor(lStartcolor);
    const int r1 = lEndColor.Red(), g1 = lEndColor.Green(), b1 = lEndColor.Blue();
    const int r2 = lStartcolor.Red(), g2 = lStartcolor.Green(), b2 = lStartcolor.Blue();
    const int n = bH ? x2 : y2;
    // The steps are single-precision values; a zero-length gradient keeps them at 0 and draws
    // one line in the first colour.
    float dR = 0, dG = 0, dB = 0;
    if (n != 0) {
        dR = static_cast<float>(static_cast<double>(r2 - r1) / n);
        dG = static_cast<float>(static_cast<double>(g2 - g1) / n);
        dB = static_cast<float>(static_cast<double>(b2 - b1) / n);
    }
    for (int i = 0; i <= n; ++i) {
        const platform::Color c = platform::RGB(Channel(r1 + static_cast<double>(dR) * i),
                                                Channel(g1 + static_cast<double>(dG) * i),
                                                Channel(b1 + static_cast<double>(dB) * i));
        if (bH)
            DrawLine(x1 + i, y1, x1 + i, y2, hdc, c);
        else
            DrawLine(x1, y1 + i, x2, y1 + i, hdc, c);
    }
}

void XP_ProgressBar::Gradient(platform::Color first, platform::Color second, int x1, int y1, int x2,
                              int y2, Canvas& dc, bool bH) {
    DrawGradient(first, second, x1, y1, x2, y2, dc, bH);
}

void XP_ProgressBar::pDraw(Canvas& hdc, int xSrc, int ySrc, int WidthSrc, int HeightSrc, int xDst,
                           int yDst) {
    const int w = WidthSrc < 1 ? bufferWidth_ : WidthSrc;
    const int h = HeightSrc < 1 ? bufferHeight_ : HeightSrc;
    platform::BitBlt(hdc, xDst, yDst, w, h, surface_, xSrc, ySrc, platform::SRCCOPY);
}

// ---------------------------------------------------------------------------------------------
// Drawing

void XP_ProgressBar::DrawProgressBar() {
    Render();
    update();
}

void XP_ProgressBar::Render() {
    // A hidden widget hears of its new size only when shown; drawing catches up with it here.
    if (FollowWidgetSize())
        Sethdc();
    if (percent_ > 100)
        percent_ = 100;
    const QWidget* window = hwnd();
    rcClient_ = RECT{0, 0, window->width(), window->height()};
    Canvas& dc = hdc();
    FillColorRect(rcClient_,
                  scrolling_ == 6 ? platform::RGB(0, 0, 0) : platform::RGB(255, 255, 255), dc);
    DrawLook(dc);
    DrawPercentText(dc);
    if (buffered_)
        pDraw(screen_, 0, 0, width(), height(), 0, 0);
}

void XP_ProgressBar::CenterTextRect(Canvas& dc, const std::string& text) {
    RECT measure{0, 0, 0, 0};
    platform::DrawTextA(dc, text, measure, platform::DT_CALCRECT);
    const int w = measure.Width(), h = measure.Height();
    rcText_.left = RoundPixel(rcClient_.right / 2.0 - w / 2.0);
    rcText_.top = RoundPixel(rcClient_.bottom / 2.0 - h / 2.0);
    rcText_.right = rcText_.left + w;
    rcText_.bottom = rcText_.top + h;
}

void XP_ProgressBar::DrawPercentText(Canvas& dc) {
    const std::string text =
        scrolling_ == 2 ? std::string("Searching..") : std::to_string(percent_) + " %";
    const bool twoTone = scrolling_ == 6 || scrolling_ == 9;
    if (!showText_)
        return;
    const QFont previous = dc.SelectFont(platform::ToQFont(font_));
    // The background mode is put back afterwards, so a hatch drawn by a later look still gets
    // its opaque background.
    const int previousMode = dc.SetBkMode(platform::TRANSPARENT);
    dc.SetTextColor(scrolling_ == 6 ? TranslateColor(platform::RGB(0xC0, 0xC0, 0xC0))
                                    : platform::RGB(0, 0, 0));
    CenterTextRect(dc, text);
    const double filled = percent_ / 100.0 * rcClient_.right;
    if (!(twoTone && filled > rcText_.right)) {
        RECT r = rcText_;
        platform::DrawTextA(dc, text, r, platform::DT_SINGLELINE);
    }
    dc.SelectFont(previous);
    if (twoTone)
        DrawFilledText(dc, text, filled);
    dc.SetBkMode(previousMode);
}

void XP_ProgressBar::DrawFilledText(Canvas& dc, const std::string& text, double filled) {
    const QFont previous = dc.SelectFont(platform::ToQFont(font_));
    dc.SetBkMode(platform::TRANSPARENT);
    if (filled < rcText_.left) {
        dc.SelectFont(previous);
        return;
    }
    const platform::Color c =
        scrolling_ == 6 ? LightenColor(color_, 80) : platform::RGB(255, 255, 255);
    dc.SetTextColor(TranslateColor(c));
    rcText_.left = RoundPixel(rcClient_.right / 2.0 - (rcText_.right - rcText_.left) / 2.0);
    rcText_.right = RoundPixel(percent_ / 100.0 * rcClient_.right);
    // Drawing clips to the rectangle, so the part beyond the fill's end is not drawn.
    RECT r = rcText_;
    platform::DrawTextA(dc, text, r, platform::DT_SINGLELINE);
    dc.SelectFont(previous);
}

// ---------------------------------------------------------------------------------------------
// The off-screen surface

bool XP_ProgressBar::EnsureBuffer(int w, int h) {
    if (hasBuffer_) {
        if (bufferHeight_ < h || bufferWidth_ < w)
            CreateBuffer(w, h);
    } else if (w > 0 && h > 0) {
        CreateBuffer(w, h);
    }
    return hasBuffer_;
}

bool XP_ProgressBar::CreateBuffer(int w, int h) {
    FreeBuffer();
    Canvas surface(w, h);
    // An image that could not be allocated comes back empty: no surface, direct drawing.
    if (surface.Image().isNull() || surface.Width() != w || surface.Height() != h)
        return false;
    surface_ = std::move(surface);
    hasBuffer_ = true;
    bufferWidth_ = w;
    bufferHeight_ = h;
    return true;
}

void XP_ProgressBar::FreeBuffer() {
    surface_ = Canvas();
    hasBuffer_ = false;
    bufferWidth_ = 0;
    bufferHeight_ = 0;
}

bool XP_ProgressBar::FollowWidgetSize() {
    if (screen_.Width() == width() && screen_.Height() == height())
        return false;
    screen_.Resize(width(), height(), platform::RGB(255, 255, 255));
    return true;
}

void XP_ProgressBar::paintEvent(QPaintEvent* /*event*/) {
    Render();
    QPainter painter(this);
    painter.drawImage(0, 0, screen_.Image());
}

void XP_ProgressBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FollowWidgetSize();
    Sethdc();
}

// ---------------------------------------------------------------------------------------------
// Persistence

ValueError XP_ProgressBar::ReadProperties(const PropertyBag& bag) {
    // A bag without a font keeps the default font, so the text always has one to draw with.
    SetFont(bag.ReadFont("Font", font_));
    brushStyle_ = bag.ReadLong("BrushStyle", kBagBrushStyle);
    SetColor(bag.ReadColor("Color", kHighlight));
    image_ = bag.ReadPicture("Image", platform::Picture{});
    SetMax(bag.ReadLong("Max", 100));
    SetMin(bag.ReadLong("Min", 0));
    SetOrientation(bag.ReadLong("Orientation", 0));
    SetScrolling(bag.ReadLong("Scrolling", 0));
    SetShowText(bag.ReadBool("ShowText", false));
    return SetValue(bag.ReadLong("Value", 0));
}

const std::vector<PropertySpec>& XP_ProgressBar::PropertyKeys() {
    static const std::vector<PropertySpec> keys = {
        {"Font", PropertyKind::Font},        {"BrushStyle", PropertyKind::Long},
        {"Color", PropertyKind::Color},      {"Image", PropertyKind::Picture},
        {"Max", PropertyKind::Long},         {"Min", PropertyKind::Long},
        {"Orientation", PropertyKind::Long}, {"Scrolling", PropertyKind::Long},
        {"ShowText", PropertyKind::Boolean}, {"Value", PropertyKind::Long},
    };
    return keys;
}

void XP_ProgressBar::WriteProperties(PropertyBag& bag) const {
    auto writeLong = [&bag](const char* key, int value, int def) {
        if (value != def)
            bag.WriteLong(key, value);
        else
            bag.Remove(key);
    };
    bag.WriteFont("Font", font_);
    writeLong("BrushStyle", brushStyle_, kBagBrushStyle);
    if (color_ != kHighlight)
        bag.WriteColor("Color", color_);
    else
        bag.Remove("Color");
    if (!image_.IsNone())
        bag.WritePicture("Image", image_);
    else
        bag.Remove("Image");
    writeLong("Max", max_, 100);
    writeLong("Min", min_, 0);
    writeLong("Orientation", orientation_, 0);
    writeLong("Scrolling", scrolling_, 0);
    if (showText_)
        bag.WriteBool("ShowText", true);
    else
        bag.Remove("ShowText");
    // The stored percentage, not the result of reading Value.
    writeLong("Value", percent_, 0);
}

} // namespace corvane::controls

// chameleonButton's painter: the palette, the fourteen styles in their normal, hover, pressed and
// disabled looks, the caption and focus, and the window shape. Every look is a list of simple
// drawing steps on the control's canvas, chosen by the button's state.

#include "controls/chameleonButton.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace corvane::controls {

using namespace platform;

// ---------------------------------------------------------------------------------------------
// Colour arithmetic

Color ShadeColor(Color color, int amount, bool proportionalBlue, bool softBevel) {
    if (softBevel)
        amount /= 2;
    int r = color.Red(), g = color.Green(), b = color.Blue();
    b = proportionalBlue ? b + (b * amount) / 192 : b + amount;
    g += amount;
    r += amount;
    if (amount > 0) {
        r = std::min(r, 255);
        g = std::min(g, 255);
        b = std::min(b, 255);
    } else if (amount < 0) {
        r = std::max(r, 0);
        g = std::max(g, 0);
        b = std::max(b, 0);
    }
    return Color(static_cast<std::uint32_t>(r + 256 * g + 65536 * b));
}

Color TintTowardWhite(Color color, int floor) {
    auto channel = [floor](int c) { return std::min(255, floor + ((255 - floor) * c) / 255); };
    return RGB(channel(color.Red()), channel(color.Green()), channel(color.Blue()));
}

int GradientAmount(int i, int height, int k) {
    // k / H in single precision, times the row, rounded to the nearest integer (halves to even).
    const float step = static_cast<float>(k) / static_cast<float>(height);
    return static_cast<int>(std::nearbyint(-step * static_cast<float>(i)));
}

Color chameleonButton::S(Color c, int n) const {
    return ShadeColor(c, n, false, softBevel_);
}

Color chameleonButton::Sp(Color c, int n) const {
    return ShadeColor(c, n, true, softBevel_);
}

// ---------------------------------------------------------------------------------------------
// Palette

void chameleonButton::BuildPalette() {
    ButtonPalette& p = palette_;
    auto shadeFromFace = [&] {
        p.shadow = S(p.face, -64);
        p.light = S(p.face, 31);
        p.highlight = S(p.face, 47);
        p.darkShadow = S(p.face, -192);
    };
    switch (colorScheme_) {
    case 2:
        p.face = OleTranslateColor(backColor_);
        p.text = OleTranslateColor(foreColor_);
        p.hoverText = OleTranslateColor(foreOver_);
        shadeFromFace();
        p.accent = S(p.face, -128);
        p.accentFill = p.face;
        break;
    case 3:
        p.face = RGB(192, 192, 192);
        p.shadow = RGB(128, 128, 128);
        p.light = RGB(223, 223, 223);
        p.darkShadow = RGB(0, 0, 0);
        p.highlight = RGB(255, 255, 255);
        p.text = p.hoverText = RGB(0, 0, 0);
        p.accent = RGB(0, 0, 128);
        p.accentFill = RGB(173, 173, 209);
        break;
    case 4: {
        // The container's drawing colours: its background and text colours.
        const QWidget* parent = parentWidget();
        p.face = parent ? Color::FromQRgb(parent->palette().color(QPalette::Window).rgb())
                        : RGB(255, 255, 255);
        p.text = p.hoverText =
            parent ? Color::FromQRgb(parent->palette().color(QPalette::WindowText).rgb())
                   : RGB(0, 0, 0);
        shadeFromFace();
        p.accent = GetSysColor(COLOR_HIGHLIGHT);
        p.accentFill = TintTowardWhite(p.accent, 176);
        break;
    }
    default:
        p.face = GetSysColor(COLOR_BTNFACE);
        p.shadow = GetSysColor(COLOR_BTNSHADOW);
        p.light = GetSysColor(COLOR_3DLIGHT);
        p.darkShadow = GetSysColor(COLOR_3DDKSHADOW);
        p.highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
        p.text = p.hoverText = GetSysColor(COLOR_BTNTEXT);
        p.accent = GetSysColor(COLOR_HIGHLIGHT);
        p.accentFill = TintTowardWhite(p.accent, 176);
        break;
    }
    p.mask = OleTranslateColor(maskColor_);
    p.shadedFace = ShadeColor(p.face, 48, buttonType_ == 3, softBevel_);
}

// ---------------------------------------------------------------------------------------------
// Drawing steps

void chameleonButton::Fill(int x, int y, int w, int h, Color c) {
    FillRect(canvas_, RECT{x, y, x + w, y + h}, CreateSolidBrush(c));
}

void chameleonButton::Outline(int x, int y, int w, int h, Color c) {
    FrameRect(canvas_, RECT{x, y, x + w, y + h}, CreateSolidBrush(c));
}

void chameleonButton::Line(int x1, int y1, int x2, int y2, Color c) {
    const Pen old = canvas_.SelectPen(CreatePen(PS_SOLID, 1, c));
    MoveToEx(canvas_, x1, y1, nullptr);
    LineTo(canvas_, x2, y2);
    canvas_.SelectPen(old);
}

void chameleonButton::Pixel(int x, int y, Color c) {
    SetPixelV(canvas_, x, y, c);
}

void chameleonButton::Corners(Color c) {
    const int w = width_, h = height_;
    Pixel(1, 1, c);
    Pixel(1, h - 2, c);
    Pixel(w - 2, 1, c);
    Pixel(w - 2, h - 2, c);
}

void chameleonButton::EllipseShape(int x, int y, int w, int h, Color pen, Color brush) {
    // The oval's outline is two pixels wide and lies inside the rectangle. A two-pixel pen would
    // straddle the outline, half of it outside, so the outline is built from two one-pixel rings:
    // a disc in the pen colour, then the ellipse one pixel in, ringed in the pen colour and
    // filled with the brush.
    const Pen oldPen = canvas_.SelectPen(CreatePen(PS_SOLID, 1, pen));
    const Brush oldBrush = canvas_.SelectBrush(CreateSolidBrush(pen));
    Ellipse(canvas_, x, y, x + w, y + h);
    canvas_.SelectBrush(CreateSolidBrush(brush));
    Ellipse(canvas_, x + 1, y + 1, x + w - 1, y + h - 1);
    canvas_.SelectPen(oldPen);
    canvas_.SelectBrush(oldBrush);
}

void chameleonButton::Paint3DFrame(Color c1, Color c2, Color c3, Color c4, int inset, bool flat) {
    const int e = std::abs(inset);
    const int r = width_ + inset - 1, b = height_ + inset - 1;
    Line(e, b, e, e, c1);
    Line(e, e, r, e, c1);
    Line(r, e, r, b, c2);
    Line(r, b, e - 1, b, c2);
    if (flat)
        return;
    Line(e + 1, b - 1, e + 1, e + 1, c3);
    Line(e + 1, e + 1, r - 1, e + 1, c3);
    Line(r - 1, e + 1, r - 1, b - 1, c4);
    Line(r - 1, b - 1, e, b - 1, c4);
}

void chameleonButton::PaintGradient(Color base, int k, bool proportional, bool upward) {
    const int w = width_, h = height_;
    for (int i = 1; i <= h; ++i) {
        const int amount = GradientAmount(i, h, k);
        const Color c = proportional ? Sp(base, amount) : S(base, amount);
        const int y = upward ? h - i : i;
        Line(0, y, w, y, c);
    }
}

// ---------------------------------------------------------------------------------------------
// Caption and focus

void chameleonButton::DrawCaptionText(const RECT& r, Color c) {
    RECT box = r;
    canvas_.SelectFont(qfont_);
    canvas_.SetBkMode(TRANSPARENT);
    canvas_.SetTextColor(c);
    DrawTextA(canvas_, caption_, box, DT_WORDBREAK | DT_VCENTER | DT_CENTER);
}

void chameleonButton::PaintCaption(int captionState) {
    lastCaptionState_ = captionState;
    const ButtonPalette& p = palette_;
    switch (captionState) {
    case 0:
        PaintCaptionEffect(captionRect_);
        DrawCaptionText(captionRect_, p.text);
        break;
    case 1:
        PaintCaptionEffect(captionRect_);
        DrawCaptionText(captionRect_, p.hoverText);
        break;
    case 2:
        PaintCaptionEffect(pressedCaptionRect_);
        DrawCaptionText(pressedCaptionRect_, buttonType_ == 4 ? p.light : p.hoverText);
        break;
    case 3:
        DrawCaptionText(pressedCaptionRect_, p.highlight);
        DrawCaptionText(captionRect_, p.shadow);
        break;
    case 4:
        DrawCaptionText(captionRect_, p.shadow);
        break;
    case 5:
        DrawCaptionText(captionRect_, ShadeColor(p.shadedFace, -104, true, softBevel_));
        break;
    case 6:
        DrawCaptionText(pressedCaptionRect_, p.highlight);
        DrawCaptionText(captionRect_, p.face);
        break;
    case 7:
        DrawCaptionText(pressedCaptionRect_, S(p.shadow, -50));
        DrawCaptionText(captionRect_, p.highlight);
        break;
    default:
        break;
    }
}

void chameleonButton::PaintFocusRect() {
    if (!showFocusRect_ || !hasFocus_)
        return;
    canvas_.SetTextColor(palette_.text);
    canvas_.SetBkColor(RGB(255, 255, 255));
    DrawFocusRect(canvas_, focusRect_);
}

void chameleonButton::PaintCaptionBox() {
    Outline(captionRect_.left - 2, captionRect_.top - 1, textWidth_ + 4, textHeight_ + 2,
            RGB(153, 153, 204));
}

void chameleonButton::LayoutCaption() {
    const int w = width_, h = height_;
    const int pw = pictureNormal_.IsNone() ? 0 : picW_;
    const int ph = pictureNormal_.IsNone() ? 0 : picH_;
    RECT r;
    switch (picturePosition_) {
    case 0:
        r = RECT{pw + 1, 1, w - 2, h - 2};
        break;
    case 1:
        r = RECT{1, 1, w - pw - 2, h - 2};
        break;
    case 2:
        r = RECT{1, ph + 1, w - 2, h - 2};
        break;
    case 3:
        r = RECT{1, 1, w - 2, h - ph - 2};
        break;
    default:
        r = RECT{1, 1, w - 2, h - 2};
        break;
    }
    canvas_.SelectFont(qfont_);
    DrawTextA(canvas_, caption_, r, DT_CALCRECT | DT_WORDBREAK);
    textWidth_ = r.right - r.left;
    textHeight_ = r.bottom - r.top;
    int dx = (w - r.right) / 2, dy = (h - r.bottom) / 2;
    if (picturePosition_ == 1)
        dx = (w - r.right - pw - 4) / 2;
    else if (picturePosition_ == 3)
        dy = (h - r.bottom - ph - 4) / 2;
    OffsetRect(r, dx, dy);
    captionRect_ = r;
    pressedCaptionRect_ = r;
    OffsetRect(pressedCaptionRect_, 1, 1);
    PlacePicture();
}

// ---------------------------------------------------------------------------------------------
// Window shape

Region chameleonButton::BuildWindowRegion() const {
    const int w = width_, h = height_;
    // The oval's window is the ellipse inscribed in the whole client rectangle, the pixels its
    // paint covers; an elliptic region leaves out its box's right column and bottom row, so
    // the box is one pixel larger.
    if (buttonType_ == 13)
        return CreateEllipticRgn(0, 0, w + 1, h + 1);
    Region region = CreateRectRgn(0, 0, w, h);
    std::vector<POINT> cut;
    switch (buttonType_) {
    case 1:
    case 14:
        cut = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
        break;
    case 5:
        cut = {{0, h - 1}, {w - 1, 0}};
        break;
    case 3:
    case 4:
        cut = {{0, 0},     {1, 0},     {0, 1},     {w - 2, 0},     {w - 1, 0},     {w - 1, 1},
               {0, h - 1}, {1, h - 1}, {0, h - 2}, {w - 2, h - 1}, {w - 1, h - 1}, {w - 1, h - 2}};
        break;
    default:
        break;
    }
    for (const POINT& p : cut)
        CombineRgn(region, region, CreateRectRgn(p.x, p.y, p.x + 1, p.y + 1), RGN_DIFF);
    return region;
}

// ---------------------------------------------------------------------------------------------
// PaintButton and the looks

void chameleonButton::PaintButton(int state, bool forced) {
    if (checkBoxBehaviour_ && value_)
        state = 2;
    if (!forced && caption_ == lastCaption_ && state == lastState_)
        return;
    if (height_ == 0 || !drawingAllowed_)
        return;
    lastState_ = state;
    lastCaption_ = caption_;
    ++paintCount_;

    canvas_.Clear(palette_.face);
    const bool swapped = isOver_ && colorScheme_ == 2;
    const Color savedBack = backColor_;
    if (swapped) {
        backColor_ = backOver_;
        BuildPalette();
    }
    Fill(0, 0, width_, height_, palette_.face);
    int pictureState = 0;
    if (!enabled_) {
        DrawDisabledLook();
        pictureState = 2;
    } else if (state == 2) {
        DrawPressedLook();
        pictureState = 1;
    } else {
        DrawNormalLook();
    }
    PaintPictures(pictureState);
    if (swapped) {
        backColor_ = savedBack;
        BuildPalette();
    }
    update();
}

void chameleonButton::PaintStyle4Rim() {
    const ButtonPalette& p = palette_;
    const int w = width_, h = height_;
    Outline(0, 0, w, h, p.darkShadow);
    Corners(p.darkShadow);
    Line(1, 2, 2, 0, p.face);
    Line(3, 2, w - 3, 2, p.highlight);
    Line(2, 2, 2, h - 3, p.highlight);
    Pixel(3, 3, p.highlight);
    Line(w - 3, 1, w - 3, h - 3, p.face);
    Line(1, h - 3, w - 3, h - 3, p.face);
    Pixel(w - 4, h - 4, p.face);
    Line(w - 2, 2, w - 2, h - 2, p.shadow);
    Line(2, h - 2, w - 2, h - 2, p.shadow);
    Pixel(w - 3, h - 3, p.shadow);
}

void chameleonButton::PaintStyle3Rim() {
    const int w = width_, h = height_;
    const bool focusRim = showFocusRect_ && (hasFocus_ || ambient_.DisplayAsDefault);
    if (isOver_ || focusRim) {
        // One rim shape in the hover colours (orange) or the focus colours (blue).
        struct Colours {
            Color frame, bottom, top, second, sides;
        };
        static constexpr Colours kHover{RGB(255, 178, 49), RGB(231, 150, 0), RGB(255, 243, 206),
                                        RGB(255, 219, 140), RGB(255, 203, 107)};
        static constexpr Colours kFocus{RGB(140, 174, 231), RGB(107, 130, 239), RGB(206, 231, 255),
                                        RGB(189, 215, 247), RGB(181, 209, 240)};
        const Colours& c = isOver_ ? kHover : kFocus;
        Outline(1, 2, w - 2, h - 4, c.frame);
        Line(2, h - 2, w - 2, h - 2, c.bottom);
        Line(2, 1, w - 2, 1, c.top);
        Line(1, 2, w - 1, 2, c.second);
        Line(2, 3, 2, h - 3, c.sides);
        Line(w - 3, 3, w - 3, h - 3, c.sides);
        return;
    }
    const Color sf = palette_.shadedFace;
    Line(2, h - 2, w - 2, h - 2, Sp(sf, -48));
    Line(1, h - 3, w - 2, h - 3, Sp(sf, -32));
    Line(w - 2, 2, w - 2, h - 2, Sp(sf, -36));
    Line(w - 3, 3, w - 3, h - 3, Sp(sf, -24));
    Line(2, 1, w - 2, 1, Sp(sf, 16));
    Line(1, 2, w - 2, 2, Sp(sf, 10));
    Line(1, 2, 1, h - 2, Sp(sf, -5));
    Line(2, 3, 2, h - 3, Sp(sf, -10));
}

void chameleonButton::DrawDisabledLook() {
    const ButtonPalette& p = palette_;
    const int w = width_, h = height_;
    switch (buttonType_) {
    case 1:
        PaintCaption(3);
        Paint3DFrame(p.highlight, p.shadow, p.highlight, p.shadow, -1, false);
        Outline(0, 0, w, h, p.darkShadow);
        break;
    case 2:
        PaintCaption(3);
        Paint3DFrame(p.highlight, p.darkShadow, p.light, p.shadow, 0, false);
        break;
    case 3:
        Fill(0, 0, w, h, Sp(p.shadedFace, -24));
        PaintCaption(5);
        Outline(0, 0, w, h, Sp(p.shadedFace, -84));
        Corners(Sp(p.shadedFace, -72));
        break;
    case 4:
        Fill(1, 1, w - 2, h - 2, p.light);
        PaintCaption(3);
        PaintStyle4Rim();
        break;
    case 5:
        PaintCaption(4);
        Outline(0, 0, w, h, p.shadow);
        break;
    case 6:
        PaintCaption(4);
        Paint3DFrame(S(p.light, 8), p.shadow, S(p.light, 8), p.shadow, 0, false);
        break;
    case 7:
        PaintCaption(3);
        Paint3DFrame(p.highlight, p.shadow, p.highlight, p.shadow, 0, true);
        break;
    case 8:
    case 12:
    case 13:
        PaintCaption(3);
        break;
    case 9:
        PaintCaption(4);
        break;
    case 11:
        CopyBackground();
        PaintCaption(3);
        break;
    case 14:
        PaintGradient(p.highlight, 58, false, false);
        Outline(0, 0, w, h, S(p.shadow, -50));
        Outline(1, 1, w - 2, h - 2, S(p.face, -9));
        Fill(2, 2, w - 4, 2, p.highlight);
        Fill(2, 4, 2, h - 6, p.highlight);
        PaintCaption(6);
        break;
    default: // style 10 and unknown styles: face and pictures only
        break;
    }
}

void chameleonButton::DrawPressedLook() {
    const ButtonPalette& p = palette_;
    const int w = width_, h = height_;
    switch (buttonType_) {
    case 1:
        PaintCaption(2);
        Paint3DFrame(p.shadow, p.highlight, p.shadow, p.highlight, -1, false);
        Outline(0, 0, w, h, p.darkShadow);
        PaintFocusRect();
        break;
    case 2:
        PaintCaption(2);
        if (showFocusRect_ && ambient_.DisplayAsDefault) {
            Outline(0, 0, w, h, p.darkShadow);
            Outline(1, 1, w - 2, h - 2, p.shadow);
            PaintFocusRect();
        } else {
            Paint3DFrame(p.darkShadow, p.highlight, p.shadow, p.light, 0, false);
        }
        break;
    case 3: {
        const Color base = Sp(p.shadedFace, -32);
        PaintGradient(base, 25, true, true);
        PaintCaption(2);
        Outline(0, 0, w, h, RGB(0, 60, 115));
        Corners(RGB(16, 77, 123));
        Line(2, h - 2, w - 2, h - 2, Sp(base, 16));
        Line(1, h - 3, w - 2, h - 3, Sp(base, 10));
        Line(w - 2, 2, w - 2, h - 2, Sp(base, 5));
        Line(w - 3, 3, w - 3, h - 3, p.shadedFace);
        Line(2, 1, w - 2, 1, Sp(base, -32));
        Line(1, 2, w - 2, 2, Sp(base, -24));
        Line(1, 2, 1, h - 2, Sp(base, -32));
        Line(2, 2, 2, h - 2, Sp(base, -22));
        break;
    }
    case 4: {
        const Color sunk = S(p.shadow, -16);
        Fill(1, 1, w - 2, h - 2, sunk);
        // The caption's effect copies take the sunken face as their base for this one paint.
        palette_.shadedFace = sunk;
        PaintCaption(2);
        palette_.shadedFace = S(p.face, 48);
        Outline(0, 0, w, h, p.darkShadow);
        Outline(1, 1, w - 2, h - 2, S(p.shadow, -64));
        Outline(2, 2, w - 4, h - 4, S(p.shadow, -32));
        Pixel(2, 2, S(p.shadow, -64));
        Pixel(3, 3, S(p.shadow, -32));
        Corners(p.darkShadow);
        Line(w - 3, 1, w - 3, h - 3, p.shadow);
        Line(1, h - 3, w - 2, h - 3, p.shadow);
        Pixel(w - 4, h - 4, p.shadow);
        Line(w - 2, 3, w - 2, h - 2, S(p.shadow, -16));
        Line(3, h - 2, w - 2, h - 2, S(p.shadow, -16));
        Line(w - 2, h - 3, w - 4, h - 1, S(p.shadow, -32));
        Pixel(2, h - 2, S(p.shadow, -32));
        Pixel(w - 2, 2, S(p.shadow, -32));
        break;
    }
    case 5:
        Fill(1, 1, w - 2, h - 2, S(p.shadow, 16));
        Outline(0, 0, w - 1, h - 1, S(p.shadow, -26));
        Line(w - 1, 1, w - 1, h, p.highlight);
        Line(1, h - 1, w - 1, h - 1, p.highlight);
        DrawCaptionText(captionRect_, p.hoverText);
        if (hasFocus_ && showFocusRect_)
            PaintCaptionBox();
        break;
    case 6:
        PaintCaption(2);
        Paint3DFrame(p.shadow, S(p.light, 8), p.shadow, S(p.light, 8), 0, false);
        PaintFocusRect();
        break;
    case 7:
    case 8:
        PaintCaption(2);
        Paint3DFrame(p.shadow, p.highlight, p.shadow, p.highlight, 0, true);
        PaintFocusRect();
        break;
    case 9:
        if (isOver_)
            Fill(0, 0, w, h,
                 colorScheme_ == 2 ? S(p.accentFill, -32) : TintTowardWhite(p.accent, 128));
        PaintCaption(2);
        Outline(0, 0, w, h, p.accent);
        PaintFocusRect();
        break;
    case 11:
        CopyBackground();
        PaintCaption(2);
        PaintFocusRect();
        break;
    case 12:
        PaintCaption(2);
        Paint3DFrame(p.darkShadow, p.highlight, p.shadow, p.light, 0, false);
        PaintFocusRect();
        break;
    case 13:
        EllipseShape(0, 0, w, h, p.darkShadow, S(p.face, -32));
        PaintCaption(2);
        break;
    case 14:
        Fill(1, 1, w, h, S(p.face, -9));
        Outline(0, 0, w, h, S(p.shadow, -48));
        Line(2, h - 2, w - 2, h - 2, p.highlight);
        Line(w - 2, 2, w - 2, h - 1, p.highlight);
        PaintCaption(7);
        PaintFocusRect();
        break;
    default:
        break;
    }
}

void chameleonButton::DrawNormalLook() {
    const ButtonPalette& p = palette_;
    const int w = width_, h = height_;
    switch (buttonType_) {
    case 1:
        PaintCaption(CaptionHover());
        Paint3DFrame(p.highlight, p.shadow, p.highlight, p.shadow, -1, false);
        Outline(0, 0, w, h, p.darkShadow);
        PaintFocusRect();
        break;
    case 2:
        PaintCaption(CaptionHover());
        if (showFocusRect_ && ambient_.DisplayAsDefault) {
            Paint3DFrame(p.highlight, p.darkShadow, p.light, p.shadow, -1, false);
            PaintFocusRect();
            Outline(0, 0, w, h, p.darkShadow);
        } else {
            Paint3DFrame(p.highlight, p.darkShadow, p.light, p.shadow, 0, false);
        }
        break;
    case 3:
        PaintGradient(p.shadedFace, 25, true, false);
        PaintCaption(CaptionHover());
        Outline(0, 0, w, h, RGB(0, 60, 115));
        Corners(RGB(16, 77, 123));
        PaintStyle3Rim();
        break;
    case 4:
        Fill(1, 1, w - 2, h - 2, p.light);
        PaintCaption(CaptionHover());
        PaintStyle4Rim();
        break;
    case 5:
        Fill(1, 1, w - 1, h - 1, S(p.face, 12));
        PaintCaption(CaptionHover());
        Outline(1, 1, w - 1, h - 1, p.highlight);
        Outline(0, 0, w - 1, h - 1, S(p.shadow, -26));
        Pixel(1, h - 2, S(p.shadow, 26));
        Pixel(w - 2, 1, S(p.shadow, 26));
        if (hasFocus_ && showFocusRect_)
            PaintCaptionBox();
        break;
    case 6:
        PaintCaption(CaptionHover());
        Paint3DFrame(S(p.light, 8), p.shadow, S(p.light, 8), p.shadow, 0, false);
        PaintFocusRect();
        break;
    case 7:
        PaintCaption(CaptionHover());
        Paint3DFrame(p.highlight, p.shadow, p.highlight, p.shadow, 0, true);
        PaintFocusRect();
        break;
    case 8:
        PaintCaption(CaptionHover());
        if (isOver_)
            Paint3DFrame(p.highlight, p.shadow, p.highlight, p.shadow, 0, true);
        PaintFocusRect();
        break;
    case 9:
        if (isOver_)
            Fill(1, 1, w, h, p.accentFill);
        PaintCaption(CaptionHover());
        if (isOver_)
            Outline(0, 0, w, h, p.accent);
        PaintFocusRect();
        break;
    case 11:
        CopyBackground();
        PaintCaption(CaptionHover());
        PaintFocusRect();
        break;
    case 12:
        PaintCaption(CaptionHover());
        if (isOver_)
            Paint3DFrame(p.highlight, p.darkShadow, p.light, p.shadow, 0, false);
        PaintFocusRect();
        break;
    case 13:
        EllipseShape(0, 0, w, h, isOver_ ? p.shadow : p.face, p.face);
        PaintCaption(CaptionHover());
        break;
    case 14:
        if (isOver_)
            Fill(0, 0, w, h, p.light);
        else
            PaintGradient(p.highlight, 58, false, false);
        if (ambient_.DisplayAsDefault) {
            // The default button's caption is bold: laid out and drawn with the bold font,
            // then the font and layout go back, all without painting in between.
            const bool allowed = std::exchange(drawingAllowed_, false);
            const bool bold = font_.bold;
            font_.bold = true;
            qfont_ = ToQFont(font_);
            LayoutCaption();
            PaintCaption(CaptionHover());
            font_.bold = bold;
            qfont_ = ToQFont(font_);
            LayoutCaption();
            drawingAllowed_ = allowed;
        } else {
            PaintCaption(CaptionHover());
        }
        Outline(0, 0, w, h, S(p.shadow, -50));
        Outline(1, 1, w - 2, h - 2, S(p.face, -9));
        Fill(2, 2, w - 4, 2, p.highlight);
        Fill(2, 4, 2, h - 6, p.highlight);
        PaintFocusRect();
        break;
    default: // style 10 and unknown styles: face and pictures only
        break;
    }
}

} // namespace corvane::controls

// The ten looks of the progress bar, selected by `Scrolling`. DrawProgressBar has filled the client
// area and measured it (left 0, top 0, right W, bottom H) before a look runs; each look sets the
// fill rectangle's right edge (or, vertically, its top) to where the filled part ends.

#include "controls/XP_ProgressBar.h"

#include <QPainter>

#include <cmath>

namespace corvane::controls {

using platform::Canvas;
using platform::Color;
using platform::RECT;

namespace {

/// Rounds to the nearest integer, halves to the even neighbour.
int Round(double v) {
    return static_cast<int>(std::nearbyint(v));
}

constexpr Color kWhite = platform::RGB(255, 255, 255);
constexpr Color kBlack = platform::RGB(0, 0, 0);
constexpr Color kSilver = platform::RGB(0xC0, 0xC0, 0xC0);

/// The looks by `Scrolling` value.
enum Look : int {
    kSegmented = 0,
    kContinuous = 1,
    kSearching = 2,
    kFlat = 3,
    kEtched = 4,
    kGradient = 5,
    kDark = 6,
    kHatched = 7,
    kPicture = 8,
    kGlass = 9,
};

/// The look a `Scrolling` value draws: any value outside 0..9 draws like the continuous bar.
int LookOf(int scrolling) {
    return scrolling < kSegmented || scrolling > kGlass ? kContinuous : scrolling;
}

/// A colour word written as 0xBBGGRR.
constexpr Color Word(std::uint32_t w) {
    return Color(w);
}

} // namespace

void XP_ProgressBar::DrawLook(Canvas& dc) {
    switch (LookOf(scrolling_)) {
    case kFlat:
        DrawFlatLook(dc);
        return;
    case kEtched:
        DrawEtchedLook(dc);
        return;
    case kGradient:
        DrawGradientLook(dc);
        return;
    case kDark:
        DrawDarkLook(dc);
        return;
    case kHatched:
        DrawHatchLook(dc);
        return;
    case kPicture:
        DrawPictureLook(dc);
        return;
    case kGlass:
        DrawGlassLook(dc);
        rcClient_.left += 3;
        DrawXPFrame(dc);
        return;
    default:
        CalcXPBar();
        DrawXPBody(dc);
        if (LookOf(scrolling_) == kSegmented)
            DrawXPSegments(dc);
        DrawXPFrame(dc);
        return;
    }
}

// ---------------------------------------------------------------------------------------------
// The XP looks (0, 1, 2)

void XP_ProgressBar::CalcXPBar() {
    segmentWidth_ = LookOf(scrolling_) == kSegmented ? 6 : 0;
    gap_ = 2;
    rcClient_.left += 3;
    rcFill_ = rcClient_;
    // 98, not 100: the fill reaches the right end at 98 percent. There is no upper cap.
    double f = percent_ / 98.0;
    if (f < 0)
        f = 0;
    const int W = rcClient_.right, H = rcClient_.bottom;
    const int pitch = segmentWidth_ + gap_;
    if (orientation_ == 0) {
        const int m = Round((W - 3) * f + 3);
        // The remainder keeps the dividend's sign, as the fill snaps onto the segment grid.
        int right = m - ((m - 3) % pitch);
        if (right < 3)
            right = 3;
        rcFill_.right = right;
    } else {
        f = 1 - f;
        const int m = Round(H * f);
        // (m - H) is at most 0, so its remainder moves the top down onto the grid.
        int top = m - ((m - H) % pitch);
        if (top > H)
            top = H;
        rcFill_.top = top;
    }
}

void XP_ProgressBar::DrawXPBody(Canvas& dc) {
    const int W = rcClient_.right, H = rcClient_.bottom;
    const bool searching = LookOf(scrolling_) == kSearching;
    if (orientation_ == 0) {
        if (rcFill_.right <= 14)
            rcFill_.right = 12;
        const RECT body{4, 8, W < rcFill_.right + 4 ? rcFill_.right - 4 : rcFill_.right, H - 8};
        if (searching) {
            // Three 10-pixel blocks on a 12-pixel pitch, each darker than the one before,
            // sliding right as the percentage grows.
            for (int k = 0; k < 3; ++k) {
                const int left = Round(rcFill_.right + 12 * k - (100 - percent_) / 100.0 * 45);
                Gradient(LightenColor(color_, 220 - 40 * k), LightenColor(color_, 200 - 40 * k),
                         left, 3, 9, H - 2, dc, true);
            }
            return;
        }
        const platform::Color light = LightenColor(color_, 150);
        Gradient(light, color_, 4, 3, body.right, 6, dc, false);
        FillColorRect(body, color_, dc);
        Gradient(color_, light, 4, H - 10, body.right, 6, dc, false);
        return;
    }
    const RECT body{9, rcFill_.top, W - 8, H};
    if (searching) {
        for (int k = 0; k < 3; ++k) {
            const int top = rcFill_.top + 12 * k;
            Gradient(LightenColor(color_, 220 - 40 * k), LightenColor(color_, 200 - 40 * k), W - 2,
                     top, 2, 9, dc, false);
        }
        return;
    }
    const platform::Color light = LightenColor(color_, 150);
    Gradient(light, color_, 4, rcFill_.top, 4, H, dc, true);
    FillColorRect(body, color_, dc);
    Gradient(color_, light, W - 8, rcFill_.top, 4, H, dc, true);
}

void XP_ProgressBar::DrawXPSegments(Canvas& dc) {
    const platform::Brush white = platform::CreateSolidBrush(kWhite);
    RECT gap = rcClient_; // the shifted client rectangle (3, 0, W, H)
    const int step = segmentWidth_ + gap_;
    if (orientation_ == 0) {
        for (int x = rcFill_.left + segmentWidth_; x <= rcFill_.right; x += step) {
            gap.left = x + 1;
            gap.right = x + 3;
            platform::FillRect(dc, gap, white);
        }
        return;
    }
    for (int y = rcFill_.bottom; y >= rcFill_.top + segmentWidth_; y -= step) {
        gap.top = y - 2;
        gap.bottom = y;
        platform::FillRect(dc, gap, white);
    }
}

void XP_ProgressBar::DrawXPFrame(Canvas& dc) {
    rcClient_.left -= 3;
    const int W = rcClient_.right, H = rcClient_.bottom;
    DrawLine(2, 1, W - 2, 1, dc, Word(0xBEBEBE));
    DrawLine(2, H - 2, W - 2, H - 2, dc, Word(0xEFEFEF));
    DrawLine(1, 2, 1, H - 2, dc, Word(0xBEBEBE));
    DrawLine(2, 2, 2, H - 2, dc, Word(0xEFEFEF));
    DrawLine(2, 2, W - 2, 2, dc, Word(0xEFEFEF));
    DrawLine(W - 2, 2, W - 2, H - 2, dc, Word(0xEFEFEF));
    DrawFrameRect(rcClient_, TranslateColor(Word(0x686868)), dc);
    // The corners are shaded pixel by pixel: the left-hand corners first, then the right.
    struct Pixel {
        int x, y;
        std::uint32_t colour;
    };
    const Pixel corners[] = {
        {0, 0, 0xFFFFFF},         {0, 1, 0xA6ABAC},         {0, 2, 0x7D7E7F},
        {1, 0, 0xA7ABAC},         {1, 1, 0x777777},         {2, 0, 0x7D7E7F},
        {2, 2, 0xBEBEBE},         {0, H - 1, 0xFFFFFF},     {1, H - 1, 0xA6ABAC},
        {2, H - 1, 0x7D7E7F},     {0, H - 3, 0x7D7E7F},     {0, H - 2, 0xA7ABAC},
        {1, H - 2, 0x777777},     {W - 1, 0, 0xFFFFFF},     {W - 1, 1, 0xBEBEBE},
        {W - 1, 2, 0x7D7E7F},     {W - 2, 2, 0xBEBEBE},     {W - 2, 1, 0x686868},
        {W - 1, H - 1, 0xFFFFFF}, {W - 1, H - 2, 0xBEBEBE}, {W - 1, H - 3, 0x7D7E7F},
        {W - 2, H - 2, 0x777777}, {W - 2, H - 1, 0xBEBEBE}, {W - 3, H - 1, 0x7D7E7F},
    };
    for (const Pixel& p : corners)
        platform::SetPixelV(dc, p.x, p.y, TranslateColor(Word(p.colour)));
}

// ---------------------------------------------------------------------------------------------
// The other looks

void XP_ProgressBar::DrawFlatLook(Canvas& dc) {
    const int W = rcClient_.right, H = rcClient_.bottom;
    DrawFrameRect(rcClient_, LightenColor(color_, 100), dc);
    rcFill_ = RECT{1, 1, Round(percent_ / 100.0 * W), H - 1};
    // At 0 % the fill ends left of where it starts and the bar shows no fill; FillRect would
    // fill a reversed rectangle's normalised extent.
    if (rcFill_.right > rcFill_.left)
        FillColorRect(rcFill_, LightenColor(color_, 180), dc);
}

void XP_ProgressBar::DrawEtchedLook(Canvas& dc) {
    const int W = rcClient_.right, H = rcClient_.bottom;
    RECT edge = rcClient_;
    platform::DrawEdge(dc, edge, platform::EDGE_ETCHED, platform::BF_RECT);
    const int x = Round(percent_ / 100.0 * (W - 4));
    rcFill_.right = x;
    Gradient(LightenColor(color_, 140), LightenColor(color_, 200), 2, 2, x, H - 3, dc, true);
}

void XP_ProgressBar::DrawGradientLook(Canvas& dc) {
    const int W = rcClient_.right, H = rcClient_.bottom;
    DrawFrameRect(rcClient_, LightenColor(color_, 10), dc);
    // 101, not 100: the fill stops short of the frame at 100 percent.
    const int x = Round(percent_ / 101.0 * W);
    rcFill_.right = x;
    Gradient(color_, LightenColor(color_, 100), 2, 2, W - 2, H - 5, dc, false);
    Gradient(LightenColor(color_, 250), color_, 3, 3, x, H - 6, dc, false);
    DrawLine(x, 2, x, H - 2, dc, LightenColor(color_, 25));
}

void XP_ProgressBar::DrawDarkLook(Canvas& dc) {
    const int W = rcClient_.right, H = rcClient_.bottom;
    DrawFrameRect(rcClient_, BlendColors(color_, kBlack, 200), dc);
    const platform::Color end = LightenColor(TranslateColor(BlendColors(color_, kBlack, 100)), 10);
    const int x = Round(percent_ / 100.0 * (W - 5));
    rcFill_.right = x;
    Gradient(kBlack, end, 2, 2, x, H - 2, dc, true);
}

void XP_ProgressBar::DrawHatchLook(Canvas& dc) {
    const int W = rcClient_.right, H = rcClient_.bottom;
    RECT edge = rcClient_;
    platform::DrawEdge(dc, edge, platform::EDGE_BUMP, platform::BF_RECT);
    rcFill_ = RECT{2, 2, Round(percent_ / 101.0 * W), H - 2};
    // A hatch style outside the six patterns makes no brush, so nothing is filled.
    if (brushStyle_ < platform::HS_HORIZONTAL || brushStyle_ > platform::HS_DIAGCROSS)
        return;
    const platform::Brush brush = platform::CreateHatchBrush(brushStyle_, TranslateColor(color_));
    dc.SetBkColor(LightenColor(color_, 140));
    // As in the flat look, a fill that ends left of its start (0 %) paints nothing.
    if (rcFill_.right > rcFill_.left)
        platform::FillRect(dc, rcFill_, brush);
}

void XP_ProgressBar::DrawPictureLook(Canvas& dc) {
    const int W = rcClient_.right, H = rcClient_.bottom;
    RECT edge = rcClient_;
    platform::DrawEdge(dc, edge, platform::BDR_SUNKENOUTER, platform::BF_RECT);
    if (image_.IsNone())
        return;
    // A pattern has no transparency: an icon's see-through pixels show the bar's white.
    QImage pattern = image_.image;
    if (image_.type == platform::Picture::Type::Icon) {
        pattern = QImage(image_.image.size(), QImage::Format_RGB32);
        pattern.fill(Qt::white);
        QPainter(&pattern).drawImage(0, 0, image_.image);
    }
    const platform::Brush previous = dc.SelectBrush(platform::CreatePatternBrush(pattern));
    const int x = Round(percent_ / 101.0 * W);
    rcFill_.right = x;
    platform::PatBlt(dc, 2, 2, x, H - 4, platform::PATCOPY);
    dc.SelectBrush(previous);
}

void XP_ProgressBar::DrawGlassLook(Canvas& dc) {
    const int W = rcClient_.right, H = rcClient_.bottom;
    const int x = Round(percent_ / 100.0 * (W - 4));
    rcFill_.right = x;
    const int h = Round((H - 3) / 2.0);
    Gradient(kWhite, kSilver, 2, 2, W - 3, h, dc, false);
    Gradient(kSilver, kSilver, 2, h, W - 3, h, dc, false);
    Gradient(LightenColor(color_, 150), BlendColors(color_, kBlack, 180), 2, 2, x, h, dc, false);
    Gradient(BlendColors(color_, kBlack, 190), color_, 2, h, x, h, dc, false);
}

} // namespace corvane::controls

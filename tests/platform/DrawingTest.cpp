// Pixel rules of the canvas: each primitive's edges, clipping and colours.

#include "platform/widgets/drawing.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

#include <gtest/gtest.h>

namespace corvane::platform {
namespace {

constexpr Color kWhite = RGB(255, 255, 255);
constexpr Color kRed = RGB(255, 0, 0);
constexpr Color kBlue = RGB(0, 0, 255);

/// Counts the pixels of the canvas that have the colour.
int Count(const Canvas& dc, Color c) {
    int n = 0;
    for (int y = 0; y < dc.Height(); ++y)
        for (int x = 0; x < dc.Width(); ++x)
            n += GetPixel(dc, x, y) == c ? 1 : 0;
    return n;
}

TEST(DrawingColor, ChannelsAndSystemColours) {
    const Color c = RGB(1, 2, 3);
    EXPECT_EQ(c.Value(), 0x030201u);
    EXPECT_EQ(c.Red(), 1);
    EXPECT_EQ(c.Green(), 2);
    EXPECT_EQ(c.Blue(), 3);
    EXPECT_EQ(RGB(300, -4, 255).Value(), 0xFF00FFu);
    EXPECT_EQ(c.ToQColor(), QColor(1, 2, 3));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(236, 233, 216));
    EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), RGB(172, 168, 153));
    EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), RGB(255, 255, 255));
    EXPECT_EQ(GetSysColor(COLOR_3DDKSHADOW), RGB(113, 111, 100));
    EXPECT_EQ(GetSysColor(COLOR_3DLIGHT), RGB(241, 239, 226));
    EXPECT_EQ(GetSysColor(COLOR_BTNTEXT), RGB(0, 0, 0));
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), RGB(49, 106, 197));
    EXPECT_EQ(OleTranslateColor(Color(0x8000000Fu)), RGB(236, 233, 216));
    EXPECT_EQ(OleTranslateColor(RGB(9, 8, 7)), RGB(9, 8, 7));
    EXPECT_EQ(Color(0x80000012u).ToQColor(), QColor(0, 0, 0));
}

TEST(DrawingFill, RightAndBottomEdgesExcluded) {
    Canvas dc(10, 10, kWhite);
    FillRect(dc, RECT{2, 3, 5, 7}, CreateSolidBrush(kRed));
    EXPECT_EQ(GetPixel(dc, 2, 3), kRed);
    EXPECT_EQ(GetPixel(dc, 4, 6), kRed);
    EXPECT_EQ(GetPixel(dc, 5, 3), kWhite);
    EXPECT_EQ(GetPixel(dc, 2, 7), kWhite);
    EXPECT_EQ(Count(dc, kRed), 12);
}

TEST(DrawingFill, ClipsToCanvasAndRegionAndSkipsEmpty) {
    Canvas dc(6, 6, kWhite);
    FillRect(dc, RECT{-5, -5, 2, 2}, CreateSolidBrush(kRed));
    EXPECT_EQ(Count(dc, kRed), 4);
    FillRect(dc, RECT{4, 4, 4, 9}, CreateSolidBrush(kBlue)); // empty
    EXPECT_EQ(Count(dc, kBlue), 0);
    // A reversed rectangle is a negative extent: it fills the pixels from right + 1 up to left
    // (here columns and rows 4 and 5), as a pattern copy with those extents does.
    FillRect(dc, RECT{5, 5, 3, 3}, CreateSolidBrush(kBlue));
    EXPECT_EQ(Count(dc, kBlue), 4);
    EXPECT_EQ(GetPixel(dc, 4, 4), kBlue);
    EXPECT_EQ(GetPixel(dc, 5, 5), kBlue);
    Canvas viaFill(6, 6, kWhite), viaBlt(6, 6, kWhite);
    FillRect(viaFill, RECT{5, 5, 3, 3}, CreateSolidBrush(kBlue));
    viaBlt.SelectBrush(CreateSolidBrush(kBlue));
    PatBlt(viaBlt, 5, 5, -2, -2, PATCOPY);
    EXPECT_EQ(viaBlt.Image(), viaFill.Image());
    FillRect(dc, RECT{0, 0, 6, 6}, CreateSolidBrush(kWhite));
    const Region clip = CreateRectRgn(3, 0, 4, 6);
    SelectClipRgn(dc, &clip);
    FillRect(dc, RECT{0, 0, 6, 6}, CreateSolidBrush(kBlue));
    EXPECT_EQ(Count(dc, kBlue), 6);
    EXPECT_EQ(GetPixel(dc, 2, 2), Color(0xFFFFFFFFu)); // outside the clip: CLR_INVALID
    SelectClipRgn(dc, nullptr);
    EXPECT_EQ(GetPixel(dc, 2, 2), kWhite);
}

TEST(DrawingFrame, OnePixelBorderInside) {
    Canvas dc(8, 8, kWhite);
    FrameRect(dc, RECT{1, 1, 6, 5}, CreateSolidBrush(kRed));
    EXPECT_EQ(GetPixel(dc, 1, 1), kRed);
    EXPECT_EQ(GetPixel(dc, 5, 1), kRed);
    EXPECT_EQ(GetPixel(dc, 5, 4), kRed);
    EXPECT_EQ(GetPixel(dc, 1, 4), kRed);
    EXPECT_EQ(GetPixel(dc, 6, 1), kWhite);
    EXPECT_EQ(GetPixel(dc, 1, 5), kWhite);
    EXPECT_EQ(GetPixel(dc, 3, 3), kWhite);
    EXPECT_EQ(Count(dc, kRed), 2 * 5 + 2 * 2);
}

TEST(DrawingLine, EndPointExcludedInEveryDirection) {
    Canvas dc(10, 10, kWhite);
    dc.SelectPen(CreatePen(PS_SOLID, 1, kRed));
    MoveToEx(dc, 1, 1, nullptr);
    LineTo(dc, 5, 1);
    EXPECT_EQ(GetPixel(dc, 1, 1), kRed);
    EXPECT_EQ(GetPixel(dc, 4, 1), kRed);
    EXPECT_EQ(GetPixel(dc, 5, 1), kWhite);
    EXPECT_EQ(dc.Position().x, 5);
    // Upward and leftward lines stop short of their end too.
    MoveToEx(dc, 8, 8, nullptr);
    LineTo(dc, 8, 3);
    EXPECT_EQ(GetPixel(dc, 8, 8), kRed);
    EXPECT_EQ(GetPixel(dc, 8, 4), kRed);
    EXPECT_EQ(GetPixel(dc, 8, 3), kWhite);
    MoveToEx(dc, 6, 9, nullptr);
    LineTo(dc, 2, 9);
    EXPECT_EQ(GetPixel(dc, 3, 9), kRed);
    EXPECT_EQ(GetPixel(dc, 2, 9), kWhite);
    // A diagonal line.
    Canvas d2(5, 5, kWhite);
    d2.SelectPen(CreatePen(PS_SOLID, 1, kBlue));
    MoveToEx(d2, 0, 0, nullptr);
    LineTo(d2, 3, 3);
    EXPECT_EQ(GetPixel(d2, 2, 2), kBlue);
    EXPECT_EQ(GetPixel(d2, 3, 3), kWhite);
    EXPECT_EQ(Count(d2, kBlue), 3);
    // A line of length zero draws nothing; a null pen draws nothing.
    LineTo(d2, 3, 3);
    d2.SelectPen(CreatePen(PS_NULL, 1, kRed));
    LineTo(d2, 0, 3);
    EXPECT_EQ(Count(d2, kBlue), 3);
    EXPECT_EQ(Count(d2, kRed), 0);
}

TEST(DrawingPixel, SetAndGetClipped) {
    Canvas dc(3, 3, kWhite);
    SetPixelV(dc, 1, 2, kBlue);
    SetPixelV(dc, 3, 0, kBlue);
    SetPixelV(dc, -1, 0, kBlue);
    EXPECT_EQ(GetPixel(dc, 1, 2), kBlue);
    EXPECT_EQ(Count(dc, kBlue), 1);
    EXPECT_EQ(GetPixel(dc, 3, 0), Color(0xFFFFFFFFu));
}

TEST(DrawingEllipse, InsideFramePenStaysInsideAndSolidPenStraddlesTheOutline) {
    // PS_INSIDEFRAME keeps the whole stroke inside the box yet reaches each of its sides; the
    // same pen as PS_SOLID is centred on the outline, so half of it falls outside the box.
    constexpr int kSide = 41, kCentre = 20;
    constexpr RECT kBox{5, 5, 36, 36};
    for (const int width : {2, 3, 4, 5}) {
        for (const int style : {PS_INSIDEFRAME, PS_SOLID}) {
            Canvas dc(kSide, kSide, kWhite);
            dc.SelectPen(CreatePen(style, width, kRed));
            dc.SelectBrush(CreateSolidBrush(kBlue));
            Ellipse(dc, kBox.left, kBox.top, kBox.right, kBox.bottom);
            const std::string what =
                (style == PS_SOLID ? "solid " : "inside frame ") + std::to_string(width);
            RECT painted{kSide, kSide, 0, 0};
            for (int y = 0; y < kSide; ++y)
                for (int x = 0; x < kSide; ++x)
                    if (GetPixel(dc, x, y) != kWhite)
                        painted =
                            RECT{std::min(painted.left, x), std::min(painted.top, y),
                                 std::max(painted.right, x + 1), std::max(painted.bottom, y + 1)};
            RECT expected = kBox;
            if (style == PS_SOLID)
                expected = RECT{kBox.left - width / 2, kBox.top - width / 2,
                                kBox.right + (width - 1) / 2, kBox.bottom + (width - 1) / 2};
            EXPECT_EQ(painted.left, expected.left) << what;
            EXPECT_EQ(painted.top, expected.top) << what;
            EXPECT_EQ(painted.right, expected.right) << what;
            EXPECT_EQ(painted.bottom, expected.bottom) << what;
            // The stroke is the pen's width where the outline runs straight up or across, as it
            // does around a circle's axes.
            EXPECT_EQ(GetPixel(dc, expected.left + width - 1, kCentre), kRed) << what;
            EXPECT_EQ(GetPixel(dc, expected.left + width, kCentre), kBlue) << what;
            EXPECT_EQ(GetPixel(dc, kCentre, expected.top + width - 1), kRed) << what;
            EXPECT_EQ(GetPixel(dc, kCentre, expected.top + width), kBlue) << what;
        }
    }
}

TEST(DrawingEllipse, DegenerateBoxesDrawNothingAndTheOutlineRingsTheFill) {
    Canvas dc(12, 8, kWhite);
    dc.SelectPen(CreatePen(PS_SOLID, 1, kRed));
    dc.SelectBrush(CreateSolidBrush(kBlue));
    Ellipse(dc, 1, 1, 1, 1);
    Ellipse(dc, 3, 1, 4, 2);
    Ellipse(dc, 5, 1, 5, 6);
    Rectangle(dc, 7, 1, 8, 2);
    Rectangle(dc, 9, 1, 9, 6);
    EXPECT_EQ(Count(dc, kWhite), 12 * 8);
    // Every pen pixel of a filled ellipse touches the outside or the fill, never only pen.
    Ellipse(dc, 1, 1, 11, 7);
    for (int y = 1; y < 7; ++y)
        for (int x = 1; x < 11; ++x) {
            if (GetPixel(dc, x, y) != kBlue)
                continue;
            for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
                EXPECT_NE(GetPixel(dc, x + dx, y + dy), kWhite) << x << "," << y;
        }
    EXPECT_GT(Count(dc, kBlue), 0);
}

TEST(DrawingEllipse, EverySizeIsSymmetricConvexAndTouchesItsBoxFromInside) {
    // The shape must be right for any box a control may ask for, not only for a few known
    // sizes: mirror symmetric in both axes, one run per row, rows widening towards the middle,
    // inside the box and reaching each of its sides.
    constexpr int kMargin = 2;
    for (int w = 1; w <= 64; ++w)
        for (int h = 1; h <= 64; ++h) {
            if (w == 1 && h == 1)
                continue; // a single pixel draws nothing
            Canvas dc(w + 2 * kMargin, h + 2 * kMargin, kWhite);
            dc.SelectPen(CreatePen(PS_SOLID, 1, kRed));
            dc.SelectBrush(CreateSolidBrush(kBlue));
            Ellipse(dc, kMargin, kMargin, kMargin + w, kMargin + h);
            const std::string size = std::to_string(w) + "x" + std::to_string(h);
            int prevWidth = 0, widest = 0;
            for (int y = 0; y < dc.Height(); ++y) {
                int first = -1, last = -1, count = 0;
                for (int x = 0; x < dc.Width(); ++x) {
                    const Color c = GetPixel(dc, x, y);
                    ASSERT_EQ(c, GetPixel(dc, dc.Width() - 1 - x, y))
                        << size << " " << x << "," << y;
                    ASSERT_EQ(c, GetPixel(dc, x, dc.Height() - 1 - y))
                        << size << " " << x << "," << y;
                    if (c == kWhite)
                        continue;
                    first = first < 0 ? x : first;
                    last = x;
                    ++count;
                }
                const bool inBox = y >= kMargin && y < kMargin + h;
                ASSERT_EQ(count > 0, inBox) << size << " row " << y;
                if (count == 0)
                    continue;
                ASSERT_EQ(count, last - first + 1) << size << " row " << y << " has a gap";
                ASSERT_GE(first, kMargin) << size << " row " << y;
                // Rows widen until the middle and narrow after it.
                if (y < kMargin + h / 2) {
                    ASSERT_GE(count, prevWidth) << size << " row " << y;
                }
                prevWidth = count;
                widest = std::max(widest, count);
            }
            EXPECT_EQ(widest, w) << size;
            // The fill never reaches the box's border: the pen rings it.
            for (const int x : {kMargin, kMargin + w - 1}) {
                for (int y = 0; y < dc.Height(); ++y)
                    ASSERT_NE(GetPixel(dc, x, y), kBlue) << size << " " << x << "," << y;
            }
            // An elliptic region one pixel larger (it leaves out its right column and bottom
            // row) is exactly what Ellipse painted: the oval button's window relies on it.
            const Region region =
                CreateEllipticRgn(kMargin, kMargin, kMargin + w + 1, kMargin + h + 1);
            for (int y = 0; y < dc.Height(); ++y)
                for (int x = 0; x < dc.Width(); ++x)
                    ASSERT_EQ(PtInRegion(region, x, y), GetPixel(dc, x, y) != kWhite)
                        << size << " " << x << "," << y;
        }
}

TEST(DrawingLine, SamePixelsInEitherDirectionAndWidePensCoverTheirEnds) {
    // Drawn both ways, a line covers the same pixels apart from its first and last point.
    for (int x1 = 0; x1 <= 8; ++x1)
        for (int y1 = 0; y1 <= 8; ++y1) {
            Canvas there(9, 9, kWhite), back(9, 9, kWhite);
            there.SelectPen(CreatePen(PS_SOLID, 1, kRed));
            back.SelectPen(CreatePen(PS_SOLID, 1, kRed));
            MoveToEx(there, 4, 4, nullptr);
            LineTo(there, x1, y1);
            SetPixelV(there, x1, y1, kRed);
            MoveToEx(back, x1, y1, nullptr);
            LineTo(back, 4, 4);
            SetPixelV(back, 4, 4, kRed);
            ASSERT_EQ(there.Image(), back.Image()) << "to " << x1 << "," << y1;
        }
    // A two-pixel pen is geometric: its round cap covers the end point; length zero is a dot.
    Canvas dc(12, 6, kWhite);
    dc.SelectPen(CreatePen(PS_SOLID, 2, kRed));
    MoveToEx(dc, 2, 2, nullptr);
    LineTo(dc, 6, 2);
    EXPECT_EQ(GetPixel(dc, 6, 2), kRed);
    EXPECT_EQ(GetPixel(dc, 1, 1), kRed);
    EXPECT_EQ(GetPixel(dc, 7, 2), kWhite);
    MoveToEx(dc, 9, 4, nullptr);
    LineTo(dc, 9, 4);
    EXPECT_EQ(Count(dc, kRed), 6 * 2 + 4);
}

TEST(DrawingLine, DotsAndDashesLeaveGapsInTheBackgroundMode) {
    Canvas dc(30, 3, kWhite);
    dc.SetBkColor(kBlue);
    dc.SelectPen(CreatePen(PS_DOT, 1, kRed));
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 30, 0);
    dc.SetBkMode(TRANSPARENT);
    MoveToEx(dc, 0, 1, nullptr);
    LineTo(dc, 30, 1);
    dc.SelectPen(CreatePen(PS_DASH, 1, kRed));
    MoveToEx(dc, 0, 2, nullptr);
    LineTo(dc, 30, 2);
    for (int x = 0; x < 30; ++x) {
        const bool dot = x % 6 < 3;
        EXPECT_EQ(GetPixel(dc, x, 0), dot ? kRed : kBlue) << x;
        EXPECT_EQ(GetPixel(dc, x, 1), dot ? kRed : kWhite) << x;
        EXPECT_EQ(GetPixel(dc, x, 2), x % 24 < 18 ? kRed : kWhite) << x;
    }
}

TEST(DrawingLine, DotPatternRunsOnAcrossJointsUntilTheNextMoveTo) {
    // Pieces joined end to end draw the pattern of one long line, whatever their lengths; a
    // MoveToEx or a newly selected pen starts the pattern over.
    const auto dotted = [](Canvas& dc, int y, std::initializer_list<int> stops) {
        MoveToEx(dc, 0, y, nullptr);
        for (const int x : stops)
            LineTo(dc, x, y);
    };
    for (const int style : {PS_DOT, PS_DASH}) {
        Canvas whole(40, 1, kWhite), pieces(40, 1, kWhite);
        whole.SetBkMode(TRANSPARENT);
        pieces.SetBkMode(TRANSPARENT);
        whole.SelectPen(CreatePen(style, 1, kRed));
        pieces.SelectPen(CreatePen(style, 1, kRed));
        dotted(whole, 0, {40});
        dotted(pieces, 0, {1, 5, 12, 13, 26, 40});
        EXPECT_EQ(pieces.Image(), whole.Image()) << style;
    }
    Canvas dc(20, 2, kWhite);
    dc.SetBkMode(TRANSPARENT);
    dc.SelectPen(CreatePen(PS_DOT, 1, kRed));
    dotted(dc, 0, {4});
    MoveToEx(dc, 4, 1, nullptr);
    LineTo(dc, 8, 1);
    dc.SelectPen(CreatePen(PS_DOT, 1, kRed));
    LineTo(dc, 20, 1);
    for (int x = 4; x < 20; ++x) {
        const int start = x < 8 ? 4 : 8;
        EXPECT_EQ(GetPixel(dc, x, 1), (x - start) % 6 < 3 ? kRed : kWhite) << x;
    }

    // The styles are defined for one-pixel pens: a wider dotted or dashed pen draws solid.
    for (const int style : {PS_DOT, PS_DASH}) {
        Canvas styled(40, 8, kWhite), solid(40, 8, kWhite);
        styled.SelectPen(CreatePen(style, 3, kRed));
        solid.SelectPen(CreatePen(PS_SOLID, 3, kRed));
        dotted(styled, 4, {13, 39});
        dotted(solid, 4, {13, 39});
        EXPECT_EQ(styled.Image(), solid.Image()) << style;
    }

    // A rectangle's outline is one figure: the dots run on around its corners.
    Canvas box(8, 6, kWhite);
    box.SetBkMode(TRANSPARENT);
    box.SelectPen(CreatePen(PS_DOT, 1, kRed));
    box.SelectBrush(NullBrush());
    Rectangle(box, 0, 0, 8, 6);
    std::vector<POINT> around;
    for (int x = 0; x < 7; ++x)
        around.push_back(POINT{x, 0});
    for (int y = 0; y < 5; ++y)
        around.push_back(POINT{7, y});
    for (int x = 7; x > 0; --x)
        around.push_back(POINT{x, 5});
    for (int y = 5; y > 0; --y)
        around.push_back(POINT{0, y});
    for (std::size_t k = 0; k < around.size(); ++k)
        EXPECT_EQ(GetPixel(box, around[k].x, around[k].y), k % 6 < 3 ? kRed : kWhite)
            << around[k].x << "," << around[k].y;
}

TEST(DrawingEdge, RaisedSunkenEtchedBumpColours) {
    const Color light = GetSysColor(COLOR_3DLIGHT), dark = GetSysColor(COLOR_3DDKSHADOW);
    const Color hi = GetSysColor(COLOR_BTNHIGHLIGHT), sh = GetSysColor(COLOR_BTNSHADOW);
    struct Case {
        unsigned edge;
        Color outerTL, outerBR, innerTL, innerBR;
    };
    for (const Case& c :
         {Case{EDGE_RAISED, light, dark, hi, sh}, Case{EDGE_SUNKEN, sh, hi, dark, light},
          Case{EDGE_ETCHED, sh, hi, hi, sh}, Case{EDGE_BUMP, light, dark, dark, light}}) {
        Canvas dc(10, 8, kRed);
        RECT r{0, 0, 10, 8};
        DrawEdge(dc, r, c.edge, BF_RECT);
        EXPECT_EQ(GetPixel(dc, 0, 0), c.outerTL) << c.edge;
        EXPECT_EQ(GetPixel(dc, 8, 0), c.outerTL) << c.edge;
        EXPECT_EQ(GetPixel(dc, 9, 0), c.outerBR) << c.edge; // the far corners are bottom-right's
        EXPECT_EQ(GetPixel(dc, 0, 7), c.outerBR) << c.edge;
        EXPECT_EQ(GetPixel(dc, 9, 7), c.outerBR) << c.edge;
        EXPECT_EQ(GetPixel(dc, 1, 1), c.innerTL) << c.edge;
        EXPECT_EQ(GetPixel(dc, 8, 1), c.innerBR) << c.edge;
        EXPECT_EQ(GetPixel(dc, 8, 6), c.innerBR) << c.edge;
        EXPECT_EQ(GetPixel(dc, 2, 2), kRed) << c.edge; // the middle is left alone
    }
}

TEST(DrawingEdge, SidesMiddleAndAdjust) {
    Canvas dc(6, 6, kRed);
    RECT r{0, 0, 6, 6};
    DrawEdge(dc, r, EDGE_SUNKEN, BF_LEFT | BF_MIDDLE | BF_ADJUST);
    EXPECT_EQ(GetPixel(dc, 0, 2), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(GetPixel(dc, 1, 2), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(GetPixel(dc, 2, 0), GetSysColor(COLOR_BTNFACE)); // no top edge: middle reaches row 0
    EXPECT_EQ(GetPixel(dc, 5, 5), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(r, (RECT{2, 0, 6, 6}));
}

TEST(DrawingBrush, HatchPatternsAlignedToTheCanvas) {
    for (int style = HS_HORIZONTAL; style <= HS_DIAGCROSS; ++style) {
        Canvas dc(16, 16, kWhite);
        dc.SetBkColor(kBlue);
        FillRect(dc, RECT{0, 0, 16, 16}, CreateHatchBrush(style, kRed));
        const std::uint8_t* bits = HatchBits(style);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const bool on = (bits[y & 7] >> (7 - (x & 7))) & 1;
                ASSERT_EQ(GetPixel(dc, x, y), on ? kRed : kBlue) << style << " " << x << "," << y;
            }
    }
    // The six cells: a row, a column, the two diagonals, the cross and the diagonal cross.
    EXPECT_EQ(HatchBits(HS_HORIZONTAL)[3], 0xFF);
    EXPECT_EQ(HatchBits(HS_VERTICAL)[0], 0x08);
    EXPECT_EQ(HatchBits(HS_FDIAGONAL)[0], 0x80);
    EXPECT_EQ(HatchBits(HS_BDIAGONAL)[0], 0x01);
    EXPECT_EQ(HatchBits(HS_CROSS)[3], 0xFF);
    EXPECT_EQ(HatchBits(HS_DIAGCROSS)[3], 0x18);
    // Transparent background mode leaves the gaps alone.
    Canvas dc(8, 8, kWhite);
    dc.SetBkMode(TRANSPARENT);
    FillRect(dc, RECT{0, 0, 8, 8}, CreateHatchBrush(HS_HORIZONTAL, kRed));
    EXPECT_EQ(Count(dc, kRed), 8);
    EXPECT_EQ(Count(dc, kWhite), 56);
}

TEST(DrawingBrush, HatchGapsFollowTheModeInForceAtEachUse) {
    // One hatch brush, selected once, used in OPAQUE mode and then in TRANSPARENT mode: the
    // second use leaves the gaps, whatever the first did. PatBlt follows the mode as FillRect.
    Canvas dc(16, 8, kWhite);
    dc.SetBkColor(kBlue);
    dc.SelectPen(CreatePen(PS_NULL, 1, kRed));
    dc.SelectBrush(CreateHatchBrush(HS_CROSS, kRed));
    Rectangle(dc, 0, 0, 9, 9);
    EXPECT_EQ(GetPixel(dc, 0, 0), kBlue);
    dc.SetBkMode(TRANSPARENT);
    Rectangle(dc, 8, 0, 17, 9);
    EXPECT_EQ(GetPixel(dc, 8, 0), kWhite);
    EXPECT_EQ(GetPixel(dc, 12, 0), kRed);
    Canvas blt(8, 8, kWhite);
    blt.SetBkColor(kBlue);
    blt.SetBkMode(TRANSPARENT);
    blt.SelectBrush(dc.CurrentBrush());
    PatBlt(blt, 0, 0, 8, 8, PATCOPY);
    EXPECT_EQ(Count(blt, kBlue), 0);
    EXPECT_EQ(Count(blt, kRed), 15);
}

TEST(DrawingBrush, PatternBrushTilesFromTheOrigin) {
    QImage pattern(2, 2, QImage::Format_RGB32);
    pattern.setPixel(0, 0, qRgb(255, 0, 0));
    pattern.setPixel(1, 0, qRgb(0, 0, 255));
    pattern.setPixel(0, 1, qRgb(0, 0, 255));
    pattern.setPixel(1, 1, qRgb(255, 0, 0));
    Canvas dc(8, 8, kWhite);
    dc.SelectBrush(CreatePatternBrush(pattern));
    PatBlt(dc, 3, 3, 3, 2, PATCOPY);
    EXPECT_EQ(GetPixel(dc, 3, 3), kRed); // (3 + 3) even: the pattern's (1, 1)
    EXPECT_EQ(GetPixel(dc, 4, 3), kBlue);
    EXPECT_EQ(GetPixel(dc, 6, 3), kWhite);
    EXPECT_EQ(GetPixel(dc, 3, 5), kWhite);
}

TEST(DrawingBlt, PatInvertAndDstInvertUndoThemselves) {
    Canvas dc(4, 4, RGB(10, 20, 30));
    dc.SelectBrush(CreateSolidBrush(RGB(0xF0, 0x0F, 0x55)));
    PatBlt(dc, 0, 0, 4, 4, PATINVERT);
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(10 ^ 0xF0, 20 ^ 0x0F, 30 ^ 0x55));
    PatBlt(dc, 0, 0, 4, 4, PATINVERT);
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(10, 20, 30));
    PatBlt(dc, 1, 1, 1, 1, DSTINVERT);
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(245, 235, 225));
    PatBlt(dc, 0, 0, 4, 1, BLACKNESS);
    EXPECT_EQ(GetPixel(dc, 3, 0), RGB(0, 0, 0));
}

TEST(DrawingBlt, CopiesWithOperationsOverlapAndClipping) {
    Canvas src(4, 1, kWhite);
    for (int x = 0; x < 4; ++x)
        SetPixelV(src, x, 0, RGB(x * 10, 0x0F, 0xF0));
    Canvas dst(6, 2, RGB(0x33, 0x33, 0x33));
    ASSERT_TRUE(BitBlt(dst, 2, 1, 4, 1, src, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(dst, 2, 1), RGB(0, 0x0F, 0xF0));
    EXPECT_EQ(GetPixel(dst, 5, 1), RGB(30, 0x0F, 0xF0));
    EXPECT_EQ(GetPixel(dst, 1, 1), RGB(0x33, 0x33, 0x33));
    BitBlt(dst, 0, 0, 1, 1, src, 3, 0, SRCAND);
    EXPECT_EQ(GetPixel(dst, 0, 0), RGB(30 & 0x33, 0x0F & 0x33, 0xF0 & 0x33));
    BitBlt(dst, 1, 0, 1, 1, src, 3, 0, SRCPAINT);
    EXPECT_EQ(GetPixel(dst, 1, 0), RGB(30 | 0x33, 0x0F | 0x33, 0xF0 | 0x33));
    BitBlt(dst, 2, 0, 1, 1, src, 3, 0, SRCINVERT);
    EXPECT_EQ(GetPixel(dst, 2, 0), RGB(30 ^ 0x33, 0x0F ^ 0x33, 0xF0 ^ 0x33));
    // A source rectangle partly off the source copies only what exists.
    Canvas d2(4, 1, kWhite);
    BitBlt(d2, 0, 0, 4, 1, src, 2, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(d2, 1, 0), RGB(30, 0x0F, 0xF0));
    EXPECT_EQ(GetPixel(d2, 2, 0), kWhite);
    // A canvas scrolled onto itself by one pixel keeps every value (the copy reads first).
    BitBlt(src, 1, 0, 3, 1, src, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(src, 1, 0), RGB(0, 0x0F, 0xF0));
    EXPECT_EQ(GetPixel(src, 3, 0), RGB(20, 0x0F, 0xF0));
}

TEST(DrawingRegion, ShapesAndCombination) {
    const Region rect = CreateRectRgn(0, 0, 10, 6);
    EXPECT_EQ(rect.Kind(), SIMPLEREGION);
    EXPECT_TRUE(PtInRegion(rect, 9, 5));
    EXPECT_FALSE(PtInRegion(rect, 10, 5));

    const Region oval = CreateEllipticRgn(0, 0, 20, 10);
    EXPECT_FALSE(PtInRegion(oval, 0, 0));
    EXPECT_FALSE(PtInRegion(oval, 19, 9));
    EXPECT_TRUE(PtInRegion(oval, 0, 5));
    EXPECT_TRUE(PtInRegion(oval, 9, 0));
    EXPECT_TRUE(PtInRegion(oval, 9, 8));
    // Like every GDI rectangle, the box leaves out its right column and bottom row.
    EXPECT_FALSE(PtInRegion(oval, 9, 9));
    EXPECT_EQ(oval.Box(), (RECT{0, 0, 19, 9}));

    const Region round = CreateRoundRectRgn(0, 0, 20, 20, 6, 6);
    EXPECT_FALSE(PtInRegion(round, 0, 0));
    EXPECT_TRUE(PtInRegion(round, 3, 0));
    EXPECT_TRUE(PtInRegion(round, 0, 10));
    EXPECT_FALSE(PtInRegion(round, 19, 19));

    const Region triangle = CreatePolygonRgn({{0, 0}, {10, 0}, {0, 10}}, ALTERNATE);
    EXPECT_TRUE(PtInRegion(triangle, 1, 1));
    EXPECT_FALSE(PtInRegion(triangle, 8, 8));
    // A pixel belongs to a polygon when its grid point does: (4, 6) lies on the slanted right
    // edge and stays out, (4, 4) lies inside.
    EXPECT_TRUE(PtInRegion(triangle, 4, 4));
    EXPECT_FALSE(PtInRegion(triangle, 4, 6));
    EXPECT_TRUE(PtInRegion(triangle, 0, 0));

    Region cut;
    EXPECT_EQ(CombineRgn(cut, rect, CreateRectRgn(0, 0, 1, 1), RGN_DIFF), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(cut, 0, 0));
    EXPECT_TRUE(PtInRegion(cut, 1, 0));
    Region both;
    CombineRgn(both, CreateRectRgn(0, 0, 2, 2), CreateRectRgn(5, 5, 6, 6), RGN_OR);
    EXPECT_TRUE(PtInRegion(both, 5, 5));
    EXPECT_TRUE(PtInRegion(both, 1, 1));
    EXPECT_FALSE(PtInRegion(both, 3, 3));
    Region none;
    EXPECT_EQ(CombineRgn(none, rect, rect, RGN_DIFF), NULLREGION);
    EXPECT_EQ(CombineRgn(none, rect, rect, 99), RGN_ERROR);
}

TEST(DrawingRegion, FillAndFrame) {
    Canvas dc(6, 6, kWhite);
    FillRgn(dc, CreateRectRgn(1, 1, 5, 5), CreateSolidBrush(kBlue));
    FrameRgn(dc, CreateRectRgn(1, 1, 5, 5), CreateSolidBrush(kRed), 1, 1);
    EXPECT_EQ(Count(dc, kRed), 12);
    EXPECT_EQ(Count(dc, kBlue), 4);
    EXPECT_EQ(GetPixel(dc, 2, 2), kBlue);
    EXPECT_EQ(GetPixel(dc, 0, 0), kWhite);
}

TEST(DrawingText, PrefixRules) {
    EXPECT_EQ(StripPrefix("&File").text, "File");
    EXPECT_EQ(StripPrefix("&File").underline, 0);
    EXPECT_EQ(StripPrefix("A && B").text, "A & B");
    EXPECT_EQ(StripPrefix("A && B").underline, -1);
    EXPECT_EQ(StripPrefix("&&x&y").text, "&xy");
    EXPECT_EQ(StripPrefix("&&x&y").underline, 2);
    EXPECT_EQ(StripPrefix("&").text, "");
    EXPECT_EQ(StripPrefix("a&").text, "a");
}

class DrawingTextFixture : public ::testing::Test {
protected:
    void SetUp() override {
        dc_.Resize(200, 60, kWhite);
        dc_.SelectFont(ToQFont(Font{}));
        dc_.SetBkMode(TRANSPARENT);
        dc_.SetTextColor(RGB(0, 0, 0));
    }
    /// Draws text on a fresh white canvas and returns its pixels.
    QImage Draw(const std::string& text, RECT r, unsigned format) {
        dc_.Clear(kWhite);
        DrawTextA(dc_, text, r, format);
        return dc_.Image().copy();
    }
    Canvas dc_;
};

TEST_F(DrawingTextFixture, CalcRectMeasuresAndKeepsTopLeft) {
    SIZE size;
    GetTextExtentPoint32A(dc_, "File", size);
    RECT r{5, 7, 200, 60};
    const int h = DrawTextA(dc_, "&File", r, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 7);
    EXPECT_EQ(r.right - r.left, size.cx);
    EXPECT_EQ(r.bottom - r.top, size.cy);
    EXPECT_EQ(h, size.cy);
    EXPECT_GT(size.cx, 10);
    // Empty text measures as nothing.
    RECT e{5, 7, 50, 50};
    EXPECT_EQ(DrawTextA(dc_, "", e, DT_CALCRECT | DT_WORDBREAK), 0);
    EXPECT_EQ(e, (RECT{5, 7, 5, 7}));
    // Calculating draws nothing.
    EXPECT_EQ(Count(dc_, RGB(0, 0, 0)), 0);
}

TEST_F(DrawingTextFixture, WordBreakWrapsBetweenWordsAndKeepsLongWordsWhole) {
    SIZE one;
    GetTextExtentPoint32A(dc_, "Clear", one);
    RECT r{0, 0, one.cx + 4, 60};
    const int h = DrawTextA(dc_, "Clear Selected Cookie", r, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(h, 3 * one.cy);
    SIZE longest;
    GetTextExtentPoint32A(dc_, "Selected", longest);
    EXPECT_EQ(r.right, longest.cx); // wider than the rectangle: the word is not split
    RECT single{0, 0, 20, 60};
    EXPECT_EQ(DrawTextA(dc_, "Clear Selected", single, DT_CALCRECT | DT_SINGLELINE | DT_WORDBREAK),
              one.cy);
    RECT lines{0, 0, 200, 60};
    EXPECT_EQ(DrawTextA(dc_, "a\nb", lines, DT_CALCRECT), 2 * one.cy);
}

TEST_F(DrawingTextFixture, PrefixUnderlinesOneLetterAndDoubledAmpersandIsLiteral) {
    const RECT r{10, 10, 190, 50};
    const QImage plain = Draw("File", r, DT_SINGLELINE);
    const QImage prefixed = Draw("&File", r, DT_SINGLELINE);
    const QImage noPrefix = Draw("&File", r, DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_NE(plain, prefixed);
    EXPECT_NE(plain, noPrefix); // the ampersand itself shows
    // The difference is one horizontal run under the first letter.
    int minX = 1000, maxX = -1, rows = 0, lastRow = -1;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            if (plain.pixel(x, y) != prefixed.pixel(x, y)) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                if (y != lastRow)
                    ++rows;
                lastRow = y;
            }
    SIZE f;
    GetTextExtentPoint32A(dc_, "F", f);
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(minX, 10);
    EXPECT_EQ(maxX, 10 + f.cx - 1);
    EXPECT_EQ(Draw("A && B", r, DT_SINGLELINE), Draw("A & B", r, DT_SINGLELINE | DT_NOPREFIX));
}

TEST_F(DrawingTextFixture, CentringHorizontallyAndVerticallyOnSingleLines) {
    SIZE size;
    GetTextExtentPoint32A(dc_, "Wide", size);
    const RECT r{0, 0, 200, 60};
    const QImage centred = Draw("Wide", r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    const QImage atOrigin =
        Draw("Wide", RECT{(200 - size.cx) / 2, (60 - size.cy) / 2, 200, 60}, DT_SINGLELINE);
    EXPECT_EQ(centred, atOrigin);
    // Vertical centring applies to single lines only.
    EXPECT_EQ(Draw("Wide", r, DT_CENTER | DT_VCENTER),
              Draw("Wide", RECT{0, 0, 200, 60}, DT_CENTER));
}

// Text is drawn from glyphs kept between draws; every pixel must match what the painter's own
// text drawing gives for the same font: the classic sans serif regular and bold (struck twice,
// one pixel apart, being one weight only), a family with a real bold face, kerning pairs, bytes
// above ASCII, several lines, and the same text drawn again from what was kept.
TEST_F(DrawingTextFixture, GlyphsKeptBetweenDrawsGiveThePaintersOwnPixels) {
    struct Case {
        Font font;
        const char* text;
    };
    Font bold;
    bold.bold = true;
    Font dejavu;
    dejavu.name = "DejaVu Sans";
    dejavu.size = 10;
    dejavu.bold = true;
    Font italic;
    italic.italic = true;
    const Case cases[] = {{Font{}, "Start Secure Scanning"},
                          {bold, "Start Secure Scanning"},
                          {bold, "Clear Selected Cookie Only"},
                          {dejavu, "WAVE To AVAIL"},
                          {italic, "Ta Yo fi ffl"},
                          {Font{}, "caf\xe9 \xfc"
                                   "ber \xa9 1999"},
                          {bold, "first line\nsecond, longer line"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const QFont requested = ToQFont(c.font);
        dc_.SelectFont(requested);
        dc_.SetTextColor(RGB(0, 0, 128));
        const RECT box{3, 2, 200, 60};
        const QImage kept = Draw(c.text, box, DT_NOCLIP);
        EXPECT_EQ(Draw(c.text, box, DT_NOCLIP), kept); // drawn again from what was kept

        // The painter's own drawing, line by line, as the canvas always drew text.
        QFont font = requested;
        bool twice = false;
        const QString family = QFontInfo(requested).family();
        bool hasBold = false;
        for (const QString& style : QFontDatabase::styles(family))
            hasBold = hasBold || QFontDatabase::weight(family, style) >= QFont::DemiBold;
        if (requested.weight() > QFont::Medium && !hasBold) {
            font.setWeight(QFont::Normal);
            font.setLetterSpacing(QFont::AbsoluteSpacing, 1);
            twice = true;
        }
        QImage expected(kept.size(), kept.format());
        expected.fill(QColor(255, 255, 255));
        {
            QPainter p(&expected);
            p.setFont(font);
            p.setPen(QColor(0, 0, 128));
            const QFontMetrics fm(font);
            int y = box.top;
            for (const QString& line : QString::fromLatin1(c.text).split('\n')) {
                p.drawText(box.left, y + fm.ascent(), line);
                if (twice)
                    p.drawText(box.left + 1, y + fm.ascent(), line);
                y += fm.height();
            }
        }
        EXPECT_EQ(kept, expected);
        EXPECT_GT(Count(dc_, RGB(0, 0, 128)), 20) << "nothing drawn";
    }
}

TEST_F(DrawingTextFixture, DisabledTextIsEmbossed) {
    dc_.Clear(RGB(128, 128, 128));
    DrawStateA(dc_, "Ab", 4, 4, 0, 0, DST_PREFIXTEXT | DSS_DISABLED);
    const int hi = Count(dc_, GetSysColor(COLOR_BTNHIGHLIGHT));
    const int sh = Count(dc_, GetSysColor(COLOR_BTNSHADOW));
    EXPECT_GT(hi, 0);
    EXPECT_GT(sh, 0);
    // Every shadow pixel's light twin sits one pixel down and right, unless covered by shadow.
    for (int y = 0; y + 1 < dc_.Height(); ++y)
        for (int x = 0; x + 1 < dc_.Width(); ++x)
            if (GetPixel(dc_, x, y) == GetSysColor(COLOR_BTNSHADOW)) {
                const Color twin = GetPixel(dc_, x + 1, y + 1);
                ASSERT_TRUE(twin == GetSysColor(COLOR_BTNHIGHLIGHT) ||
                            twin == GetSysColor(COLOR_BTNSHADOW));
            }
}

TEST(DrawingFocus, DottedAndInverting) {
    Canvas dc(8, 6, RGB(0x40, 0x40, 0x40));
    dc.SetTextColor(RGB(0, 0, 0));
    dc.SetBkColor(RGB(255, 255, 255));
    DrawFocusRect(dc, RECT{1, 1, 7, 5});
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0xBF, 0xBF, 0xBF)); // (1 + 1) even: inverted
    EXPECT_EQ(GetPixel(dc, 2, 1), RGB(0x40, 0x40, 0x40)); // odd: untouched with black text
    EXPECT_EQ(GetPixel(dc, 3, 1), RGB(0xBF, 0xBF, 0xBF));
    EXPECT_EQ(GetPixel(dc, 6, 4), RGB(0xBF, 0xBF, 0xBF));
    EXPECT_EQ(GetPixel(dc, 3, 3), RGB(0x40, 0x40, 0x40)); // inside untouched
    EXPECT_EQ(GetPixel(dc, 7, 1), RGB(0x40, 0x40, 0x40)); // right edge excluded
    DrawFocusRect(dc, RECT{1, 1, 7, 5});
    EXPECT_EQ(Count(dc, RGB(0x40, 0x40, 0x40)), 48);
}

TEST(DrawingDib, BottomUpRowsPaddedToFourBytes) {
    Dib24 dib(13, 2);
    EXPECT_EQ(dib.Header().biSize, 40u);
    EXPECT_EQ(dib.Header().biBitCount, 24);
    EXPECT_EQ(dib.Stride(), 40); // 39 bytes of pixels, padded
    EXPECT_EQ(dib.Bits().size(), 80u);
    Canvas dc(13, 2, kWhite);
    SetPixelV(dc, 12, 0, RGB(1, 2, 3));
    SetPixelV(dc, 0, 1, RGB(4, 5, 6));
    EXPECT_EQ(GetDIBits(dc, 0, 0, dib), 2);
    // The bottom row comes first, blue-green-red.
    EXPECT_EQ(dib.Bits()[0], 6);
    EXPECT_EQ(dib.Bits()[1], 5);
    EXPECT_EQ(dib.Bits()[2], 4);
    EXPECT_EQ(dib.Bits()[40 + 36], 3);
    EXPECT_EQ(dib.Bits()[40 + 38], 1);
    Canvas back(13, 2, RGB(0, 0, 0));
    SetDIBitsToDevice(back, 0, 0, dib);
    EXPECT_EQ(back.Image(), dc.Image());
    // Off-canvas pixels read as black and writes clip.
    Dib24 off(2, 1);
    GetDIBits(dc, 12, 1, off);
    EXPECT_EQ(off.At(1, 0)[0], 0);
    EXPECT_EQ(SetDIBitsToDevice(back, 12, 1, off), 1);
}

TEST(DrawingPicture, SizesInHimetric) {
    QImage img(13, 7, QImage::Format_RGB32);
    img.fill(Qt::red);
    const Picture p = PictureFromImage(img);
    EXPECT_EQ(p.type, Picture::Type::Bitmap);
    EXPECT_EQ(HimetricToPixels(p.HimetricWidth()), 13);
    EXPECT_EQ(HimetricToPixels(p.HimetricHeight()), 7);
    EXPECT_TRUE(LoadPicture("/nonexistent.png").IsNone());
}

} // namespace
} // namespace corvane::platform

#include "controls/XP_ProgressBar.h"

#include <QSignalSpy>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

using corvane::controls::PropertyBag;
using corvane::controls::ValueError;
using corvane::controls::XP_ProgressBar;
using corvane::platform::Color;
using corvane::platform::GetPixel;
using corvane::platform::RGB;

namespace {

constexpr Color kRed = RGB(192, 0, 0);
constexpr Color kWhite = RGB(255, 255, 255);

/// A bar of the given size in a look, with the windows' red, at a percentage.
std::unique_ptr<XP_ProgressBar> Bar(int w, int h, int look, int percent, int orientation = 0) {
    auto bar = std::make_unique<XP_ProgressBar>();
    bar->resize(w, h);
    bar->SetColor(kRed);
    bar->SetOrientation(orientation);
    bar->SetScrolling(look);
    bar->SetValue(percent);
    bar->DrawProgressBar();
    return bar;
}

Color At(const XP_ProgressBar& bar, int x, int y) {
    return GetPixel(bar.Screen(), x, y);
}

} // namespace

TEST(XP_ProgressBar, ValueConvertsRoundsCapsAndReportsErrors) {
    XP_ProgressBar bar;
    for (int v = 0; v <= 100; v += 5) {
        EXPECT_EQ(bar.SetValue(v), ValueError::None);
        EXPECT_EQ(bar.Value(), v);
    }
    // 150 is stored, then capped by the drawing that follows the write.
    EXPECT_EQ(bar.SetValue(150), ValueError::None);
    EXPECT_EQ(bar.Percent(), 100);
    EXPECT_EQ(bar.Value(), 100);
    // 37 × 100 / 200 = 18.5 goes to the even neighbour.
    bar.SetMax(200);
    bar.SetValue(37);
    EXPECT_EQ(bar.Percent(), 18);
    EXPECT_EQ(bar.Value(), 36);
    bar.SetValue(39); // 19.5 rounds up to the even 20
    EXPECT_EQ(bar.Percent(), 20);
    // Errors leave the percentage alone.
    EXPECT_EQ(bar.SetValue(30000000), ValueError::Overflow);
    EXPECT_EQ(bar.Percent(), 20);
    bar.SetMax(0);
    EXPECT_EQ(bar.SetValue(5), ValueError::DivisionByZero);
    EXPECT_EQ(bar.Percent(), 20);
    // Reading divides by a positive Min.
    bar.SetMax(100);
    bar.SetMin(4);
    bar.SetValue(10); // 10 + 4
    EXPECT_EQ(bar.Percent(), 14);
    EXPECT_EQ(bar.Value(), 4); // 14 / 4 = 3.5 → 4
}

TEST(XP_ProgressBar, SettersRedrawAndMarkEvenWhenTheValueIsTheSame) {
    // The bar fills half of a 60-pixel window; measured against a 30-pixel window instead, the
    // same half ends at 15. Changing the measured window draws nothing, so whether x = 20 is
    // filled tells whether a setter drew the bar again.
    std::unique_ptr<XP_ProgressBar> bar = Bar(60, 12, 0, 50);
    QWidget narrow;
    narrow.resize(30, 12);
    QWidget wide;
    wide.resize(60, 12);
    const Color filled = At(*bar, 20, 6);
    ASSERT_NE(filled, kWhite);
    QSignalSpy notices(bar.get(), &XP_ProgressBar::PropertyChanged);
    for (const auto& set : std::vector<std::function<void()>>{
             [&] { bar->SetValue(50); }, [&] { bar->SetScrolling(0); },
             [&] { bar->SetOrientation(0); }, [&] { bar->SetShowText(false); },
             [&] { bar->SetColor(kRed); }}) {
        bar->Sethwnd(&narrow);
        set();
        EXPECT_NE(At(*bar, 20, 6), filled) << "drawn again against the narrow window";
        bar->Sethwnd(&wide);
        set();
        EXPECT_EQ(At(*bar, 20, 6), filled);
    }
    bar->SetMin(0);
    bar->SetMax(100);
    bar->SetBrushStyle(0);
    std::vector<std::string> names;
    for (const QList<QVariant>& notice : notices)
        names.push_back(notice.at(0).toString().toStdString());
    const std::vector<std::string> twice{"Scrolling", "Scrolling", "Orientation", "Orientation",
                                         "ShowText",  "ShowText",  "Color",       "Color",
                                         "Min",       "Max",       "BrushStyle"};
    EXPECT_EQ(names, twice);
}

TEST(XP_ProgressBar, ColourRoutines) {
    EXPECT_EQ(XP_ProgressBar::TranslateColor(Color(0x8000000D)), RGB(49, 106, 197));
    EXPECT_EQ(XP_ProgressBar::TranslateColor(RGB(1, 2, 3)), RGB(1, 2, 3));
    // 150 + 105 × 192 ÷ 255 = 229 (integer division).
    EXPECT_EQ(XP_ProgressBar::LightenColor(kRed, 150), RGB(229, 150, 150));
    EXPECT_EQ(XP_ProgressBar::LightenColor(kWhite, 250), kWhite);
    // 200 / 255 of red 192 = 150.6 → 151.
    EXPECT_EQ(XP_ProgressBar::BlendColors(kRed, RGB(0, 0, 0), 200), RGB(151, 0, 0));
    EXPECT_EQ(XP_ProgressBar::BlendColors(Color(0x8000000F), RGB(0, 0, 0), 255),
              RGB(236, 233, 216));
    XP_ProgressBar bar;
    EXPECT_EQ(bar.Color(), RGB(49, 106, 197)); // the highlight, stored as RGB
}

TEST(XP_ProgressBar, GradientDrawsNPlusOneLinesAndTranslatesInPlace) {
    XP_ProgressBar bar;
    corvane::platform::Canvas dc(20, 10, kWhite);
    Color first(0x8000000F), second = RGB(0, 0, 0);
    bar.DrawGradient(first, second, 2, 1, 3, 8, dc, true);
    EXPECT_EQ(first, RGB(236, 233, 216));
    EXPECT_EQ(GetPixel(dc, 2, 1), RGB(236, 233, 216));
    EXPECT_EQ(GetPixel(dc, 5, 7), RGB(0, 0, 0)); // line n = 3 is the second colour
    EXPECT_EQ(GetPixel(dc, 5, 8), kWhite);       // end row excluded
    EXPECT_EQ(GetPixel(dc, 6, 4), kWhite);       // n + 1 = 4 columns
    // n = 0 draws one line in the first colour.
    Color a = RGB(10, 20, 30), b = RGB(200, 200, 200);
    bar.DrawGradient(a, b, 0, 9, 12, 0, dc, false);
    EXPECT_EQ(GetPixel(dc, 11, 9), RGB(10, 20, 30));
    EXPECT_EQ(GetPixel(dc, 12, 9), kWhite);
}

TEST(XP_ProgressBar, XPBarFillEdges) {
    const int y = 10; // a body row of a 20-pixel bar
    auto bar = Bar(200, 20, 1, 50);
    EXPECT_EQ(bar->FillRectangle().right, 103);
    EXPECT_EQ(At(*bar, 102, y), kRed);
    EXPECT_EQ(At(*bar, 103, y), kWhite);
    // At 0 the fill's right edge 3 becomes 12: an 8-pixel stub, columns 4 to 11.
    bar = Bar(200, 20, 1, 0);
    EXPECT_EQ(At(*bar, 4, y), kRed);
    EXPECT_EQ(At(*bar, 11, y), kRed);
    EXPECT_EQ(At(*bar, 12, y), kWhite);
    // At 97 the fill ends at 197, within 4 of the edge, so the body stops 4 short of it.
    bar = Bar(200, 20, 1, 97);
    EXPECT_EQ(bar->FillRectangle().right, 197);
    EXPECT_EQ(At(*bar, 192, y), kRed);
    EXPECT_EQ(At(*bar, 193, y), kWhite);
    // At 100 the fill passes the right end (98, not 100, is full).
    bar = Bar(200, 20, 1, 100);
    EXPECT_EQ(bar->FillRectangle().right, 203);
    EXPECT_EQ(At(*bar, 197, y), kRed);
}

TEST(XP_ProgressBar, UnknownLooksDrawLikeTheContinuousBar) {
    for (int look : {-1, 10, 12}) {
        auto odd = Bar(120, 20, look, 40, look == 12 ? 1 : 0);
        auto continuous = Bar(120, 20, 1, 40, look == 12 ? 1 : 0);
        EXPECT_EQ(odd->Screen().Image(), continuous->Screen().Image()) << look;
    }
}

TEST(XP_ProgressBar, SegmentsHaveWhiteGaps) {
    auto bar = Bar(200, 20, 0, 50);
    EXPECT_EQ(bar->FillRectangle().right, 99);
    for (int x : {9, 12, 17, 97})
        EXPECT_EQ(At(*bar, x, 10), kRed) << x;
    for (int x : {10, 11, 18, 19, 98, 99, 100})
        EXPECT_EQ(At(*bar, x, 10), kWhite) << x;
}

TEST(XP_ProgressBar, VerticalTopSnapsDownOntoTheSegmentGrid) {
    auto bar = Bar(20, 100, 0, 50, 1);
    EXPECT_EQ(bar->FillRectangle().top, 52);
    EXPECT_EQ(At(*bar, 10, 51), kWhite);
    EXPECT_EQ(At(*bar, 10, 52), kRed);
    EXPECT_EQ(At(*bar, 10, 57), kRed);
    EXPECT_EQ(At(*bar, 10, 58), kWhite); // the gap above the segment that ends at 60
    EXPECT_EQ(At(*bar, 10, 59), kWhite);
    EXPECT_EQ(At(*bar, 10, 60), kRed);
}

TEST(XP_ProgressBar, XPFrameCorners) {
    auto bar = Bar(60, 20, 1, 0);
    EXPECT_EQ(At(*bar, 0, 0), kWhite);
    EXPECT_EQ(At(*bar, 1, 1), Color(0x777777));
    EXPECT_EQ(At(*bar, 58, 1), Color(0x686868));
    EXPECT_EQ(At(*bar, 58, 18), Color(0x777777));
    EXPECT_EQ(At(*bar, 30, 0), Color(0x686868));  // the frame
    EXPECT_EQ(At(*bar, 30, 1), Color(0xBEBEBE));  // the line under it
    EXPECT_EQ(At(*bar, 30, 18), Color(0xEFEFEF)); // and the bottom one
}

TEST(XP_ProgressBar, GradientLookAtFullAndEtchedLookAtZero) {
    // Look 5 at 100 percent: x = [100 / 101 × 202] = 200 carries the edge line.
    auto bar = Bar(202, 20, 5, 100);
    EXPECT_EQ(bar->FillRectangle().right, 200);
    const Color edge = XP_ProgressBar::LightenColor(kRed, 25);
    EXPECT_EQ(At(*bar, 200, 10), edge);
    EXPECT_NE(At(*bar, 199, 10), edge);
    EXPECT_EQ(At(*bar, 201, 10), XP_ProgressBar::LightenColor(kRed, 10)); // the frame
    // Look 4 at 0 percent still draws column 2 (a gradient of n = 0 is one line).
    bar = Bar(100, 20, 4, 0);
    EXPECT_EQ(At(*bar, 2, 10), XP_ProgressBar::LightenColor(kRed, 140));
    EXPECT_EQ(At(*bar, 3, 10), kWhite);
}

TEST(XP_ProgressBar, HatchAndPictureLooks) {
    auto bar = Bar(100, 20, 7, 50);
    bar->SetBrushStyle(4);
    bar->DrawProgressBar();
    const Color back = XP_ProgressBar::LightenColor(kRed, 140);
    EXPECT_EQ(At(*bar, 5, 11), kRed);   // row 11 is the cross's bar (11 & 7 == 3)
    EXPECT_EQ(At(*bar, 12, 6), kRed);   // column 12 is its upright (12 & 7 == 4)
    EXPECT_EQ(At(*bar, 13, 6), back);   // the gaps take the lightened background
    EXPECT_EQ(At(*bar, 60, 6), kWhite); // beyond x = [50 / 101 × 100] = 50
    bar->SetShowText(true); // the text must not leave the hatch's background transparent
    bar->DrawProgressBar();
    EXPECT_EQ(At(*bar, 13, 6), back);
    // Without a picture, look 8 draws only its sunken edge.
    bar = Bar(100, 20, 8, 50);
    for (int x = 1; x < 99; ++x)
        ASSERT_EQ(At(*bar, x, 10), kWhite) << x;
}

namespace {

/// Counts pixels of a colour left and right of column `split` in the rows of the text and the
/// middle half of the bar's columns, where the text sits.
struct Ink {
    int left = 0, right = 0;
};
Ink CountInk(const XP_ProgressBar& bar, Color c, int split) {
    Ink ink;
    const auto& r = bar.TextRectangle();
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = bar.width() / 4; x < bar.width() * 3 / 4; ++x)
            if (GetPixel(bar.Screen(), x, y) == c)
                (x < split ? ink.left : ink.right)++;
    return ink;
}

} // namespace

TEST(XP_ProgressBar, TwoToneTextInTheDarkAndGlassLooks) {
    for (int look : {6, 9}) {
        const Color plain = look == 6 ? RGB(0xC0, 0xC0, 0xC0) : RGB(0, 0, 0);
        const Color filled = look == 6 ? XP_ProgressBar::LightenColor(kRed, 80) : kWhite;
        auto bar = Bar(200, 24, look, 50);
        bar->SetShowText(true);
        bar->DrawProgressBar();
        // Half filled: the contrasting colour over the fill, the plain one beyond it.
        Ink plainInk = CountInk(*bar, plain, 100), filledInk = CountInk(*bar, filled, 100);
        EXPECT_GT(plainInk.right, 0) << look;
        EXPECT_EQ(plainInk.left, 0) << look;
        EXPECT_GT(filledInk.left, 0) << look;
        EXPECT_EQ(filledInk.right, 0) << look;
        // Once the fill has passed the whole text, only the contrasting drawing is made.
        bar->SetValue(100);
        plainInk = CountInk(*bar, plain, 200);
        EXPECT_EQ(plainInk.left, 0) << look;
        EXPECT_GT(CountInk(*bar, filled, 200).left, 0) << look;
    }
}

TEST(XP_ProgressBar, SearchingTextAndPercentText) {
    auto bar = Bar(200, 24, 2, 45);
    bar->SetShowText(true);
    corvane::platform::Canvas probe(1, 1);
    probe.SelectFont(corvane::platform::ToQFont(bar->Font()));
    corvane::platform::SIZE searching, percent;
    corvane::platform::GetTextExtentPoint32A(probe, "Searching..", searching);
    corvane::platform::GetTextExtentPoint32A(probe, "45 %", percent);
    EXPECT_EQ(bar->TextRectangle().Width(), searching.cx);
    bar->SetScrolling(1);
    EXPECT_EQ(bar->TextRectangle().Width(), percent.cx);
    // Centred: [W / 2 - w / 2] with halves to even, and [H / 2 - h / 2].
    EXPECT_EQ(bar->TextRectangle().left, static_cast<int>(std::nearbyint(100 - percent.cx / 2.0)));
    EXPECT_EQ(bar->TextRectangle().top, static_cast<int>(std::nearbyint(12 - percent.cy / 2.0)));
}

TEST(XP_ProgressBar, SurfaceGrowsAndNeverShrinks) {
    QWidget host;
    XP_ProgressBar bar(&host);
    bar.resize(100, 30);
    bar.DrawProgressBar();
    EXPECT_TRUE(bar.Buffered());
    EXPECT_EQ(bar.BufferWidth(), 100);
    EXPECT_EQ(bar.BufferHeight(), 30);
    bar.resize(80, 20);
    bar.DrawProgressBar();
    EXPECT_EQ(bar.BufferWidth(), 100);
    EXPECT_EQ(bar.BufferHeight(), 30);
    EXPECT_EQ(bar.Screen().Width(), 80);
    bar.resize(101, 20); // one column wider: rebuilt at the new size
    bar.DrawProgressBar();
    EXPECT_EQ(bar.BufferWidth(), 101);
    EXPECT_EQ(bar.BufferHeight(), 20);
    bar.resize(101, 21); // one row taller
    bar.DrawProgressBar();
    EXPECT_EQ(bar.BufferHeight(), 21);
    // The copy reaches the bar's own picture.
    bar.SetValue(50);
    EXPECT_EQ(GetPixel(bar.Screen(), 0, 0), kWhite);
    EXPECT_EQ(GetPixel(bar.Screen(), 1, 1), Color(0x777777));
}

TEST(XP_ProgressBar, PropertyBag) {
    XP_ProgressBar bar;
    PropertyBag stored;
    stored.WriteColor("color", Color(0x0000C0));
    stored.WriteLong("scrolling", 5);
    bar.ReadProperties(stored);
    EXPECT_EQ(bar.BrushStyle(), 4); // missing key: cross hatch
    EXPECT_EQ(bar.Scrolling(), 5);
    EXPECT_EQ(bar.Color(), kRed);

    bar.SetMax(200);
    bar.SetValue(37);
    bar.SetColor(Color(0x80000012));
    PropertyBag out;
    bar.WriteProperties(out);
    const std::vector<std::string> keys{"Font", "Color", "Max", "Scrolling", "Value"};
    EXPECT_EQ(out.Keys(), keys);
    EXPECT_EQ(out.ReadLong("Value", -1), 18); // P, not the 36 that Value reads
    EXPECT_EQ(out.ReadColor("Color", Color(1)), RGB(0, 0, 0));

    PropertyBag broken;
    broken.WriteLong("Max", 0);
    broken.WriteLong("Value", 3);
    XP_ProgressBar other;
    EXPECT_EQ(other.ReadProperties(broken), ValueError::DivisionByZero);
}

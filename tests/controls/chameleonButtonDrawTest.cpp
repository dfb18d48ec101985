// chameleonButton's painter: colour arithmetic, palettes, the style-3 look pixel by pixel,
// window shapes, and the looks of the other styles in each state.

#include "ButtonFixture.h"

#include <QFocusEvent>

namespace corvane::controls {
namespace {

using platform::Color;
using platform::RGB;
using testing::ButtonHost;
using testing::StyleBag;

TEST(ChameleonShade, ArithmeticClampsAndHalves) {
    const Color grey = RGB(100, 100, 100);
    EXPECT_EQ(ShadeColor(grey, 0, false, false), grey);
    EXPECT_EQ(ShadeColor(grey, 0, true, true), grey);
    EXPECT_EQ(ShadeColor(grey, 48, false, false), RGB(148, 148, 148));
    // Proportional blue lifts blue only by its share: 100 + 100 * 48 / 192.
    EXPECT_EQ(ShadeColor(grey, 48, true, false), RGB(148, 148, 125));
    // Negative proportional amounts truncate toward zero: 100 - 3200 / 192 = 100 - 16.
    EXPECT_EQ(ShadeColor(grey, -32, true, false), RGB(68, 68, 84));
    // Clamping happens in the direction of the amount only.
    EXPECT_EQ(ShadeColor(RGB(10, 250, 128), 20, false, false), RGB(30, 255, 148));
    EXPECT_EQ(ShadeColor(RGB(10, 250, 128), -20, false, false), RGB(0, 230, 108));
    EXPECT_EQ(ShadeColor(RGB(255, 255, 255), 200, true, false), RGB(255, 255, 255));
    EXPECT_EQ(ShadeColor(RGB(0, 0, 0), -200, false, false), RGB(0, 0, 0));
    // Soft bevel halves the amount first, truncating toward zero: 47 acts as 23, -192 as -96.
    EXPECT_EQ(ShadeColor(grey, 47, false, true), RGB(123, 123, 123));
    EXPECT_EQ(ShadeColor(grey, -192, false, true), RGB(4, 4, 4));
    EXPECT_EQ(ShadeColor(grey, -1, false, true), grey);
}

TEST(ChameleonShade, TintAndGradientRounding) {
    EXPECT_EQ(TintTowardWhite(RGB(49, 106, 197), 176), RGB(191, 208, 237));
    EXPECT_EQ(TintTowardWhite(RGB(0, 255, 0), 128), RGB(128, 255, 128));
    EXPECT_EQ(GradientAmount(7, 25, 25), -7);
    // 25 / 20 = 1.25 per row: halves go to the even neighbour.
    EXPECT_EQ(GradientAmount(2, 20, 25), -2);
    EXPECT_EQ(GradientAmount(6, 20, 25), -8);
    EXPECT_EQ(GradientAmount(1, 20, 58), -3); // 2.9
    EXPECT_EQ(GradientAmount(20, 20, 58), -58);
}

TEST(ChameleonPalette, SchemesBuildTheirColours) {
    ButtonHost h(StyleBag(3));
    const ButtonPalette& p = h.Button().Palette();
    EXPECT_EQ(p.face, RGB(236, 233, 216));
    EXPECT_EQ(p.shadow, RGB(172, 168, 153));
    EXPECT_EQ(p.darkShadow, RGB(113, 111, 100));
    EXPECT_EQ(p.accent, RGB(49, 106, 197));
    EXPECT_EQ(p.accentFill, RGB(191, 208, 237));
    EXPECT_EQ(p.mask, RGB(192, 192, 192));
    EXPECT_EQ(p.shadedFace, ShadeColor(RGB(236, 233, 216), 48, true, false));

    h.Button().SetColorScheme(3);
    EXPECT_EQ(h.Button().Palette().face, RGB(192, 192, 192));
    EXPECT_EQ(h.Button().Palette().accentFill, RGB(173, 173, 209));

    h.Button().SetBackColor(RGB(100, 120, 140));
    h.Button().SetColorScheme(2);
    const ButtonPalette& c = h.Button().Palette();
    EXPECT_EQ(c.face, RGB(100, 120, 140));
    EXPECT_EQ(c.shadow, RGB(36, 56, 76));
    EXPECT_EQ(c.light, RGB(131, 151, 171));
    EXPECT_EQ(c.highlight, RGB(147, 167, 187));
    EXPECT_EQ(c.darkShadow, RGB(0, 0, 0));
    EXPECT_EQ(c.accent, RGB(0, 0, 12));
    EXPECT_EQ(c.accentFill, c.face);
    // The proportional-blue shaded face follows the style of the last rebuild.
    EXPECT_EQ(c.shadedFace, ShadeColor(RGB(100, 120, 140), 48, true, false));
    h.Button().SetSoftBevel(true);
    EXPECT_EQ(h.Button().Palette().shadow, RGB(68, 88, 108));
}

TEST(ChameleonPalette, ContainerSchemeFollowsTheHostsColours) {
    PropertyBag bag = StyleBag(7);
    bag.WriteLong("COLTYPE", 4);
    ButtonHost h(bag, 40, 20);
    QPalette pal = h.Host().palette();
    pal.setColor(QPalette::Window, QColor(10, 20, 30));
    pal.setColor(QPalette::WindowText, QColor(200, 0, 0));
    h.Host().setPalette(pal);
    EXPECT_EQ(h.Button().Palette().face, RGB(10, 20, 30));
    EXPECT_EQ(h.Button().Palette().text, RGB(200, 0, 0));
    EXPECT_EQ(h.Button().Palette().shadow, RGB(0, 0, 0));
    EXPECT_EQ(h.Pixel(10, 10), RGB(10, 20, 30));
}

class Style3Look : public ::testing::Test {
protected:
    static constexpr int W = 60, H = 25;
    Style3Look() : host_(StyleBag(3), W, H) {}
    Color Sp(Color c, int n) const { return ShadeColor(c, n, true, false); }
    ButtonHost host_;
};

TEST_F(Style3Look, GradientOutlineAndPlainRim) {
    const Color sf = host_.Button().Palette().shadedFace;
    for (int y = 4; y <= H - 4; ++y)
        EXPECT_EQ(host_.Pixel(30, y), Sp(sf, GradientAmount(y, H, 25))) << y;
    EXPECT_EQ(host_.Pixel(0, 10), RGB(0, 60, 115));
    EXPECT_EQ(host_.Pixel(30, 0), RGB(0, 60, 115));
    EXPECT_EQ(host_.Pixel(W - 1, H - 1), RGB(0, 60, 115));
    EXPECT_EQ(host_.Pixel(1, 1), RGB(16, 77, 123));
    EXPECT_EQ(host_.Pixel(W - 2, H - 2), RGB(16, 77, 123));
    EXPECT_EQ(host_.Pixel(30, H - 2), Sp(sf, -48));
    EXPECT_EQ(host_.Pixel(30, H - 3), Sp(sf, -32));
    EXPECT_EQ(host_.Pixel(W - 2, 10), Sp(sf, -36));
    EXPECT_EQ(host_.Pixel(W - 3, 10), Sp(sf, -24));
    EXPECT_EQ(host_.Pixel(1, 10), Sp(sf, -5));
    EXPECT_EQ(host_.Pixel(2, 10), Sp(sf, -10));
    EXPECT_EQ(host_.Pixel(30, H - 2), RGB(207, 207, 192));
}

TEST_F(Style3Look, HoverRimIsOrangeAndBeatsFocus) {
    QFocusEvent in(QEvent::FocusIn);
    QApplication::sendEvent(&host_.Button(), &in);
    EXPECT_EQ(host_.Pixel(30, H - 2), RGB(107, 130, 239)); // focus: blue
    EXPECT_EQ(host_.Pixel(1, 10), RGB(140, 174, 231));
    EXPECT_EQ(host_.Pixel(30, 1), RGB(206, 231, 255));
    host_.MoveTo(QPoint(30, 12));
    ASSERT_TRUE(host_.Button().IsOver());
    EXPECT_EQ(host_.Pixel(30, H - 2), RGB(231, 150, 0));
    EXPECT_EQ(host_.Pixel(1, 10), RGB(255, 178, 49));
    EXPECT_EQ(host_.Pixel(2, 10), RGB(255, 203, 107));
    EXPECT_EQ(host_.Pixel(W - 3, 10), RGB(255, 203, 107));
    EXPECT_EQ(host_.Pixel(30, 1), RGB(255, 243, 206));
    EXPECT_EQ(host_.Pixel(30, 2), RGB(255, 219, 140));
    EXPECT_EQ(host_.Pixel(0, 10), RGB(0, 60, 115)); // the outline stays
}

TEST_F(Style3Look, NoBlueRimWithoutShowFocusRectAndNoDottedFocus) {
    host_.Button().SetShowFocusRect(false);
    QFocusEvent in(QEvent::FocusIn);
    QApplication::sendEvent(&host_.Button(), &in);
    EXPECT_EQ(host_.Pixel(30, H - 2), Sp(host_.Button().Palette().shadedFace, -48));
    host_.Button().SetShowFocusRect(true);
    // The focus rim replaces the dotted rectangle: the focus rectangle's row is gradient.
    const platform::RECT f = host_.Button().FocusRect();
    const Color sf = host_.Button().Palette().shadedFace;
    EXPECT_EQ(host_.Pixel(f.left + 10, f.top), Sp(sf, GradientAmount(f.top, H, 25)));
}

TEST_F(Style3Look, PressedAndDisabled) {
    QTest::mousePress(&host_.Button(), Qt::LeftButton, {}, QPoint(30, 12));
    EXPECT_EQ(host_.Button().LastState(), 2);
    const Color sf = host_.Button().Palette().shadedFace;
    const Color base = Sp(sf, -32);
    // Darker toward the top: row H - i takes amount(i).
    EXPECT_EQ(host_.Pixel(30, 10), Sp(base, GradientAmount(H - 10, H, 25)));
    EXPECT_EQ(host_.Pixel(30, 1), Sp(base, -32));
    EXPECT_EQ(host_.Pixel(W - 3, 10), sf);
    QTest::mouseRelease(&host_.Button(), Qt::LeftButton, {}, QPoint(30, 12));
    host_.Button().SetEnabled(false);
    EXPECT_EQ(host_.Pixel(30, 10), Sp(sf, -24));
    EXPECT_EQ(host_.Pixel(0, 10), Sp(sf, -84));
    EXPECT_EQ(host_.Pixel(1, 1), Sp(sf, -72));
}

TEST(ChameleonRegion, CornersPerStyle) {
    struct Case {
        int style;
        std::vector<QPoint> out, in;
    };
    const int W = 40, H = 20;
    const std::vector<Case> cases = {
        {1, {{0, 0}, {W - 1, 0}, {0, H - 1}, {W - 1, H - 1}}, {{1, 0}, {0, 1}, {W - 2, H - 1}}},
        {14, {{0, 0}, {W - 1, 0}, {0, H - 1}, {W - 1, H - 1}}, {{1, 0}, {1, 1}}},
        {3,
         {{0, 0}, {1, 0}, {0, 1}, {W - 2, 0}, {W - 1, 1}, {0, H - 2}, {1, H - 1}, {W - 1, H - 2}},
         {{2, 0}, {1, 1}, {0, 2}, {W - 3, 0}, {W - 2, H - 2}}},
        {5, {{0, H - 1}, {W - 1, 0}}, {{0, 0}, {W - 1, H - 1}, {1, H - 1}}},
        {13, {{0, 0}, {W - 1, H - 1}, {2, 1}}, {{0, H / 2}, {W / 2, 0}, {W / 2, H / 2}}},
        {2, {}, {{0, 0}, {W - 1, H - 1}}},
    };
    for (const Case& c : cases) {
        ButtonHost h(StyleBag(c.style), W, H);
        const platform::Region& r = h.Button().WindowRegion();
        for (const QPoint& p : c.out)
            EXPECT_FALSE(platform::PtInRegion(r, p.x(), p.y()))
                << c.style << " " << p.x() << "," << p.y();
        for (const QPoint& p : c.in)
            EXPECT_TRUE(platform::PtInRegion(r, p.x(), p.y()))
                << c.style << " " << p.x() << "," << p.y();
        EXPECT_EQ(h.Button().mask(), r.ToQRegion()) << c.style;
    }
}

TEST(ChameleonLooks, Style2InEachState) {
    ButtonHost h(StyleBag(2), 40, 20);
    const ButtonPalette& p = h.Button().Palette();
    EXPECT_EQ(h.Pixel(0, 0), p.highlight);
    EXPECT_EQ(h.Pixel(39, 19), p.darkShadow);
    EXPECT_EQ(h.Pixel(1, 1), p.light);
    EXPECT_EQ(h.Pixel(38, 18), p.shadow);
    QTest::mousePress(&h.Button(), Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(h.Pixel(0, 0), p.darkShadow);
    EXPECT_EQ(h.Pixel(39, 19), p.highlight);
    EXPECT_EQ(h.Pixel(1, 1), p.shadow);
    QTest::mouseRelease(&h.Button(), Qt::LeftButton, {}, QPoint(20, 10));
    h.Button().SetEnabled(false);
    EXPECT_EQ(h.Pixel(0, 0), p.highlight);
    EXPECT_EQ(h.Pixel(39, 19), p.darkShadow);
    // As the default button with focus: outline, inset frame and the dotted focus rectangle.
    h.Button().SetEnabled(true);
    ButtonAmbient a = h.Button().Ambient();
    a.DisplayAsDefault = true;
    h.Button().SetAmbient(a);
    QFocusEvent in(QEvent::FocusIn);
    QApplication::sendEvent(&h.Button(), &in);
    EXPECT_EQ(h.Pixel(0, 0), p.darkShadow);
    EXPECT_EQ(h.Pixel(1, 1), p.highlight);
    const platform::RECT f = h.Button().FocusRect();
    EXPECT_EQ(f, (platform::RECT{4, 4, 36, 16}));
    EXPECT_NE(h.Pixel(f.left, f.top), p.face); // inverted dot
    EXPECT_EQ(h.Pixel(f.left + 1, f.top), p.face);
}

TEST(ChameleonLooks, Style4RimCornerLineTakesTheTieRule) {
    // The rim's line(1, 2 to 2, 0) in face steps through a half-way tie at row 1. Lines break
    // such ties toward the smaller coordinate, as GDI does, so the face lands on (1, 1), over
    // the dark corner pixel, and (2, 1) keeps the light fill.
    ButtonHost h(StyleBag(4), 40, 20);
    const ButtonPalette& p = h.Button().Palette();
    EXPECT_EQ(h.Pixel(1, 2), p.face);
    EXPECT_EQ(h.Pixel(1, 1), p.face);
    EXPECT_EQ(h.Pixel(2, 1), p.light);
    EXPECT_EQ(h.Pixel(38, 1), p.darkShadow);
}

TEST(ChameleonLooks, Style9HoverFillAndStyle10Blank) {
    ButtonHost h(StyleBag(9, "Go"), 40, 20);
    const ButtonPalette& p = h.Button().Palette();
    EXPECT_EQ(h.Pixel(0, 0), p.face);
    h.MoveTo(QPoint(5, 5));
    EXPECT_EQ(h.Pixel(0, 0), p.accent);
    EXPECT_EQ(h.Pixel(2, 2), p.accentFill);
    QTest::mousePress(&h.Button(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(h.Pixel(2, 2), TintTowardWhite(p.accent, 128));

    ButtonHost blank(StyleBag(10, "Text"), 40, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(blank.Pixel(x, y), blank.Button().Palette().face);
}

TEST(ChameleonLooks, CustomSchemeHoverUsesBackOverAndRestores) {
    PropertyBag bag = StyleBag(7);
    bag.WriteLong("COLTYPE", 2);
    bag.WriteColor("BCOL", RGB(200, 100, 50));
    bag.WriteColor("BCOLO", RGB(50, 100, 200));
    ButtonHost h(bag, 40, 20);
    EXPECT_EQ(h.Pixel(10, 10), RGB(200, 100, 50));
    h.MoveTo(QPoint(10, 10));
    EXPECT_EQ(h.Pixel(10, 10), RGB(50, 100, 200));
    EXPECT_EQ(h.Pixel(0, 0), ShadeColor(RGB(50, 100, 200), 47, false, false)); // highlight
    EXPECT_EQ(h.Button().BackColor(), RGB(200, 100, 50));
    EXPECT_EQ(h.Button().Palette().face, RGB(200, 100, 50));
}

TEST(ChameleonLayout, CaptionCentredAndEmptyCaptionEmptyAtTheCentre) {
    ButtonHost h(StyleBag(2, ""), 100, 25);
    const platform::RECT e = h.Button().CaptionRect();
    EXPECT_EQ(e.left, e.right);
    EXPECT_EQ(e.top, e.bottom);
    EXPECT_EQ(e.left, 50);
    EXPECT_EQ(e.top, 1 + (25 - 1) / 2);
    h.Button().SetCaption("Go");
    const platform::RECT c = h.Button().CaptionRect();
    EXPECT_NEAR((c.left + c.right) / 2.0, 50.0, 1.0);
    EXPECT_EQ(h.Button().PressedCaptionRect().left, c.left + 1);
    h.Button().SetCaption("Clear Selected Cookie Only");
    h.Button().resize(60, 60);
    const platform::RECT w = h.Button().CaptionRect();
    EXPECT_LE(w.right - w.left, 60);
    EXPECT_GT(w.bottom - w.top, 13 * 2 - 1); // wrapped onto several lines
}

} // namespace
} // namespace corvane::controls

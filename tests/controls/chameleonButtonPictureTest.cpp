// chameleonButton's pictures: the per-pixel compositor's rules, sizes and places, and which
// picture each state paints.

#include "ButtonFixture.h"

namespace corvane::controls {
namespace {

using platform::Canvas;
using platform::Color;
using platform::GetPixel;
using platform::Picture;
using platform::RGB;
using testing::ButtonHost;
using testing::StyleBag;

Picture OnePixel(Color c) {
    QImage img(1, 1, QImage::Format_RGB32);
    img.setPixel(0, 0, c.ToQRgb());
    return platform::PictureFromImage(img);
}

BlitOptions Plain() {
    BlitOptions o;
    o.transparent = RGB(192, 192, 192);
    return o;
}

Color BlitOne(Color picture, Color background, const BlitOptions& o) {
    Canvas dc(1, 1, background);
    BlitPicture(dc, 0, 0, 1, 1, OnePixel(picture), o);
    return GetPixel(dc, 0, 0);
}

TEST(ChameleonBlit, GreyscaleRounding) {
    BlitOptions o = Plain();
    o.greyscale = true;
    EXPECT_EQ(BlitOne(RGB(255, 0, 0), RGB(1, 2, 3), o), RGB(76, 76, 76));
    EXPECT_EQ(BlitOne(RGB(255, 255, 255), RGB(1, 2, 3), o), RGB(254, 254, 254));
    EXPECT_EQ(BlitOne(RGB(0, 0, 0), RGB(1, 2, 3), o), RGB(0, 0, 0));
    EXPECT_EQ(BlitOne(RGB(0, 255, 0), RGB(1, 2, 3), o), RGB(150, 150, 150));
}

TEST(ChameleonBlit, BlendAtTwoThirds) {
    BlitOptions o = Plain();
    o.blend = true;
    EXPECT_EQ(BlitOne(RGB(0, 0, 0), RGB(255, 255, 255), o), RGB(85, 85, 85));
    EXPECT_EQ(BlitOne(RGB(255, 0, 90), RGB(0, 255, 30), o), RGB(170, 85, 70));
}

TEST(ChameleonBlit, MaskColourAndSilhouettes) {
    BlitOptions o = Plain();
    EXPECT_EQ(BlitOne(RGB(192, 192, 192), RGB(1, 2, 3), o), RGB(1, 2, 3));
    o.useMaskColor = false;
    EXPECT_EQ(BlitOne(RGB(192, 192, 192), RGB(1, 2, 3), o), RGB(192, 192, 192));
    o.useMaskColor = true;
    o.brush = 0x00FF00; // a green silhouette
    EXPECT_EQ(BlitOne(RGB(250, 250, 250), RGB(1, 2, 3), o), RGB(0, 255, 0));
    o.darkOnly = true;
    EXPECT_EQ(BlitOne(RGB(128, 128, 128), RGB(1, 2, 3), o), RGB(0, 255, 0)); // sum 384: painted
    EXPECT_EQ(BlitOne(RGB(128, 128, 129), RGB(1, 2, 3), o), RGB(1, 2, 3));   // 385: skipped
    EXPECT_EQ(BlitOne(RGB(192, 192, 192), RGB(1, 2, 3), o), RGB(1, 2, 3));   // mask wins
}

TEST(ChameleonBlit, ThirteenPixelsWideAndSizes) {
    QImage img(13, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 13; ++x)
            img.setPixel(x, y, qRgb(x * 10, y * 40, 7));
    Canvas dc(20, 6, RGB(255, 255, 255));
    BlitPicture(dc, 2, 1, -1, -1, platform::PictureFromImage(img), Plain());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 13; ++x)
            ASSERT_EQ(GetPixel(dc, 2 + x, 1 + y), RGB(x * 10, y * 40, 7)) << x << "," << y;
    EXPECT_EQ(GetPixel(dc, 15, 1), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 2, 4), RGB(255, 255, 255));
    // Width or height 0 paints nothing.
    Canvas none(4, 4, RGB(255, 255, 255));
    BlitPicture(none, 0, 0, 0, 3, platform::PictureFromImage(img), Plain());
    EXPECT_EQ(GetPixel(none, 0, 0), RGB(255, 255, 255));
}

TEST(ChameleonBlit, IconTransparencyTakesTheMaskColour) {
    QImage img(2, 1, QImage::Format_ARGB32);
    img.setPixel(0, 0, qRgba(0, 0, 0, 0));
    img.setPixel(1, 0, qRgba(10, 20, 30, 255));
    Canvas dc(2, 1, RGB(5, 5, 5));
    BlitPicture(dc, 0, 0, -1, -1, platform::IconFromImage(img), Plain());
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(5, 5, 5));
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(10, 20, 30));
    BlitOptions o = Plain();
    o.useMaskColor = false;
    BlitPicture(dc, 0, 0, -1, -1, platform::IconFromImage(img), o);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(192, 192, 192));
}

Picture Square(int size, Color c) {
    QImage img(size, size, QImage::Format_RGB32);
    img.fill(c.ToQRgb());
    return platform::PictureFromImage(img);
}

TEST(ChameleonPicture, MeasureAndPlaceBesideTheCaption) {
    PropertyBag bag = StyleBag(2, "Go");
    bag.WritePicture("PICN", Square(13, RGB(200, 0, 0)));
    ButtonHost h(bag, 100, 30);
    chameleonButton& b = h.Button();
    const platform::RECT c = b.CaptionRect();
    EXPECT_EQ(b.PicturePlace().x, c.left - 13 - 4);
    EXPECT_EQ(b.PicturePlace().y, (30 - 13) / 2);
    EXPECT_EQ(h.Pixel(b.PicturePlace().x, b.PicturePlace().y), RGB(200, 0, 0));
    b.SetPicturePosition(1);
    EXPECT_EQ(b.PicturePlace().x, b.CaptionRect().right + 4);
    b.SetPicturePosition(2);
    EXPECT_EQ(b.PicturePlace().y, b.CaptionRect().top - 13 - 2);
    b.SetPicturePosition(3);
    EXPECT_EQ(b.PicturePlace().y, b.CaptionRect().bottom + 2);
    b.SetPicturePosition(4);
    EXPECT_EQ(b.PicturePlace().x, (100 - 13) / 2);
    // Position 4 lays the caption out as if there were no picture.
    PropertyBag plain = StyleBag(2, "Go");
    ButtonHost p(plain, 100, 30);
    EXPECT_EQ(b.CaptionRect(), p.Button().CaptionRect());
}

TEST(ChameleonPicture, PictureOverAloneIsNeverPainted) {
    PropertyBag bag = StyleBag(7, "");
    bag.WritePicture("PICH", Square(8, RGB(200, 0, 0)));
    ButtonHost h(bag, 40, 20);
    h.MoveTo(QPoint(20, 10));
    QTest::mousePress(&h.Button(), Qt::LeftButton, {}, QPoint(20, 10));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_NE(h.Pixel(x, y), RGB(200, 0, 0));
}

TEST(ChameleonPicture, StatesPaintTheirPictures) {
    PropertyBag bag = StyleBag(7, "");
    bag.WritePicture("PICN", Square(8, RGB(0, 0, 200)));
    bag.WritePicture("PICH", Square(8, RGB(200, 0, 0)));
    ButtonHost h(bag, 40, 20);
    const platform::POINT at = h.Button().PicturePlace();
    EXPECT_EQ(h.Pixel(at.x, at.y), RGB(0, 0, 200));
    h.MoveTo(QPoint(20, 10));
    EXPECT_EQ(h.Pixel(at.x, at.y), RGB(200, 0, 0));
    QTest::mousePress(&h.Button(), Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(h.Pixel(at.x + 1, at.y + 1), RGB(200, 0, 0)); // pressed: moved by one
    EXPECT_NE(h.Pixel(at.x, at.y), RGB(200, 0, 0));
    QTest::mouseRelease(&h.Button(), Qt::LeftButton, {}, QPoint(20, 10));
    h.Button().SetEnabled(false);
    // Disabled: the etched silhouette, shadow over a highlight copy one pixel down-right.
    const ButtonPalette& p = h.Button().Palette();
    EXPECT_EQ(h.Pixel(at.x, at.y), p.shadow);
    EXPECT_EQ(h.Pixel(at.x + 8, at.y + 8), p.highlight);
}

TEST(ChameleonPicture, SpecialEffectCopies) {
    PropertyBag bag = StyleBag(7, "");
    bag.WritePicture("PICN", Square(4, RGB(0, 0, 200)));
    bag.WriteLong("FX", 3);
    ButtonHost h(bag, 40, 20);
    const ButtonPalette& p = h.Button().Palette();
    const platform::POINT at = h.Button().PicturePlace();
    // Shadow: one darker copy down-right only.
    EXPECT_EQ(h.Pixel(at.x + 4, at.y + 4), ShadeColor(p.face, -40, false, false));
    EXPECT_EQ(h.Pixel(at.x - 1, at.y - 1), p.face);
    h.Button().SetSpecialEffect(2);
    EXPECT_EQ(h.Pixel(at.x + 4, at.y + 4), ShadeColor(p.face, 40, false, false));
    EXPECT_EQ(h.Pixel(at.x - 1, at.y - 1), ShadeColor(p.face, -40, false, false));
    h.Button().SetSpecialEffect(1);
    EXPECT_EQ(h.Pixel(at.x + 4, at.y + 4), ShadeColor(p.face, -40, false, false));
    EXPECT_EQ(h.Pixel(at.x - 1, at.y - 1), ShadeColor(p.face, 40, false, false));
}

TEST(ChameleonPicture, TransparentStyleShowsTheParent) {
    PropertyBag bag = StyleBag(11, "");
    QWidget host;
    host.resize(80, 40);
    QPalette pal = host.palette();
    pal.setColor(QPalette::Window, QColor(10, 200, 30));
    host.setPalette(pal);
    host.setAutoFillBackground(true);
    chameleonButton b(&host);
    b.setGeometry(5, 5, 40, 20);
    b.ReadProperties(bag);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    EXPECT_EQ(b.height(), 20);
    EXPECT_EQ(GetPixel(b.Canvas(), 10, 10), RGB(10, 200, 30));
}

} // namespace
} // namespace corvane::controls

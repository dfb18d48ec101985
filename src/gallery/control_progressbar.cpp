// The gallery's XP_ProgressBar renderer: one bar with its properties loaded from a property bag,
// and the sheet section with every look at 0, 37, 50, 98 and 100 percent.

#include "controls/XP_ProgressBar.h"
#include "gallery/registry.h"

#include <QPainter>

namespace corvane::gallery {

namespace {

using controls::PropertyBag;
using controls::ValueError;
using controls::XP_ProgressBar;

/// The bar colour both windows store (red 192).
constexpr platform::Color kWindowsRed{0x0000C0u};

/// Renders one bar of the size with the bag's properties; the conversion of "Value" may fail.
QImage RenderBar(const PropertyBag& bag, int w, int h, ValueError& valueError) {
    XP_ProgressBar bar;
    bar.resize(w, h);
    valueError = bar.ReadProperties(bag);
    bar.DrawProgressBar();
    return bar.Screen().Image().copy();
}

bool Render(const RenderRequest& request, QImage& out, std::string& error) {
    if (!request.states.empty()) {
        error = "the progress bar has no states";
        return false;
    }
    PropertyBag bag;
    if (!ApplySets(bag, XP_ProgressBar::PropertyKeys(), request.sets, error))
        return false;
    ValueError valueError = ValueError::None;
    out = RenderBar(bag, request.width, request.height, valueError);
    if (valueError != ValueError::None) {
        error = std::string("Value: ") + controls::ValueErrorText(valueError);
        return false;
    }
    return true;
}

/// The pattern of the picture look: a small two-tone tile.
platform::Picture SampleTile() {
    QImage tile(8, 8, QImage::Format_RGB32);
    tile.fill(qRgb(255, 236, 160));
    QPainter p(&tile);
    p.fillRect(0, 0, 4, 4, QColor(70, 130, 200));
    p.fillRect(4, 4, 4, 4, QColor(70, 130, 200));
    p.end();
    return platform::PictureFromImage(tile);
}

PropertyBag SheetBag(int look, int percent, bool text) {
    PropertyBag bag;
    bag.WriteColor("Color", kWindowsRed);
    bag.WriteLong("Scrolling", look);
    bag.WriteLong("BrushStyle", 4);
    bag.WriteBool("ShowText", text);
    bag.WriteLong("Value", percent);
    return bag;
}

QImage Sheet() {
    const int percents[] = {0, 37, 50, 98, 100};
    struct Row {
        const char* title;
        int look;
        bool text;
        bool picture;
    };
    const Row rows[] = {
        {"0  XP, segments", 0, true, false},
        {"1  XP, continuous", 1, true, false},
        {"2  XP, searching", 2, true, false},
        {"3  flat", 3, true, false},
        {"4  etched", 4, true, false},
        {"5  gradient", 5, true, false},
        {"5  as the windows show it", 5, false, false},
        {"6  dark", 6, true, false},
        {"7  hatched (cross)", 7, true, false},
        {"8  picture", 8, true, true},
        {"8  picture, no Image", 8, true, false},
        {"9  glass", 9, true, false},
        {"12 (draws like 1)", 12, true, false},
    };
    const int bw = 200, bh = 20, cw = 212, ch = 28, left = 170, top = 40;
    const int rowCount = static_cast<int>(std::size(rows));
    const int hatchTop = top + rowCount * ch + 16;
    const int verticalTop = hatchTop + 56;
    const int vh = 120, vw = 22;
    QImage sheet(left + cw * 5 + 8, verticalTop + 24 + vh + 12, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    DrawLabel(sheet, 8, 6,
              QStringLiteral("XP_ProgressBar: the looks (rows) at 0, 37, 50, 98 and 100 percent"),
              true);
    for (int c = 0; c < 5; ++c)
        DrawLabel(sheet, left + c * cw, top - 16, QStringLiteral("%1 %").arg(percents[c]));
    const platform::Picture tile = SampleTile();
    ValueError ignored = ValueError::None;
    for (int r = 0; r < rowCount; ++r) {
        const int y = top + r * ch;
        DrawLabel(sheet, 8, y + 3, QString::fromLatin1(rows[r].title));
        for (int c = 0; c < 5; ++c) {
            PropertyBag bag = SheetBag(rows[r].look, percents[c], rows[r].text);
            if (rows[r].picture)
                bag.WritePicture("Image", tile);
            const QImage bar = RenderBar(bag, bw, bh, ignored);
            QPainter(&sheet).drawImage(left + c * cw, y, bar);
        }
    }

    DrawLabel(sheet, 8, hatchTop + 3, QStringLiteral("7  BrushStyle 0 to 5"));
    for (int style = 0; style <= 5; ++style) {
        PropertyBag bag = SheetBag(7, 60, false);
        bag.WriteLong("BrushStyle", style);
        const int x = left + style * 176;
        DrawLabel(sheet, x, hatchTop - 14, QStringLiteral("style %1").arg(style));
        QPainter(&sheet).drawImage(x, hatchTop, RenderBar(bag, 164, bh, ignored));
    }

    DrawLabel(sheet, 8, verticalTop,
              QStringLiteral("vertical (Orientation 1), looks 0, 1 and 2 at 0, 37, 50, 98, 100 %"));
    for (int look = 0; look <= 2; ++look) {
        for (int c = 0; c < 5; ++c) {
            PropertyBag bag = SheetBag(look, percents[c], false);
            bag.WriteLong("Orientation", 1);
            const int x = left + look * 190 + c * (vw + 10);
            QPainter(&sheet).drawImage(x, verticalTop + 20, RenderBar(bag, vw, vh, ignored));
        }
    }
    return sheet;
}

const ControlRegistrar kProgressBar("progressbar", "(none)", &Render, &Sheet);

} // namespace

} // namespace corvane::gallery

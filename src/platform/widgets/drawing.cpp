// The canvas behind the custom controls: GDI's pixel rules written out over a 32-bit QImage.
// Fills, lines, edges, regions and bitmaps are written pixel by pixel so the results are exact
// and independent of Qt's rasteriser; only text goes through QPainter, with antialiasing off.

#include "platform/widgets/drawing.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <cwchar>
#include <map>
#include <mutex>

namespace corvane::platform {

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;

std::uint32_t RgbToPixel(std::uint32_t rgbWord) {
    const std::uint32_t r = rgbWord & 0xFF, g = (rgbWord >> 8) & 0xFF, b = (rgbWord >> 16) & 0xFF;
    return kOpaque | (r << 16) | (g << 8) | b;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Colours

Color Color::FromQRgb(unsigned int rgb) {
    return FromRgb(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                   static_cast<int>(rgb & 0xFF));
}

unsigned int Color::ToQRgb() const {
    return RgbToPixel(OleTranslateColor(*this).Value());
}

QColor Color::ToQColor() const {
    return QColor::fromRgb(ToQRgb());
}

std::uint32_t PixelOf(Color c) {
    return RgbToPixel(OleTranslateColor(c).Value());
}

Color ColorOfPixel(std::uint32_t pixel) {
    return Color::FromQRgb(pixel);
}

Color GetSysColor(int index) {
    // The classic themed desktop's values, so every desktop paints the same pixels.
    static constexpr std::array<Color, 31> kTable = {
        RGB(212, 208, 200), // scroll bar
        RGB(0, 78, 152),    // desktop
        RGB(0, 84, 227),    // active caption
        RGB(122, 150, 223), // inactive caption
        RGB(255, 255, 255), // menu
        RGB(255, 255, 255), // window
        RGB(0, 0, 0),       // window frame
        RGB(0, 0, 0),       // menu text
        RGB(0, 0, 0),       // window text
        RGB(255, 255, 255), // caption text
        RGB(212, 208, 200), // active border
        RGB(212, 208, 200), // inactive border
        RGB(128, 128, 128), // application workspace
        RGB(49, 106, 197),  // selection
        RGB(255, 255, 255), // selection text
        RGB(236, 233, 216), // button face
        RGB(172, 168, 153), // button shadow
        RGB(172, 168, 153), // grey text
        RGB(0, 0, 0),       // button text
        RGB(216, 228, 248), // inactive caption text
        RGB(255, 255, 255), // button highlight
        RGB(113, 111, 100), // 3-D dark shadow
        RGB(241, 239, 226), // 3-D light
        RGB(0, 0, 0),       // tooltip text
        RGB(255, 255, 225), // tooltip background
        RGB(181, 181, 181), // (unused slot)
        RGB(0, 0, 128),     // hot-tracked item
        RGB(61, 149, 255),  // active caption gradient
        RGB(157, 185, 235), // inactive caption gradient
        RGB(49, 106, 197),  // menu highlight
        RGB(236, 233, 216), // menu bar
    };
    if (index < 0 || index >= static_cast<int>(kTable.size()))
        return RGB(0, 0, 0);
    return kTable[static_cast<std::size_t>(index)];
}

Color OleTranslateColor(Color color) {
    if (color.IsSystem())
        return GetSysColor(static_cast<int>(color.Value() & 0xFF));
    return Color(color.Value() & 0x00FFFFFFu);
}

// ---------------------------------------------------------------------------------------------
// Geometry

void SetRect(RECT& r, int left, int top, int right, int bottom) {
    r = RECT{left, top, right, bottom};
}

void CopyRect(RECT& dst, const RECT& src) {
    dst = src;
}

void OffsetRect(RECT& r, int dx, int dy) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
}

void InflateRect(RECT& r, int dx, int dy) {
    r.left -= dx;
    r.right += dx;
    r.top -= dy;
    r.bottom += dy;
}

bool IsRectEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

bool IntersectRect(RECT& dst, const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (IsRectEmpty(r)) {
        dst = RECT{};
        return false;
    }
    dst = r;
    return true;
}

bool PtInRect(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// ---------------------------------------------------------------------------------------------
// Pens, brushes, fonts, pictures

Pen CreatePen(int style, int width, Color color) {
    return Pen{style, width < 1 ? 1 : width, color};
}

Brush CreateSolidBrush(Color color) {
    return Brush{Brush::Kind::Solid, color, 0, {}};
}

Brush CreateHatchBrush(int hatchStyle, Color color) {
    return Brush{Brush::Kind::Hatch, color, hatchStyle, {}};
}

Brush CreatePatternBrush(const QImage& pattern) {
    if (pattern.isNull())
        return NullBrush();
    return Brush{Brush::Kind::Pattern, RGB(0, 0, 0), 0,
                 pattern.convertToFormat(QImage::Format_RGB32)};
}

Brush NullBrush() {
    return Brush{Brush::Kind::Null, RGB(0, 0, 0), 0, {}};
}

const std::uint8_t* HatchBits(int hatchStyle) {
    // Row by row, bit 7 the leftmost pixel: the classic 8 x 8 hatch cells.
    static constexpr std::uint8_t kHatch[7][8] = {
        {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00}, // horizontal
        {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08}, // vertical
        {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}, // downward diagonal
        {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}, // upward diagonal
        {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08}, // cross
        {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}, // diagonal cross
        {0, 0, 0, 0, 0, 0, 0, 0},
    };
    if (hatchStyle < 0 || hatchStyle > 5)
        return kHatch[6];
    return kHatch[hatchStyle];
}

namespace {

QString& SansSerifFamily() {
    static QString family;
    return family;
}

} // namespace

void EnsureFonts() {
    static std::once_flag once;
    if (QGuiApplication::instance() == nullptr)
        return;
    std::call_once(once, [] {
        const QString file = QStringLiteral("/usr/share/wine/fonts/ms_sans_serif.ttf");
        if (QFile::exists(file)) {
            const int id = QFontDatabase::addApplicationFont(file);
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (!families.isEmpty())
                SansSerifFamily() = families.front();
        }
    });
}

QFont ToQFont(const Font& font) {
    EnsureFonts();
    QString family = QString::fromStdString(font.name);
    if (family.compare(QStringLiteral("MS Sans Serif"), Qt::CaseInsensitive) == 0)
        family = SansSerifFamily().isEmpty() ? QStringLiteral("DejaVu Sans") : SansSerifFamily();
    else if (!QFontDatabase::hasFamily(family))
        family = QStringLiteral("DejaVu Sans");
    QFont q(family);
    q.setPixelSize(std::max(1, static_cast<int>(std::lround(font.size * 96.0 / 72.0))));
    const int weight = font.weight > 0 ? font.weight : (font.bold ? 700 : 400);
    q.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 100, 900)));
    q.setItalic(font.italic);
    q.setUnderline(font.underline);
    q.setStrikeOut(font.strikethrough);
    q.setStyleStrategy(QFont::NoAntialias);
    q.setHintingPreference(QFont::PreferFullHinting);
    q.setKerning(false);
    return q;
}

int HimetricToPixels(int himetric) {
    return static_cast<int>(std::lround(himetric * 96.0 / 2540.0));
}

int Picture::HimetricWidth() const {
    return static_cast<int>(std::lround(Width() * 2540.0 / 96.0));
}

int Picture::HimetricHeight() const {
    return static_cast<int>(std::lround(Height() * 2540.0 / 96.0));
}

Picture PictureFromImage(const QImage& image) {
    if (image.isNull())
        return {};
    return Picture{Picture::Type::Bitmap, image.convertToFormat(QImage::Format_RGB32)};
}

Picture IconFromImage(const QImage& image) {
    if (image.isNull())
        return {};
    return Picture{Picture::Type::Icon, image.convertToFormat(QImage::Format_ARGB32)};
}

Picture LoadPicture(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    const bool icon = QFileInfo(QString::fromStdString(path))
                              .suffix()
                              .compare(QStringLiteral("ico"), Qt::CaseInsensitive) == 0 ||
                      image.hasAlphaChannel();
    return icon ? IconFromImage(image) : PictureFromImage(image);
}

// ---------------------------------------------------------------------------------------------
// Regions

namespace {

/// One horizontal run per row of a shape: x0 inclusive, x1 exclusive (x0 >= x1: empty row).
using Spans = std::vector<std::pair<int, int>>;

/// Calls fn(x, y) for the outline pixels of the ellipse inscribed in the pixel box [0, w) x
/// [0, h), over the quarter from the right end of the middle row to the middle of the bottom row,
/// in that order. The walk keeps an exact integer error term of the implicit ellipse equation
/// (scaled so that even and odd extents share it) and steps inward in x, down in y, or both, by
/// the sign of the doubled error; the other quarters are its mirror images about the box's centre
/// lines x = (w - 1) / 2 and y = (h - 1) / 2. A very narrow box gets its tips from the second
/// loop, which the first one stops short of when the curve is nearly a vertical line.
template <typename Fn> void WalkEllipseQuarter(int w, int h, Fn&& fn) {
    if (w <= 0 || h <= 0)
        return;
    const std::int64_t a = w - 1, b = h - 1, b1 = b & 1;
    std::int64_t dx = 4 * (1 - a) * b * b, dy = 4 * (b1 + 1) * a * a;
    std::int64_t err = dx + dy + b1 * a * a;
    const std::int64_t stepX = 8 * b * b, stepY = 8 * a * a;
    int x = w - 1, y = static_cast<int>((b + 1) / 2);
    int left = 0; // the mirror image of x, to know when the two halves meet
    do {
        fn(x, y);
        const std::int64_t e2 = 2 * err;
        if (e2 <= dy) {
            ++y;
            dy += stepY;
            err += dy;
        }
        if (e2 >= dx || 2 * err > dy) {
            --x;
            ++left;
            dx += stepX;
            err += dx;
        }
    } while (left <= x);
    for (int tip = y; tip <= b; ++tip)
        fn(x + 1, tip);
}

/// The spans of the ellipse that fills a w x h box, relative to its left edge, one per row: each
/// row runs between the outline pixels the quarter walk puts on it and their mirror images.
Spans EllipseSpans(int w, int h) {
    Spans spans(static_cast<std::size_t>(std::max(h, 0)), {0, 0});
    WalkEllipseQuarter(w, h, [&](int x, int y) {
        const int inset = w - 1 - x;
        for (const int row : {y, h - 1 - y}) {
            auto& span = spans[static_cast<std::size_t>(row)];
            if (span.second <= span.first || inset < span.first)
                span = {inset, w - inset};
        }
    });
    return spans;
}

/// The outline pixels of the ellipse inscribed in the w x h box at (left, top), in order around
/// the curve (clockwise on screen, from the right end of the middle row): the quarter walk and
/// its three mirror images, every other one taken backwards so that neighbours stay neighbours.
std::vector<POINT> EllipseOutline(int left, int top, int w, int h) {
    std::vector<POINT> quarter;
    WalkEllipseQuarter(w, h, [&](int x, int y) { quarter.push_back(POINT{x, y}); });
    std::vector<POINT> loop;
    loop.reserve(quarter.size() * 4);
    const int farX = left + w - 1, farY = top + h - 1;
    for (const POINT& p : quarter)
        loop.push_back(POINT{left + p.x, top + p.y});
    for (auto p = quarter.rbegin(); p != quarter.rend(); ++p)
        loop.push_back(POINT{farX - p->x, top + p->y});
    for (const POINT& p : quarter)
        loop.push_back(POINT{farX - p.x, farY - p.y});
    for (auto p = quarter.rbegin(); p != quarter.rend(); ++p)
        loop.push_back(POINT{left + p->x, farY - p->y});
    return loop;
}

QRegion RegionOfSpans(const Spans& spans, int left, int top) {
    QList<QRect> rects;
    rects.reserve(static_cast<qsizetype>(spans.size()));
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const auto [x0, x1] = spans[i];
        if (x1 > x0)
            rects.push_back(QRect(left + x0, top + static_cast<int>(i), x1 - x0, 1));
    }
    QRegion region;
    region.setRects(rects.constData(), static_cast<int>(rects.size()));
    return region;
}

} // namespace

int Region::Kind() const {
    if (region_.isEmpty())
        return NULLREGION;
    return region_.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

RECT Region::Box() const {
    if (region_.isEmpty())
        return RECT{};
    const QRect b = region_.boundingRect();
    return RECT{b.left(), b.top(), b.right() + 1, b.bottom() + 1};
}

Region CreateRectRgn(int left, int top, int right, int bottom) {
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    return Region(QRegion(left, top, right - left, bottom - top));
}

Region CreateEllipticRgn(int left, int top, int right, int bottom) {
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    // Like every GDI rectangle the box excludes its right column and bottom row.
    const int w = right - left - 1, h = bottom - top - 1;
    if (w <= 0 || h <= 0)
        return Region();
    return Region(RegionOfSpans(EllipseSpans(w, h), left, top));
}

Region CreateRoundRectRgn(int left, int top, int right, int bottom, int w, int h) {
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    const int width = right - left - 1, height = bottom - top - 1;
    if (width <= 0 || height <= 0)
        return Region();
    w = std::clamp(w, 0, width);
    h = std::clamp(h, 0, height);
    Spans spans(static_cast<std::size_t>(height), {0, width});
    if (w >= 2 && h >= 2) {
        // The top rows take the corner ellipse's upper half, the bottom rows its lower half.
        const Spans corner = EllipseSpans(w, h);
        for (int j = 0; j < h / 2; ++j) {
            const int inset = corner[static_cast<std::size_t>(j)].first;
            spans[static_cast<std::size_t>(j)] = {inset, width - inset};
            spans[static_cast<std::size_t>(height - 1 - j)] = {inset, width - inset};
        }
    }
    return Region(RegionOfSpans(spans, left, top));
}

namespace {

/// The pixels whose grid points (x, y) lie inside the closed polygon under the fill mode. A grid
/// point on a left or top edge belongs to the polygon, one on a right or bottom edge does not, so
/// polygons that share an edge never share a pixel.
QRegion PolygonPixels(const std::vector<POINT>& points, int fillMode) {
    QRegion region;
    if (points.size() < 3)
        return region;
    int minY = points[0].y, maxY = points[0].y;
    for (const POINT& p : points) {
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    QList<QRect> rects;
    std::vector<std::pair<double, int>> crossings;
    for (int y = minY; y < maxY; ++y) {
        crossings.clear();
        for (std::size_t i = 0; i < points.size(); ++i) {
            const POINT a = points[i], b = points[(i + 1) % points.size()];
            if (a.y == b.y)
                continue;
            const bool down = a.y < b.y;
            const POINT lo = down ? a : b, hi = down ? b : a;
            if (y < lo.y || y >= hi.y)
                continue;
            const double x = lo.x + (y - lo.y) * (hi.x - lo.x) / static_cast<double>(hi.y - lo.y);
            crossings.push_back({x, down ? 1 : -1});
        }
        std::sort(crossings.begin(), crossings.end());
        int winding = 0;
        for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
            winding += crossings[i].second;
            const bool inside = fillMode == WINDING ? winding != 0 : (i % 2) == 0;
            if (!inside)
                continue;
            const int x0 = static_cast<int>(std::ceil(crossings[i].first));
            const int x1 = static_cast<int>(std::ceil(crossings[i + 1].first));
            if (x1 > x0)
                rects.push_back(QRect(x0, y, x1 - x0, 1));
        }
    }
    for (const QRect& r : rects)
        region += r;
    return region;
}

} // namespace

Region CreatePolygonRgn(const std::vector<POINT>& points, int fillMode) {
    return Region(PolygonPixels(points, fillMode));
}

int CombineRgn(Region& dst, const Region& a, const Region& b, int mode) {
    const QRegion& qa = a.ToQRegion();
    const QRegion& qb = b.ToQRegion();
    switch (mode) {
    case RGN_AND:
        dst = Region(qa.intersected(qb));
        break;
    case RGN_OR:
        dst = Region(qa.united(qb));
        break;
    case RGN_XOR:
        dst = Region(qa.xored(qb));
        break;
    case RGN_DIFF:
        dst = Region(qa.subtracted(qb));
        break;
    case RGN_COPY:
        dst = Region(qa);
        break;
    default:
        return RGN_ERROR;
    }
    return dst.Kind();
}

void OffsetRgn(Region& r, int dx, int dy) {
    r = Region(r.ToQRegion().translated(dx, dy));
}

bool PtInRegion(const Region& r, int x, int y) {
    return r.ToQRegion().contains(QPoint(x, y));
}

bool EqualRgn(const Region& a, const Region& b) {
    return a.ToQRegion() == b.ToQRegion() || a.ToQRegion().xored(b.ToQRegion()).isEmpty();
}

// ---------------------------------------------------------------------------------------------
// Canvas

Canvas::Canvas(int width, int height, Color fill) {
    Resize(width, height, fill);
}

void Canvas::Resize(int width, int height, Color fill) {
    image_ = QImage(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    Clear(fill);
}

void Canvas::Clear(Color fill) {
    if (!image_.isNull())
        image_.fill(PixelOf(fill));
}

Pen Canvas::SelectPen(const Pen& pen) {
    dashPhase_ = 0;
    return std::exchange(pen_, pen);
}

Brush Canvas::SelectBrush(const Brush& brush) {
    return std::exchange(brush_, brush);
}

QFont Canvas::SelectFont(const QFont& font) {
    return std::exchange(font_, font);
}

Color Canvas::SetTextColor(Color c) {
    return std::exchange(text_, c);
}

Color Canvas::SetBkColor(Color c) {
    return std::exchange(bk_, c);
}

int Canvas::SetBkMode(int mode) {
    return std::exchange(bkMode_, mode == TRANSPARENT ? TRANSPARENT : OPAQUE);
}

POINT Canvas::MoveTo(int x, int y) {
    return std::exchange(pos_, POINT{x, y});
}

void Canvas::SetClip(std::optional<Region> clip) {
    clip_ = std::move(clip);
}

bool Canvas::Visible(int x, int y) const {
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return false;
    return !clip_ || clip_->ToQRegion().contains(QPoint(x, y));
}

int SelectClipRgn(Canvas& dc, const Region* region) {
    if (region == nullptr) {
        dc.SetClip(std::nullopt);
        return SIMPLEREGION;
    }
    dc.SetClip(*region);
    return region->Kind();
}

// ---------------------------------------------------------------------------------------------
// Primitives

namespace {

/// Paints one run [x0, x1) of row y with a brush (hatch gaps follow the background mode).
void PaintRun(Canvas& dc, const Brush& brush, int x0, int y, int x1) {
    std::uint32_t* row = dc.Row(y);
    switch (brush.kind) {
    case Brush::Kind::Null:
        return;
    case Brush::Kind::Solid:
        // A run of one 32-bit word: the C library's wide-character fill writes it with vector
        // stores, where a plain loop writes one pixel at a time.
        static_assert(sizeof(wchar_t) == sizeof(std::uint32_t));
        if (x1 > x0)
            std::wmemset(reinterpret_cast<wchar_t*>(row + x0),
                         static_cast<wchar_t>(PixelOf(brush.color)),
                         static_cast<std::size_t>(x1 - x0));
        return;
    case Brush::Kind::Hatch: {
        const std::uint8_t bits = HatchBits(brush.hatch)[y & 7];
        const std::uint32_t fore = PixelOf(brush.color);
        const std::uint32_t back = PixelOf(dc.BkColor());
        const bool opaque = dc.BkMode() == OPAQUE;
        for (int x = x0; x < x1; ++x) {
            if ((bits >> (7 - (x & 7))) & 1)
                row[x] = fore;
            else if (opaque)
                row[x] = back;
        }
        return;
    }
    case Brush::Kind::Pattern: {
        const QImage& p = brush.pattern;
        const auto* src = reinterpret_cast<const std::uint32_t*>(p.constScanLine(y % p.height()));
        for (int x = x0; x < x1; ++x)
            row[x] = src[x % p.width()] | kOpaque;
        return;
    }
    }
}

/// The pixel a brush paints at (x, y), for the pattern raster operations (hatch gaps take the
/// background colour).
std::uint32_t BrushPixel(const Canvas& dc, const Brush& brush, int x, int y) {
    switch (brush.kind) {
    case Brush::Kind::Solid:
        return PixelOf(brush.color);
    case Brush::Kind::Hatch:
        return ((HatchBits(brush.hatch)[y & 7] >> (7 - (x & 7))) & 1) ? PixelOf(brush.color)
                                                                      : PixelOf(dc.BkColor());
    case Brush::Kind::Pattern: {
        const QImage& p = brush.pattern;
        return reinterpret_cast<const std::uint32_t*>(
                   p.constScanLine(y % p.height()))[x % p.width()] |
               kOpaque;
    }
    case Brush::Kind::Null:
        break;
    }
    return 0;
}

void FillWith(Canvas& dc, const RECT& r, const Brush& brush) {
    if (brush.kind == Brush::Kind::Null)
        return;
    dc.ForEachRun(r, [&](int x0, int y, int x1) { PaintRun(dc, brush, x0, y, x1); });
}

/// Paints a set of pixels in a solid colour (clipped).
void PaintPixels(Canvas& dc, const QRegion& pixels, Color color) {
    const Brush brush = CreateSolidBrush(color);
    for (const QRect& q : pixels)
        FillWith(dc, RECT{q.left(), q.top(), q.right() + 1, q.bottom() + 1}, brush);
}

/// The ceiling of num / den for den > 0.
int CeilDiv(int num, int den) {
    return num >= 0 ? (num + den - 1) / den : -((-num) / den);
}

/// The points of the one-pixel line from (x0, y0) towards (x1, y1), end point excluded. Each step
/// along the longer axis takes the pixel nearest to the true line; a half-way tie goes to the
/// smaller coordinate, so a line covers the same pixels whichever way it is drawn. fn gets the
/// point and its index along the line (for dashes).
template <typename Fn> void WalkLine(int x0, int y0, int x1, int y1, Fn&& fn) {
    const int dx = x1 - x0, dy = y1 - y0;
    const int adx = std::abs(dx), ady = std::abs(dy);
    const int major = std::max(adx, ady);
    for (int k = 0; k < major; ++k) {
        // The minor coordinate is start + k * d / major rounded, ties downward:
        // ceil((2 * k * d - major) / (2 * major)).
        if (adx >= ady)
            fn(x0 + (dx > 0 ? k : -k), y0 + CeilDiv(2 * k * dy - major, 2 * major), k);
        else
            fn(x0 + CeilDiv(2 * k * dx - major, 2 * major), y0 + (dy > 0 ? k : -k), k);
    }
}

/// The footprint of a geometric pen at (x, y): a disc of the pen's width, the same shape an
/// ellipse of that size fills, covering [x - w/2, x + (w + 1)/2) on each axis.
QRegion PenDisc(int x, int y, int width) {
    return RegionOfSpans(EllipseSpans(width, width), x - width / 2, y - width / 2);
}

/// Rounds half-way values up, as the outline of a wide line is placed on the pixel grid.
int RoundUp(double v) {
    return static_cast<int>(std::floor(v + 0.5));
}

/// The pixels a geometric pen covers along the segment: the band of the pen's width around it
/// (its sides rounded to the grid) and round caps at both ends.
QRegion WideSegment(POINT a, POINT b, int width) {
    QRegion pixels = PenDisc(a.x, a.y, width);
    if (a.x == b.x && a.y == b.y)
        return pixels;
    pixels += PenDisc(b.x, b.y, width);
    const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
    const double px = -dy / len * width / 2.0, py = dx / len * width / 2.0;
    const POINT plus{RoundUp(px), RoundUp(py)}, minus{RoundUp(-px), RoundUp(-py)};
    const std::vector<POINT> band = {
        POINT{a.x + plus.x, a.y + plus.y}, POINT{b.x + plus.x, b.y + plus.y},
        POINT{b.x + minus.x, b.y + minus.y}, POINT{a.x + minus.x, a.y + minus.y}};
    return pixels + PolygonPixels(band, WINDING);
}

/// The repeat of a cosmetic pen's dash pattern and how much of it is drawn.
struct DashPattern {
    int period = 0; // 0: solid
    int on = 0;
};

DashPattern PatternOf(const Pen& pen) {
    if (pen.style == PS_DOT)
        return DashPattern{6, 3};
    if (pen.style == PS_DASH)
        return DashPattern{24, 18};
    return DashPattern{};
}

/// A one-pixel line that starts `phase` pixels into the pen's pattern; returns the phase the next
/// line joined to its end starts with. Dotted and dashed pens paint their gaps in the background
/// colour when the background mode is OPAQUE and leave them when it is TRANSPARENT.
int CosmeticLine(Canvas& dc, int x0, int y0, int x1, int y1, const Pen& pen, int phase) {
    const DashPattern dash = PatternOf(pen);
    const int length = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    if (dash.period == 0 && (y0 == y1 || x0 == x1)) {
        // Straight lines are the controls' everyday case: one clipped run each.
        const RECT r =
            y0 == y1 ? (x0 < x1 ? RECT{x0, y0, x1, y0 + 1} : RECT{x1 + 1, y0, x0 + 1, y0 + 1})
                     : (y0 < y1 ? RECT{x0, y0, x0 + 1, y1} : RECT{x0, y1 + 1, x0 + 1, y0 + 1});
        FillWith(dc, r, CreateSolidBrush(pen.color));
        return 0;
    }
    const std::uint32_t fore = PixelOf(pen.color), back = PixelOf(dc.BkColor());
    const bool opaque = dc.BkMode() == OPAQUE;
    WalkLine(x0, y0, x1, y1, [&](int x, int y, int k) {
        const bool on = dash.period == 0 || (phase + k) % dash.period < dash.on;
        if ((on || opaque) && dc.Visible(x, y))
            dc.Row(y)[x] = on ? fore : back;
    });
    return dash.period == 0 ? 0 : (phase + length) % dash.period;
}

/// Draws a line with the pen, starting `phase` pixels into its pattern; returns the phase of a
/// line joined to its end.
int DrawLine(Canvas& dc, int x0, int y0, int x1, int y1, const Pen& pen, int phase) {
    if (pen.style == PS_NULL)
        return phase;
    if (pen.width <= 1)
        return CosmeticLine(dc, x0, y0, x1, y1, pen, phase);
    // Wider pens are geometric: round caps, so the end point is covered too.
    PaintPixels(dc, WideSegment(POINT{x0, y0}, POINT{x1, y1}, pen.width), pen.color);
    return phase;
}

/// The normalised pixel range of a GDI extent: [x, x + w) for w >= 0; a negative extent covers
/// the pixels from x + w + 1 up to x itself.
RECT ExtentRect(int x, int y, int w, int h) {
    RECT r{x, y, x + w, y + h};
    if (w < 0)
        r = RECT{x + w + 1, r.top, x + 1, r.bottom};
    if (h < 0)
        r = RECT{r.left, y + h + 1, r.right, y + 1};
    return r;
}

} // namespace

void FillRect(Canvas& dc, const RECT& r, const Brush& brush) {
    // FillRect is a pattern copy of the brush over the rectangle's extents, so a reversed
    // rectangle fills what a negative PatBlt extent fills.
    FillWith(dc, ExtentRect(r.left, r.top, r.Width(), r.Height()), brush);
}

void FrameRect(Canvas& dc, const RECT& r, const Brush& brush) {
    if (IsRectEmpty(r))
        return;
    FillWith(dc, RECT{r.left, r.top, r.right, r.top + 1}, brush);
    if (r.bottom - 1 > r.top)
        FillWith(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, brush);
    FillWith(dc, RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1}, brush);
    if (r.right - 1 > r.left)
        FillWith(dc, RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1}, brush);
}

void InvertRect(Canvas& dc, const RECT& r) {
    dc.ForEachRun(ExtentRect(r.left, r.top, r.Width(), r.Height()), [&](int x0, int y, int x1) {
        std::uint32_t* row = dc.Row(y);
        for (int x = x0; x < x1; ++x)
            row[x] ^= 0x00FFFFFFu;
    });
}

void MoveToEx(Canvas& dc, int x, int y, POINT* old) {
    const POINT prev = dc.MoveTo(x, y);
    dc.SetDashPhase(0); // a new figure starts its pattern over
    if (old != nullptr)
        *old = prev;
}

void LineTo(Canvas& dc, int x, int y) {
    const POINT from = dc.MoveTo(x, y);
    dc.SetDashPhase(DrawLine(dc, from.x, from.y, x, y, dc.CurrentPen(), dc.DashPhase()));
}

void SetPixelV(Canvas& dc, int x, int y, Color c) {
    if (!dc.Visible(x, y))
        return;
    dc.Row(y)[x] = PixelOf(c);
}

Color GetPixel(const Canvas& dc, int x, int y) {
    if (!dc.Visible(x, y))
        return Color(0xFFFFFFFFu);
    return ColorOfPixel(dc.Row(y)[x]);
}

namespace {

/// The pixels of the shape that touch its outside through a side (not only a corner): the
/// outline a one-pixel pen draws around a filled shape.
QRegion Rim(const QRegion& shape) {
    const QRegion inner = shape.intersected(shape.translated(1, 0))
                              .intersected(shape.translated(-1, 0))
                              .intersected(shape.translated(0, 1))
                              .intersected(shape.translated(0, -1));
    return shape.subtracted(inner);
}

/// The pixels of the ellipse that fills the box (nothing when the box is empty).
QRegion EllipseShape(int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top)
        return QRegion();
    return RegionOfSpans(EllipseSpans(right - left, bottom - top), left, top);
}

} // namespace

void Ellipse(Canvas& dc, int left, int top, int right, int bottom) {
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    // A box with no area, or a single pixel, draws nothing.
    if (right == left || bottom == top || (right - left == 1 && bottom - top == 1))
        return;
    const Pen& pen = dc.CurrentPen();
    const QRegion shape = EllipseShape(left, top, right, bottom);
    if (pen.style == PS_NULL) {
        FillRgn(dc, Region(shape), dc.CurrentBrush());
        return;
    }
    if (pen.width <= 1) {
        const QRegion rim = Rim(shape);
        FillRgn(dc, Region(shape.subtracted(rim)), dc.CurrentBrush());
        PaintPixels(dc, rim, pen.color);
        return;
    }
    // A wide pen is geometric: it strokes the one-pixel outline as a closed polyline with round
    // joins, centred on it, after the brush has filled the shape. PS_INSIDEFRAME first shrinks
    // the box by the half of the pen that would fall outside it.
    FillRgn(dc, Region(shape), dc.CurrentBrush());
    if (pen.style == PS_INSIDEFRAME) {
        left += pen.width / 2;
        top += pen.width / 2;
        right -= (pen.width - 1) / 2;
        bottom -= (pen.width - 1) / 2;
    }
    if (right <= left || bottom <= top)
        return;
    const std::vector<POINT> outline = EllipseOutline(left, top, right - left, bottom - top);
    QRegion stroke;
    for (std::size_t i = 0; i < outline.size(); ++i)
        stroke += WideSegment(outline[i], outline[(i + 1) % outline.size()], pen.width);
    PaintPixels(dc, stroke, pen.color);
}

void Rectangle(Canvas& dc, int left, int top, int right, int bottom) {
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    // A box with no area, or a single pixel, draws nothing.
    if (right == left || bottom == top || (right - left == 1 && bottom - top == 1))
        return;
    const Pen pen = dc.CurrentPen();
    if (pen.style == PS_NULL) {
        FillWith(dc, RECT{left, top, right - 1, bottom - 1}, dc.CurrentBrush());
        return;
    }
    FillWith(dc, RECT{left + 1, top + 1, right - 1, bottom - 1}, dc.CurrentBrush());
    // The outline runs through the outermost pixels; PS_INSIDEFRAME moves it inward so that a
    // wide pen stays inside the box.
    int l = left, t = top, r = right - 1, b = bottom - 1;
    if (pen.style == PS_INSIDEFRAME && pen.width > 1) {
        l += pen.width / 2;
        t += pen.width / 2;
        r -= (pen.width - 1) / 2;
        b -= (pen.width - 1) / 2;
    }
    const std::array<POINT, 4> corners = {POINT{l, t}, POINT{r, t}, POINT{r, b}, POINT{l, b}};
    if (pen.width <= 1) {
        // The outline is one closed figure: a dotted pen's pattern runs on around the corners.
        int phase = 0;
        for (std::size_t i = 0; i < corners.size(); ++i) {
            const POINT a = corners[i], c = corners[(i + 1) % corners.size()];
            phase = CosmeticLine(dc, a.x, a.y, c.x, c.y, pen, phase);
        }
        return;
    }
    QRegion outline;
    for (std::size_t i = 0; i < corners.size(); ++i)
        outline += WideSegment(corners[i], corners[(i + 1) % corners.size()], pen.width);
    PaintPixels(dc, outline, pen.color);
}

void FillRgn(Canvas& dc, const Region& r, const Brush& brush) {
    if (r.IsEmpty() || brush.kind == Brush::Kind::Null)
        return;
    for (const QRect& q : r.ToQRegion())
        FillWith(dc, RECT{q.left(), q.top(), q.right() + 1, q.bottom() + 1}, brush);
}

void FrameRgn(Canvas& dc, const Region& r, const Brush& brush, int w, int h) {
    if (r.IsEmpty())
        return;
    const QRegion& q = r.ToQRegion();
    const QRegion inner = q.intersected(q.translated(w, 0))
                              .intersected(q.translated(-w, 0))
                              .intersected(q.translated(0, h))
                              .intersected(q.translated(0, -h));
    FillRgn(dc, Region(q.subtracted(inner)), brush);
}

bool PatBlt(Canvas& dc, int x, int y, int w, int h, std::uint32_t rop) {
    const RECT r = ExtentRect(x, y, w, h);
    const Brush& brush = dc.CurrentBrush();
    switch (rop) {
    case PATCOPY:
        // A hatch brush's gaps follow the background mode, as they do in FillRect.
        FillWith(dc, r, brush);
        return true;
    case PATINVERT:
        if (brush.kind == Brush::Kind::Null)
            return true;
        dc.ForEachRun(r, [&](int x0, int yy, int x1) {
            std::uint32_t* row = dc.Row(yy);
            for (int xx = x0; xx < x1; ++xx)
                row[xx] ^= BrushPixel(dc, brush, xx, yy) & 0x00FFFFFFu;
        });
        return true;
    case DSTINVERT:
        InvertRect(dc, r);
        return true;
    case BLACKNESS:
        FillWith(dc, r, CreateSolidBrush(RGB(0, 0, 0)));
        return true;
    case WHITENESS:
        FillWith(dc, r, CreateSolidBrush(RGB(255, 255, 255)));
        return true;
    default:
        return false;
    }
}

bool BitBlt(Canvas& dst, int x, int y, int w, int h, const Canvas& src, int sx, int sy,
            std::uint32_t rop) {
    switch (rop) {
    case PATCOPY:
    case PATINVERT:
    case DSTINVERT:
    case BLACKNESS:
    case WHITENESS:
        return PatBlt(dst, x, y, w, h, rop);
    case SRCCOPY:
    case SRCPAINT:
    case SRCAND:
    case SRCINVERT:
    case NOTSRCCOPY:
        break;
    default:
        return false;
    }
    if (w <= 0 || h <= 0)
        return true;
    // Keep only the part that exists in the source; the destination clips in ForEachRun.
    if (sx < 0) {
        x -= sx;
        w += sx;
        sx = 0;
    }
    if (sy < 0) {
        y -= sy;
        h += sy;
        sy = 0;
    }
    w = std::min(w, src.Width() - sx);
    h = std::min(h, src.Height() - sy);
    if (w <= 0 || h <= 0)
        return true;
    // A private copy of the source lets a canvas copy onto itself with overlap.
    const QImage copy = src.Image().copy(sx, sy, w, h);
    dst.ForEachRun(RECT{x, y, x + w, y + h}, [&](int x0, int yy, int x1) {
        std::uint32_t* row = dst.Row(yy);
        const auto* s = reinterpret_cast<const std::uint32_t*>(copy.constScanLine(yy - y));
        for (int xx = x0; xx < x1; ++xx) {
            const std::uint32_t sp = s[xx - x] & 0x00FFFFFFu, dp = row[xx] & 0x00FFFFFFu;
            std::uint32_t out = sp;
            switch (rop) {
            case SRCPAINT:
                out = dp | sp;
                break;
            case SRCAND:
                out = dp & sp;
                break;
            case SRCINVERT:
                out = dp ^ sp;
                break;
            case NOTSRCCOPY:
                out = ~sp & 0x00FFFFFFu;
                break;
            default:
                break;
            }
            row[xx] = out | kOpaque;
        }
    });
    return true;
}

void DrawIconEx(Canvas& dc, int x, int y, const Picture& picture, int w, int h) {
    if (picture.IsNone())
        return;
    if (w <= 0)
        w = picture.Width();
    if (h <= 0)
        h = picture.Height();
    QImage img = picture.image;
    if (img.width() != w || img.height() != h)
        img = img.scaled(w, h, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    img = img.convertToFormat(QImage::Format_ARGB32);
    const bool blend = picture.type == Picture::Type::Icon;
    dc.ForEachRun(RECT{x, y, x + w, y + h}, [&](int x0, int yy, int x1) {
        std::uint32_t* row = dc.Row(yy);
        const auto* s = reinterpret_cast<const std::uint32_t*>(img.constScanLine(yy - y));
        for (int xx = x0; xx < x1; ++xx) {
            const std::uint32_t sp = s[xx - x];
            const std::uint32_t a = blend ? (sp >> 24) : 255;
            if (a == 255) {
                row[xx] = sp | kOpaque;
            } else if (a != 0) {
                const std::uint32_t dp = row[xx];
                std::uint32_t out = kOpaque;
                for (int shift = 0; shift < 24; shift += 8) {
                    const std::uint32_t sc = (sp >> shift) & 0xFF, dc2 = (dp >> shift) & 0xFF;
                    out |= ((sc * a + dc2 * (255 - a) + 127) / 255) << shift;
                }
                row[xx] = out;
            }
        }
    });
}

bool DrawEdge(Canvas& dc, RECT& r, unsigned edge, unsigned flags) {
    const bool flat = (flags & BF_FLAT) != 0, mono = (flags & BF_MONO) != 0;
    const bool soft = (flags & BF_SOFT) != 0;
    struct Ring {
        int tl, br;
    };
    // Outer ring first, then the inner one; -1 means the ring is absent.
    Ring outer{-1, -1}, inner{-1, -1};
    if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) {
        if (mono)
            outer = {COLOR_WINDOWFRAME, COLOR_WINDOWFRAME};
        else if (flat)
            outer = {COLOR_BTNSHADOW, COLOR_BTNSHADOW};
        else if (edge & BDR_RAISEDOUTER)
            outer = {soft ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT, COLOR_3DDKSHADOW};
        else
            outer = {COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT};
    }
    if (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) {
        if (mono)
            inner = {COLOR_WINDOW, COLOR_WINDOW};
        else if (flat)
            inner = {COLOR_BTNFACE, COLOR_BTNFACE};
        else if (edge & BDR_RAISEDINNER)
            inner = {soft ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW};
        else
            inner = {COLOR_3DDKSHADOW, COLOR_3DLIGHT};
    }
    RECT cur = r;
    for (const Ring& ring : {outer, inner}) {
        if (ring.tl < 0 || IsRectEmpty(cur))
            continue;
        const Brush tl = CreateSolidBrush(GetSysColor(ring.tl));
        const Brush br = CreateSolidBrush(GetSysColor(ring.br));
        // Top and left stop one short of a far corner that the right or bottom side paints;
        // right and bottom run the full length.
        const int topEnd = cur.right - ((flags & BF_RIGHT) ? 1 : 0);
        const int leftEnd = cur.bottom - ((flags & BF_BOTTOM) ? 1 : 0);
        if (flags & BF_TOP)
            FillWith(dc, RECT{cur.left, cur.top, topEnd, cur.top + 1}, tl);
        if (flags & BF_LEFT)
            FillWith(dc, RECT{cur.left, cur.top, cur.left + 1, leftEnd}, tl);
        if (flags & BF_RIGHT)
            FillWith(dc, RECT{cur.right - 1, cur.top, cur.right, cur.bottom}, br);
        if (flags & BF_BOTTOM)
            FillWith(dc, RECT{cur.left, cur.bottom - 1, cur.right, cur.bottom}, br);
        if (flags & BF_LEFT)
            ++cur.left;
        if (flags & BF_TOP)
            ++cur.top;
        if (flags & BF_RIGHT)
            --cur.right;
        if (flags & BF_BOTTOM)
            --cur.bottom;
    }
    if (flags & BF_MIDDLE)
        FillWith(dc, cur, CreateSolidBrush(GetSysColor(mono ? COLOR_WINDOW : COLOR_BTNFACE)));
    if (flags & BF_ADJUST)
        r = cur;
    return true;
}

void DrawFocusRect(Canvas& dc, const RECT& r) {
    if (IsRectEmpty(r))
        return;
    const std::uint32_t even = PixelOf(dc.BkColor()) & 0x00FFFFFFu;
    const std::uint32_t odd = PixelOf(dc.TextColor()) & 0x00FFFFFFu;
    auto dot = [&](int x, int y) {
        if (dc.Visible(x, y))
            dc.Row(y)[x] ^= ((x + y) & 1) ? odd : even;
    };
    for (int x = r.left; x < r.right; ++x) {
        dot(x, r.top);
        if (r.bottom - 1 > r.top)
            dot(x, r.bottom - 1);
    }
    for (int y = r.top + 1; y < r.bottom - 1; ++y) {
        dot(r.left, y);
        if (r.right - 1 > r.left)
            dot(r.right - 1, y);
    }
}

// ---------------------------------------------------------------------------------------------
// Text

PrefixText StripPrefix(std::string_view text) {
    PrefixText out;
    out.text.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out.text.push_back(text[i]);
            continue;
        }
        if (i + 1 >= text.size())
            break; // a trailing "&" shows nothing
        if (text[i + 1] == '&') {
            out.text.push_back('&');
            ++i;
            continue;
        }
        if (out.underline < 0)
            out.underline = static_cast<int>(out.text.size());
    }
    return out;
}

namespace {

/// One laid-out line: a range of the shown text.
struct Line {
    int begin = 0;
    int end = 0;
    int width = 0;
};

QString ToQString(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

int Advance(const QFontMetrics& fm, const std::string& s, int begin, int end) {
    if (end <= begin)
        return 0;
    return fm.horizontalAdvance(ToQString(std::string_view(s).substr(
        static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin))));
}

/// Breaks the shown text into lines: at "\n" unless single-line, and between words when the
/// next word would pass maxWidth (word break without single line). Spaces at a break are
/// dropped.
std::vector<Line> LayoutLines(const QFontMetrics& fm, const std::string& s, int maxWidth,
                              unsigned format) {
    std::vector<Line> lines;
    const int n = static_cast<int>(s.size());
    auto addLine = [&](int b, int e) {
        while (e > b && s[static_cast<std::size_t>(e - 1)] == '\r')
            --e;
        lines.push_back(Line{b, e, Advance(fm, s, b, e)});
    };
    int start = 0;
    while (start <= n) {
        int end = start;
        if (format & DT_SINGLELINE)
            end = n;
        else
            while (end < n && s[static_cast<std::size_t>(end)] != '\n')
                ++end;
        if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE)) {
            addLine(start, end);
        } else {
            int lineBegin = start;
            while (true) {
                // Greedily take words while the line fits; at least one word per line.
                int pos = lineBegin, lastFit = -1;
                while (pos < end) {
                    int wordEnd = pos;
                    while (wordEnd < end && s[static_cast<std::size_t>(wordEnd)] == ' ')
                        ++wordEnd;
                    while (wordEnd < end && s[static_cast<std::size_t>(wordEnd)] != ' ')
                        ++wordEnd;
                    if (lastFit >= 0 && Advance(fm, s, lineBegin, wordEnd) > maxWidth)
                        break;
                    lastFit = wordEnd;
                    pos = wordEnd;
                }
                if (lastFit < 0)
                    lastFit = end;
                addLine(lineBegin, lastFit);
                int next = lastFit;
                while (next < end && s[static_cast<std::size_t>(next)] == ' ')
                    ++next;
                if (next >= end)
                    break;
                lineBegin = next;
            }
        }
        if (end >= n)
            break;
        start = end + 1;
    }
    return lines;
}

/// The font text is measured and drawn with. A bold font whose family has no bold face (the
/// classic sans serif is one weight only) is emboldened as GDI does for such fonts: each glyph is
/// struck twice, one pixel apart, and advances one pixel further.
struct TextFont {
    QFont font;
    bool overstrike = false;
};

bool FamilyHasBold(const QString& family) {
    static std::map<QString, bool> known;
    const auto it = known.find(family);
    if (it != known.end())
        return it->second;
    bool bold = false;
    for (const QString& style : QFontDatabase::styles(family))
        bold = bold || QFontDatabase::weight(family, style) >= QFont::DemiBold;
    known[family] = bold;
    return bold;
}

TextFont ResolveTextFont(const QFont& requested) {
    // The controls draw with one or two fonts over and over; resolving the family is the slow
    // part, so the last answer is kept.
    static QFont lastFont;
    static TextFont lastResult;
    static bool haveLast = false;
    if (haveLast && lastFont == requested)
        return lastResult;
    TextFont out{requested, false};
    if (requested.weight() > QFont::Medium && !FamilyHasBold(QFontInfo(requested).family())) {
        out.font.setWeight(QFont::Normal);
        out.font.setLetterSpacing(QFont::AbsoluteSpacing, 1);
        out.overstrike = true;
    }
    lastFont = requested;
    lastResult = out;
    haveLast = true;
    return out;
}

/// The glyphs of one line of text exactly as QPainter::drawText would shape them, placed
/// relative to the baseline's start.
QList<QGlyphRun> ShapeLine(const QString& text, const QFont& font, QPaintDevice* device) {
    QTextLayout layout(text, font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTextDirection(QGuiApplication::layoutDirection());
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    if (!line.isValid())
        return {};
    QList<QGlyphRun> runs = layout.glyphRuns();
    const qreal ascent = line.ascent();
    for (QGlyphRun& run : runs) {
        QList<QPointF> positions = run.positions();
        for (QPointF& at : positions)
            at.ry() -= ascent;
        run.setPositions(positions);
    }
    return runs;
}

/// A text laid out for drawing: its lines and, once drawn, each line's glyphs.
struct CachedLayout {
    QFont font;
    std::string text;
    int maxWidth = 0;
    unsigned format = 0;
    std::vector<Line> lines;
    std::vector<QList<QGlyphRun>> glyphs; // per line; empty until the text is first drawn
};

/// The layouts of the texts laid out last. Controls draw the same caption in the same box over
/// and over (a button measures it, then draws it once or twice per paint); laying it out means
/// shaping every word, and drawing it shaping it again, so the last few layouts are kept with
/// their glyphs, keyed by everything they depend on.
CachedLayout& LayoutOf(const QFontMetrics& fm, const QFont& font, const std::string& s,
                       int maxWidth, unsigned format) {
    constexpr std::size_t kKept = 8;
    thread_local std::array<CachedLayout, kKept> kept;
    thread_local std::size_t used = 0, next = 0;
    const unsigned shape = format & (DT_WORDBREAK | DT_SINGLELINE);
    // The width only matters where lines break between words.
    const bool breaks = (format & DT_WORDBREAK) && !(format & DT_SINGLELINE);
    const int width = breaks ? maxWidth : 0;
    for (std::size_t i = 0; i < used; ++i) {
        CachedLayout& l = kept[i];
        if (l.maxWidth == width && l.format == shape && l.text == s && l.font == font)
            return l;
    }
    CachedLayout& slot = kept[next];
    next = (next + 1) % kKept;
    used = std::max(used, next == 0 ? kKept : next);
    slot.font = font;
    slot.text = s;
    slot.maxWidth = width;
    slot.format = shape;
    slot.lines = LayoutLines(fm, s, maxWidth, format);
    slot.glyphs.clear();
    return slot;
}

/// Draws (or measures) text; the shared body of DrawTextA and DrawStateA.
int LayoutText(Canvas& dc, std::string_view text, RECT& r, unsigned format, bool draw) {
    const PrefixText shown =
        (format & DT_NOPREFIX) ? PrefixText{std::string(text), -1} : StripPrefix(text);
    const std::string& s = shown.text;
    if (s.empty()) {
        if (format & DT_CALCRECT) {
            r.right = r.left;
            r.bottom = r.top;
        }
        return 0;
    }
    const TextFont tf = ResolveTextFont(dc.CurrentFont());
    const QFontMetrics fm(tf.font);
    const int lineHeight = fm.height();
    CachedLayout& layout = LayoutOf(fm, tf.font, s, r.Width(), format);
    const std::vector<Line>& lines = layout.lines;
    const int height = lineHeight * static_cast<int>(lines.size());
    int widest = 0;
    for (const Line& l : lines)
        widest = std::max(widest, l.width);
    if (format & DT_CALCRECT) {
        r.right = r.left + widest;
        r.bottom = r.top + height;
        return height;
    }
    if (!draw)
        return height;
    int y = r.top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = r.top + (r.Height() - height) / 2;
        else if (format & DT_BOTTOM)
            y = r.bottom - height;
    }
    QPainter p(&dc.Image());
    p.setFont(tf.font);
    p.setPen(dc.TextColor().ToQColor());
    QRegion clip(0, 0, dc.Width(), dc.Height());
    if (dc.Clip())
        clip = clip.intersected(dc.Clip()->ToQRegion());
    if (!(format & DT_NOCLIP))
        clip = clip.intersected(QRect(r.left, r.top, r.Width(), r.Height()));
    if (clip.isEmpty())
        return height;
    p.setClipRegion(clip);
    // Decorated fonts keep the painter's own text drawing, which places the lines itself.
    const bool shaped = !tf.font.underline() && !tf.font.strikeOut() && !tf.font.overline();
    if (shaped && layout.glyphs.size() != lines.size()) {
        layout.glyphs.clear();
        for (const Line& line : lines)
            layout.glyphs.push_back(ShapeLine(ToQString(std::string_view(s).substr(
                                                  static_cast<std::size_t>(line.begin),
                                                  static_cast<std::size_t>(line.end - line.begin))),
                                              tf.font, &dc.Image()));
    }
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const Line& line = lines[n];
        int x = r.left;
        if (format & DT_CENTER)
            x = r.left + (r.Width() - line.width) / 2;
        else if (format & DT_RIGHT)
            x = r.right - line.width;
        if (dc.BkMode() == OPAQUE)
            p.fillRect(QRect(x, y, line.width, lineHeight), dc.BkColor().ToQColor());
        if (!(format & DT_PREFIXONLY)) {
            const auto drawAt = [&](int left) {
                const QPointF baseline(left, y + fm.ascent());
                if (shaped) {
                    for (const QGlyphRun& run : layout.glyphs[n])
                        p.drawGlyphRun(baseline, run);
                    return;
                }
                p.drawText(baseline, ToQString(std::string_view(s).substr(
                                         static_cast<std::size_t>(line.begin),
                                         static_cast<std::size_t>(line.end - line.begin))));
            };
            drawAt(x);
            if (tf.overstrike)
                drawAt(x + 1);
        }
        if (shown.underline >= line.begin && shown.underline < line.end &&
            !(format & DT_HIDEPREFIX)) {
            const int ux = x + Advance(fm, s, line.begin, shown.underline);
            const int uw = Advance(fm, s, shown.underline, shown.underline + 1);
            p.fillRect(QRect(ux, y + fm.ascent() + 1, uw, 1), dc.TextColor().ToQColor());
        }
        y += lineHeight;
    }
    return height;
}

} // namespace

int DrawTextA(Canvas& dc, std::string_view text, RECT& r, unsigned format) {
    return LayoutText(dc, text, r, format, true);
}

bool TextOutA(Canvas& dc, int x, int y, std::string_view text) {
    SIZE size;
    GetTextExtentPoint32A(dc, text, size);
    RECT r{x, y, x + size.cx, y + size.cy};
    LayoutText(dc, text, r, DT_NOPREFIX | DT_SINGLELINE | DT_NOCLIP, true);
    return true;
}

bool GetTextExtentPoint32A(const Canvas& dc, std::string_view text, SIZE& size) {
    const QFontMetrics fm(ResolveTextFont(dc.CurrentFont()).font);
    size.cx = fm.horizontalAdvance(ToQString(text));
    size.cy = fm.height();
    return true;
}

bool DrawStateA(Canvas& dc, std::string_view text, int x, int y, int cx, int cy, unsigned flags) {
    const unsigned format =
        DT_SINGLELINE | DT_NOCLIP | ((flags & DST_PREFIXTEXT) ? 0u : unsigned(DT_NOPREFIX));
    RECT box{x, y, x + cx, y + cy};
    if (cx <= 0 || cy <= 0) {
        RECT measure{x, y, x, y};
        LayoutText(dc, text, measure, format | DT_CALCRECT, false);
        box = measure;
    }
    const int mode = dc.SetBkMode(TRANSPARENT);
    const Color text0 = dc.TextColor();
    if (flags & DSS_DISABLED) {
        RECT shifted = box;
        OffsetRect(shifted, 1, 1);
        dc.SetTextColor(GetSysColor(COLOR_BTNHIGHLIGHT));
        LayoutText(dc, text, shifted, format, true);
        dc.SetTextColor(GetSysColor(COLOR_BTNSHADOW));
    }
    LayoutText(dc, text, box, format, true);
    dc.SetTextColor(text0);
    dc.SetBkMode(mode);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Device-independent bitmaps

Dib24::Dib24(int width, int height) {
    header_.biWidth = std::max(width, 0);
    header_.biHeight = std::max(height, 0);
    stride_ = (header_.biWidth * 3 + 3) & ~3;
    header_.biSizeImage = static_cast<std::uint32_t>(stride_ * header_.biHeight);
    bits_.assign(header_.biSizeImage, 0);
}

int GetDIBits(const Canvas& dc, int x, int y, Dib24& dib) {
    int rows = 0;
    for (int j = 0; j < dib.Height(); ++j) {
        const int sy = y + j;
        const bool rowOn = sy >= 0 && sy < dc.Height();
        rows += rowOn ? 1 : 0;
        for (int i = 0; i < dib.Width(); ++i) {
            const int sx = x + i;
            std::uint8_t* px = dib.At(i, j);
            const std::uint32_t p = (rowOn && sx >= 0 && sx < dc.Width()) ? dc.Row(sy)[sx] : 0;
            px[0] = static_cast<std::uint8_t>(p & 0xFF);
            px[1] = static_cast<std::uint8_t>((p >> 8) & 0xFF);
            px[2] = static_cast<std::uint8_t>((p >> 16) & 0xFF);
        }
    }
    return rows;
}

int SetDIBitsToDevice(Canvas& dc, int x, int y, const Dib24& dib) {
    int rows = 0, lastRow = -1;
    dc.ForEachRun(RECT{x, y, x + dib.Width(), y + dib.Height()}, [&](int x0, int yy, int x1) {
        if (yy != lastRow) {
            ++rows;
            lastRow = yy;
        }
        std::uint32_t* row = dc.Row(yy);
        for (int xx = x0; xx < x1; ++xx) {
            const std::uint8_t* px = dib.At(xx - x, yy - y);
            row[xx] = kOpaque | (std::uint32_t(px[2]) << 16) | (std::uint32_t(px[1]) << 8) | px[0];
        }
    });
    return rows;
}

} // namespace corvane::platform

#pragma once
// The GDI-like canvas the custom controls paint on. A canvas is a 32-bit image with the drawing
// state a Windows device context carries (pen, brush, font, text and background colours, current
// position, clip region). The primitives follow GDI's pixel rules, so the controls' drawing reads
// as the system describes it and produces the same pixels on every desktop. Colours are 32-bit
// words 0x00BBGGRR (red in the low byte) everywhere; they become Qt colours only at the boundary.

#include <QFont>
#include <QImage>
#include <QRegion>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::platform {

// ---------------------------------------------------------------------------------------------
// Colours

/// A colour word 0x00BBGGRR; a word with the high bit set names a system colour (0x800000nn).
class Color {
public:
    constexpr Color() = default;
    /// Wraps a raw colour word as the system stores it.
    constexpr explicit Color(std::uint32_t word) : word_(word) {}
    /// The colour of the three channels (each cut to 0..255).
    static constexpr Color FromRgb(int r, int g, int b) {
        return Color(static_cast<std::uint32_t>(Clamp(r)) |
                     (static_cast<std::uint32_t>(Clamp(g)) << 8) |
                     (static_cast<std::uint32_t>(Clamp(b)) << 16));
    }
    /// The colour of a Qt RGB value (alpha ignored).
    static Color FromQRgb(unsigned int rgb);

    /// The raw 32-bit word.
    constexpr std::uint32_t Value() const { return word_; }
    /// The red channel (bits 0-7).
    constexpr int Red() const { return static_cast<int>(word_ & 0xFF); }
    /// The green channel (bits 8-15).
    constexpr int Green() const { return static_cast<int>((word_ >> 8) & 0xFF); }
    /// The blue channel (bits 16-23).
    constexpr int Blue() const { return static_cast<int>((word_ >> 16) & 0xFF); }
    /// True when the word names a system colour rather than an RGB value.
    constexpr bool IsSystem() const { return (word_ & 0x80000000u) != 0; }
    /// The Qt RGB value (opaque) of an RGB colour word; system colours are resolved first.
    unsigned int ToQRgb() const;
    /// The Qt colour of this word, for the boundary to Qt only.
    QColor ToQColor() const;

    constexpr bool operator==(const Color&) const = default;

private:
    static constexpr int Clamp(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
    std::uint32_t word_ = 0;
};

/// The colour of three channels, as the Win32 macro builds it.
constexpr Color RGB(int r, int g, int b) {
    return Color::FromRgb(r, g, b);
}

/// System colour indices for GetSysColor.
enum SysColorIndex : int {
    COLOR_SCROLLBAR = 0,
    COLOR_BACKGROUND = 1,
    COLOR_ACTIVECAPTION = 2,
    COLOR_INACTIVECAPTION = 3,
    COLOR_MENU = 4,
    COLOR_WINDOW = 5,
    COLOR_WINDOWFRAME = 6,
    COLOR_MENUTEXT = 7,
    COLOR_WINDOWTEXT = 8,
    COLOR_CAPTIONTEXT = 9,
    COLOR_ACTIVEBORDER = 10,
    COLOR_INACTIVEBORDER = 11,
    COLOR_APPWORKSPACE = 12,
    COLOR_HIGHLIGHT = 13,
    COLOR_HIGHLIGHTTEXT = 14,
    COLOR_BTNFACE = 15,
    COLOR_BTNSHADOW = 16,
    COLOR_GRAYTEXT = 17,
    COLOR_BTNTEXT = 18,
    COLOR_INACTIVECAPTIONTEXT = 19,
    COLOR_BTNHIGHLIGHT = 20,
    COLOR_3DDKSHADOW = 21,
    COLOR_3DLIGHT = 22,
    COLOR_INFOTEXT = 23,
    COLOR_INFOBK = 24,
    COLOR_HOTLIGHT = 26,
    COLOR_GRADIENTACTIVECAPTION = 27,
    COLOR_GRADIENTINACTIVECAPTION = 28,
    COLOR_MENUHILIGHT = 29,
    COLOR_MENUBAR = 30,
};

/// The RGB value of a system colour, from one fixed table of the classic themed values.
Color GetSysColor(int index);
/// Resolves a colour word: a system colour (high bit set) becomes its RGB value, RGB stays.
Color OleTranslateColor(Color color);

// ---------------------------------------------------------------------------------------------
// Geometry

/// A rectangle with exclusive right and bottom edges, as GDI uses it.
struct RECT {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    /// The width (right - left).
    constexpr int Width() const { return right - left; }
    /// The height (bottom - top).
    constexpr int Height() const { return bottom - top; }
    constexpr bool operator==(const RECT&) const = default;
};

/// A point in pixels.
struct POINT {
    int x = 0;
    int y = 0;
};

/// A size in pixels.
struct SIZE {
    int cx = 0;
    int cy = 0;
};

/// Sets all four edges of a rectangle.
void SetRect(RECT& r, int left, int top, int right, int bottom);
/// Copies a rectangle.
void CopyRect(RECT& dst, const RECT& src);
/// Moves a rectangle by (dx, dy).
void OffsetRect(RECT& r, int dx, int dy);
/// Grows a rectangle by dx on the left and right and dy on the top and bottom (negative shrinks).
void InflateRect(RECT& r, int dx, int dy);
/// True when the rectangle has no area.
bool IsRectEmpty(const RECT& r);
/// The intersection of two rectangles; false (and an empty result) when they do not meet.
bool IntersectRect(RECT& dst, const RECT& a, const RECT& b);
/// True when the point lies inside (right and bottom edges excluded).
bool PtInRect(const RECT& r, POINT p);

// ---------------------------------------------------------------------------------------------
// Pens, brushes, fonts, pictures

/// Pen styles.
enum PenStyle : int { PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_NULL = 5, PS_INSIDEFRAME = 6 };

/// A pen: style, width in pixels and colour (a value; creating one costs nothing).
struct Pen {
    int style = PS_SOLID;
    int width = 1;
    Color color;
};

/// Hatch styles of CreateHatchBrush (8 x 8 patterns).
enum HatchStyle : int {
    HS_HORIZONTAL = 0,
    HS_VERTICAL = 1,
    HS_FDIAGONAL = 2,
    HS_BDIAGONAL = 3,
    HS_CROSS = 4,
    HS_DIAGCROSS = 5,
};

/// A brush: solid, hatched, a pattern of pixels, or hollow (draws nothing).
struct Brush {
    /// What the brush paints with.
    enum class Kind { Solid, Hatch, Pattern, Null };
    Kind kind = Kind::Solid;
    Color color;
    int hatch = HS_HORIZONTAL;
    QImage pattern;
};

/// A pen of the style, width and colour. PS_DOT and PS_DASH dot only one-pixel pens; a wider
/// pen of those styles draws solid, as the styles are defined for cosmetic pens only.
Pen CreatePen(int style, int width, Color color);
/// A solid brush.
Brush CreateSolidBrush(Color color);
/// A hatch brush: the hatch in the colour, the gaps in the canvas's background colour when the
/// background mode is OPAQUE and untouched when it is TRANSPARENT.
Brush CreateHatchBrush(int hatchStyle, Color color);
/// A pattern brush tiled from the canvas origin with the image's pixels.
Brush CreatePatternBrush(const QImage& pattern);
/// The hollow brush (GetStockObject(NULL_BRUSH)).
Brush NullBrush();
/// The 8 x 8 bit rows of a hatch style (bit 7 is the leftmost pixel); 0 rows for unknown styles.
const std::uint8_t* HatchBits(int hatchStyle);

/// A font description as a saved design holds it (name, size in points, attributes).
struct Font {
    std::string name = "MS Sans Serif";
    double size = 8.25;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    /// Weight 100..900; 0 means "from bold" (400 or 700).
    int weight = 0;
    bool operator==(const Font&) const = default;
};

/// Registers the program's fonts with Qt once ("MS Sans Serif" from the system's font folder);
/// safe to call any number of times. Needs a Qt GUI application object.
void EnsureFonts();
/// The Qt font for a font description, sized in pixels at 96 dots per inch, without
/// antialiasing so that text pixels are crisp as on the classic desktop. "MS Sans Serif" falls
/// back to DejaVu Sans when its file is missing.
QFont ToQFont(const Font& font);

/// A picture object: none, a bitmap, or an icon (drawn with its transparency).
struct Picture {
    /// The kinds of picture a saved design can hold.
    enum class Type { None = 0, Bitmap = 1, Icon = 3 };
    Type type = Type::None;
    QImage image;
    /// True when no picture is held.
    bool IsNone() const { return type == Type::None || image.isNull(); }
    /// Width in pixels (0 without a picture).
    int Width() const { return IsNone() ? 0 : image.width(); }
    /// Height in pixels (0 without a picture).
    int Height() const { return IsNone() ? 0 : image.height(); }
    /// Width in 0.01 mm, as picture objects report it (96 dots per inch).
    int HimetricWidth() const;
    /// Height in 0.01 mm.
    int HimetricHeight() const;
    bool operator==(const Picture& o) const { return type == o.type && image == o.image; }
};

/// Loads a picture from a file Qt can read; ".ico" files and images with an alpha channel
/// become icons, everything else bitmaps. Returns a picture of type None on failure.
Picture LoadPicture(const std::string& path);
/// A bitmap picture of the image.
Picture PictureFromImage(const QImage& image);
/// An icon picture of the image (alpha kept).
Picture IconFromImage(const QImage& image);
/// Converts 0.01 mm to pixels at 96 dots per inch, rounded to the nearest pixel.
int HimetricToPixels(int himetric);

// ---------------------------------------------------------------------------------------------
// Regions

/// Fill modes of polygon regions.
enum PolyFillMode : int { ALTERNATE = 1, WINDING = 2 };
/// Combine modes of CombineRgn.
enum CombineMode : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
/// Region complexity results.
enum RegionKind : int { RGN_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };

/// A set of pixels made of rectangles (a window shape, a clip area).
class Region {
public:
    Region() = default;
    /// Wraps a Qt region (pixel sets are identical).
    explicit Region(QRegion r) : region_(std::move(r)) {}
    /// The Qt region, for a widget mask or painter clip.
    const QRegion& ToQRegion() const { return region_; }
    /// True when the region holds no pixel.
    bool IsEmpty() const { return region_.isEmpty(); }
    /// NULLREGION, SIMPLEREGION or COMPLEXREGION.
    int Kind() const;
    /// The bounding rectangle (empty when the region is).
    RECT Box() const;

private:
    QRegion region_;
};

/// A rectangular region (right and bottom excluded).
Region CreateRectRgn(int left, int top, int right, int bottom);
/// The ellipse inscribed in the rectangle less its right column and bottom row (the same pixels
/// Ellipse fills in a box one pixel smaller); nothing when that box is empty.
Region CreateEllipticRgn(int left, int top, int right, int bottom);
/// A rectangle (right column and bottom row excluded) whose corners are rounded by an ellipse of
/// width w and height h, each cut to the rectangle's own size.
Region CreateRoundRectRgn(int left, int top, int right, int bottom, int w, int h);
/// The polygon through the points: the pixels whose grid points (x, y) lie inside under the fill
/// mode (left and top edges inside, right and bottom edges outside).
Region CreatePolygonRgn(const std::vector<POINT>& points, int fillMode);
/// dst := a op b; returns the kind of the result (RGN_ERROR for an unknown mode).
int CombineRgn(Region& dst, const Region& a, const Region& b, int mode);
/// Moves a region.
void OffsetRgn(Region& r, int dx, int dy);
/// True when the pixel belongs to the region.
bool PtInRegion(const Region& r, int x, int y);
/// True when two regions hold the same pixels.
bool EqualRgn(const Region& a, const Region& b);

// ---------------------------------------------------------------------------------------------
// Canvas

/// Background modes.
enum BkMode : int { TRANSPARENT = 1, OPAQUE = 2 };

/// Raster operations of BitBlt and PatBlt.
enum RasterOp : std::uint32_t {
    SRCCOPY = 0x00CC0020,
    SRCPAINT = 0x00EE0086,
    SRCAND = 0x008800C6,
    SRCINVERT = 0x00660046,
    NOTSRCCOPY = 0x00330008,
    DSTINVERT = 0x00550009,
    PATCOPY = 0x00F00021,
    PATINVERT = 0x005A0049,
    BLACKNESS = 0x00000042,
    WHITENESS = 0x00FF0062,
};

/// A drawing surface: a 32-bit image plus the state of a device context.
class Canvas {
public:
    /// An empty canvas (0 x 0).
    Canvas() = default;
    /// A canvas of the size, cleared to the colour (a new bitmap is black, as GDI's).
    Canvas(int width, int height, Color fill = RGB(0, 0, 0));

    /// Gives the canvas a new size; the pixels are cleared to the colour.
    void Resize(int width, int height, Color fill = RGB(0, 0, 0));
    /// Fills every pixel with the colour, ignoring the clip region (the control's clear).
    void Clear(Color fill);
    /// Width in pixels.
    int Width() const { return image_.width(); }
    /// Height in pixels.
    int Height() const { return image_.height(); }
    /// The pixels (Format_RGB32).
    const QImage& Image() const { return image_; }
    /// The pixels for writing (Format_RGB32; keep the format).
    QImage& Image() { return image_; }

    /// Selects a pen; returns the previous one.
    Pen SelectPen(const Pen& pen);
    /// Selects a brush; returns the previous one.
    Brush SelectBrush(const Brush& brush);
    /// Selects a font; returns the previous one.
    QFont SelectFont(const QFont& font);
    /// The current pen.
    const Pen& CurrentPen() const { return pen_; }
    /// The current brush.
    const Brush& CurrentBrush() const { return brush_; }
    /// The current font.
    const QFont& CurrentFont() const { return font_; }

    /// Sets the text colour; returns the previous one.
    Color SetTextColor(Color c);
    /// The text colour.
    Color TextColor() const { return text_; }
    /// Sets the background colour; returns the previous one.
    Color SetBkColor(Color c);
    /// The background colour.
    Color BkColor() const { return bk_; }
    /// Sets the background mode (TRANSPARENT or OPAQUE); returns the previous one.
    int SetBkMode(int mode);
    /// The background mode.
    int BkMode() const { return bkMode_; }

    /// Moves the current position; returns the previous one.
    POINT MoveTo(int x, int y);
    /// The current position.
    POINT Position() const { return pos_; }
    /// How far into the current pen's dot or dash pattern the next LineTo starts: lines drawn
    /// one after another carry the pattern on across their joints.
    int DashPhase() const { return dashPhase_; }
    /// Sets where the next LineTo starts in the pen's pattern (MoveToEx and SelectPen start it
    /// over).
    void SetDashPhase(int phase) { dashPhase_ = phase; }

    /// Limits drawing to the region (nullopt: the whole canvas).
    void SetClip(std::optional<Region> clip);
    /// The clip region, if any.
    const std::optional<Region>& Clip() const { return clip_; }

    /// Calls fn(x0, y, x1) for every clipped horizontal run of the rectangle (x1 exclusive),
    /// after clipping to the canvas and the clip region; nothing when the result is empty.
    template <typename Fn> void ForEachRun(const RECT& r, Fn&& fn) const;
    /// The pixel row y (no bounds check).
    std::uint32_t* Row(int y) { return reinterpret_cast<std::uint32_t*>(image_.scanLine(y)); }
    /// The pixel row y (no bounds check).
    const std::uint32_t* Row(int y) const {
        return reinterpret_cast<const std::uint32_t*>(image_.constScanLine(y));
    }
    /// True when the pixel lies on the canvas and inside the clip region.
    bool Visible(int x, int y) const;

private:
    QImage image_{0, 0, QImage::Format_RGB32};
    Pen pen_{};
    Brush brush_{Brush::Kind::Solid, RGB(255, 255, 255), 0, {}};
    QFont font_{};
    Color text_ = RGB(0, 0, 0);
    Color bk_ = RGB(255, 255, 255);
    int bkMode_ = OPAQUE;
    POINT pos_{};
    int dashPhase_ = 0;
    std::optional<Region> clip_;
};

/// The 32-bit pixel word of a colour word (resolved) as Format_RGB32 stores it.
std::uint32_t PixelOf(Color c);
/// The colour word of a Format_RGB32 pixel.
Color ColorOfPixel(std::uint32_t pixel);

template <typename Fn> void Canvas::ForEachRun(const RECT& r, Fn&& fn) const {
    RECT c{r.left < 0 ? 0 : r.left, r.top < 0 ? 0 : r.top, r.right > Width() ? Width() : r.right,
           r.bottom > Height() ? Height() : r.bottom};
    if (c.left >= c.right || c.top >= c.bottom)
        return;
    if (!clip_) {
        for (int y = c.top; y < c.bottom; ++y)
            fn(c.left, y, c.right);
        return;
    }
    const QRegion part =
        clip_->ToQRegion().intersected(QRect(c.left, c.top, c.Width(), c.Height()));
    for (const QRect& q : part) {
        for (int y = q.top(); y <= q.bottom(); ++y)
            fn(q.left(), y, q.right() + 1);
    }
}

/// Selects a clip region into the canvas (a null pointer removes it); returns the region kind.
int SelectClipRgn(Canvas& dc, const Region* region);

// ---------------------------------------------------------------------------------------------
// Primitives (each clips, returns early when nothing is left, then writes pixels)

/// Fills the rectangle with the brush; right and bottom edges excluded. A reversed rectangle
/// fills what PatBlt fills for the negative extent (from right + 1 up to left).
void FillRect(Canvas& dc, const RECT& r, const Brush& brush);
/// A one-pixel border along the inside of the rectangle in the brush; right and bottom excluded.
void FrameRect(Canvas& dc, const RECT& r, const Brush& brush);
/// Inverts every pixel of the rectangle (a reversed one as FillRect reads it).
void InvertRect(Canvas& dc, const RECT& r);
/// Moves the current position; returns the previous one through `old` when given.
void MoveToEx(Canvas& dc, int x, int y, POINT* old);
/// A line in the current pen from the current position to (x, y); the position becomes (x, y).
/// A one-pixel pen leaves out the end point and breaks half-way ties toward the smaller
/// coordinate (the same pixels either way); PS_DOT and PS_DASH leave gaps, painted in the
/// background colour when the mode is OPAQUE, and their pattern runs on from the previous
/// LineTo until the next MoveToEx. A wider pen has round caps that cover both ends.
void LineTo(Canvas& dc, int x, int y);
/// Sets one pixel (clipped).
void SetPixelV(Canvas& dc, int x, int y, Color c);
/// Reads one pixel; 0xFFFFFFFF (CLR_INVALID) outside the canvas or the clip region.
Color GetPixel(const Canvas& dc, int x, int y);
/// The ellipse inscribed in the rectangle, filled with the current brush and outlined with the
/// current pen: a one-pixel pen takes the shape's rim, a wider pen strokes that outline with
/// round joins (centred on it for PS_SOLID, inside the box for PS_INSIDEFRAME). A box with no
/// area, or 1 x 1, draws nothing.
void Ellipse(Canvas& dc, int left, int top, int right, int bottom);
/// A rectangle outlined with the current pen and filled with the current brush. A one-pixel pen
/// covers the border pixels; a null pen leaves the right and bottom edges unpainted; a wider pen
/// is centred on the border pixels with round corners, or kept inside the box by
/// PS_INSIDEFRAME. A box with no area, or 1 x 1, draws nothing.
void Rectangle(Canvas& dc, int left, int top, int right, int bottom);
/// Fills a region with a brush.
void FillRgn(Canvas& dc, const Region& r, const Brush& brush);
/// Paints the pixels of the region within w pixels (horizontally) or h pixels (vertically) of
/// its edge with the brush.
void FrameRgn(Canvas& dc, const Region& r, const Brush& brush, int w, int h);
/// Fills the rectangle with the current brush under a raster operation (PATCOPY, PATINVERT,
/// DSTINVERT, BLACKNESS, WHITENESS). A negative width or height covers the pixels that end at
/// x or y itself; a hatch brush's gaps follow the background mode.
bool PatBlt(Canvas& dc, int x, int y, int w, int h, std::uint32_t rop);
/// Copies w x h pixels from the source at (sx, sy) to (x, y) under a raster operation (SRCCOPY,
/// SRCPAINT, SRCAND, SRCINVERT, NOTSRCCOPY, and the pattern operations of PatBlt). The source
/// may be the destination itself.
bool BitBlt(Canvas& dst, int x, int y, int w, int h, const Canvas& src, int sx, int sy,
            std::uint32_t rop);
/// Draws a picture at (x, y) in the size (0: its own size); icons are blended through their
/// transparency, bitmaps copied.
void DrawIconEx(Canvas& dc, int x, int y, const Picture& picture, int w, int h);

/// Edge parts of DrawEdge.
enum EdgeFlags : unsigned {
    BDR_RAISEDOUTER = 0x1,
    BDR_SUNKENOUTER = 0x2,
    BDR_RAISEDINNER = 0x4,
    BDR_SUNKENINNER = 0x8,
    EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
    EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
    EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
    EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
};
/// Sides and options of DrawEdge.
enum BorderFlags : unsigned {
    BF_LEFT = 0x1,
    BF_TOP = 0x2,
    BF_RIGHT = 0x4,
    BF_BOTTOM = 0x8,
    BF_RECT = 0xF,
    BF_MIDDLE = 0x800,
    BF_SOFT = 0x1000,
    BF_ADJUST = 0x2000,
    BF_FLAT = 0x4000,
    BF_MONO = 0x8000,
};
/// Draws the standard 3-D edge in the system colours: the outer ring on the rectangle's border,
/// the inner ring one pixel in. Top and left sides take the top-left colour and stop one pixel
/// short of the far corner; right and bottom sides run the full length. BF_MIDDLE fills the
/// inside with the button face; BF_ADJUST shrinks `r` by the rings drawn.
bool DrawEdge(Canvas& dc, RECT& r, unsigned edge, unsigned flags);

/// Draws the dotted focus rectangle: every other border pixel (checkered from the canvas origin)
/// is combined by exclusive-or with the background colour, the others with the text colour, so a
/// second call restores the pixels.
void DrawFocusRect(Canvas& dc, const RECT& r);

// ---------------------------------------------------------------------------------------------
// Text

/// DrawTextA format flags.
enum DrawTextFlags : unsigned {
    DT_TOP = 0x0,
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_EXPANDTABS = 0x40,
    DT_NOCLIP = 0x100,
    DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800,
    DT_HIDEPREFIX = 0x100000,
    DT_PREFIXONLY = 0x200000,
};

/// Draws text in the rectangle with the canvas's font and text colour (background box in the
/// background colour when the mode is OPAQUE). Lines break at "\n" (unless DT_SINGLELINE) and,
/// with DT_WORDBREAK, between words that would pass the right edge; a word longer than the line
/// stays whole (DT_SINGLELINE wins over DT_WORDBREAK). "&" underlines the next character and "&&"
/// shows one "&" unless DT_NOPREFIX. DT_VCENTER and DT_BOTTOM apply to DT_SINGLELINE only. With
/// DT_CALCRECT nothing is drawn: the rectangle keeps its left and top and gets right = left +
/// widest line, bottom = top + height of all lines. Bold text in a family that has no bold face
/// is struck twice, one pixel apart, each glyph advancing one pixel further. Returns the height
/// of the text (0 for empty text).
int DrawTextA(Canvas& dc, std::string_view text, RECT& r, unsigned format);
/// Draws text with its top-left corner at (x, y), no prefix processing.
bool TextOutA(Canvas& dc, int x, int y, std::string_view text);
/// Measures a single line of text (no prefix processing) with the canvas's font.
bool GetTextExtentPoint32A(const Canvas& dc, std::string_view text, SIZE& size);

/// DrawStateA kinds and states.
enum DrawStateFlags : unsigned {
    DST_TEXT = 0x1,
    DST_PREFIXTEXT = 0x2,
    DSS_NORMAL = 0x0,
    DSS_DISABLED = 0x20,
};
/// Draws text at (x, y) in a cx x cy box (0: measured). DSS_DISABLED draws the embossed look:
/// the text in the button highlight one pixel down and right, then in the button shadow at the
/// place itself; otherwise the text colour. DST_PREFIXTEXT processes "&" as DrawTextA does.
bool DrawStateA(Canvas& dc, std::string_view text, int x, int y, int cx, int cy, unsigned flags);

/// Text with "&" prefixes resolved: the shown text and the index (into it) of the underlined
/// character, or -1.
struct PrefixText {
    std::string text;
    int underline = -1;
};
/// Resolves "&" prefixes as DrawTextA shows them ("&&" is one "&", a lone trailing "&" is
/// dropped, the first single "&" decides the underline).
PrefixText StripPrefix(std::string_view text);

// ---------------------------------------------------------------------------------------------
// Device-independent bitmaps

/// The header of an uncompressed device-independent bitmap.
struct BITMAPINFOHEADER {
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 24;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
};

/// A 24-bit bottom-up DIB: pixels blue, green, red; rows padded to four bytes.
class Dib24 {
public:
    /// A buffer of w x h pixels, all zero.
    Dib24(int width, int height);
    /// The header describing the buffer.
    const BITMAPINFOHEADER& Header() const { return header_; }
    /// Width in pixels.
    int Width() const { return header_.biWidth; }
    /// Height in pixels.
    int Height() const { return header_.biHeight; }
    /// Bytes per row, a multiple of four.
    int Stride() const { return stride_; }
    /// All bytes, bottom row first.
    std::vector<std::uint8_t>& Bits() { return bits_; }
    /// All bytes, bottom row first.
    const std::vector<std::uint8_t>& Bits() const { return bits_; }
    /// The bytes of the pixel (x, y), y counted from the top (blue, green, red).
    std::uint8_t* At(int x, int y) { return bits_.data() + (Height() - 1 - y) * stride_ + x * 3; }
    /// The bytes of the pixel (x, y), y counted from the top.
    const std::uint8_t* At(int x, int y) const {
        return bits_.data() + (Height() - 1 - y) * stride_ + x * 3;
    }

private:
    BITMAPINFOHEADER header_;
    int stride_ = 0;
    std::vector<std::uint8_t> bits_;
};

/// Copies the canvas's pixels at (x, y) into the buffer (its size); pixels off the canvas read as
/// black. Returns the number of rows copied.
int GetDIBits(const Canvas& dc, int x, int y, Dib24& dib);
/// Writes the buffer to the canvas at (x, y) (clipped). Returns the number of rows written.
int SetDIBitsToDevice(Canvas& dc, int x, int y, const Dib24& dib);

} // namespace corvane::platform

// chameleonButton's pictures and effects: measuring and placing the picture, painting it in each
// state (plain, grey, faded, as a silhouette), the raised, sunken and shadow copies behind the
// caption and picture, the per-pixel compositor, and the transparent style's captured background.

#include "controls/chameleonButton.h"

#include <QCoreApplication>
#include <QPixmap>

#include <cmath>

namespace corvane::controls {

using namespace platform;

// ---------------------------------------------------------------------------------------------
// Compositor

void BlitPicture(Canvas& dst, int x, int y, int w, int h, const Picture& picture,
                 const BlitOptions& o) {
    if (w == 0 || h == 0 || picture.IsNone())
        return;
    if (w < 0)
        w = picture.Width();
    if (h < 0)
        h = picture.Height();

    // The source: a bitmap as it is; an icon drawn over the mask colour, so that its
    // transparent parts take that colour.
    Canvas source(w, h, RGB(0, 0, 0));
    if (picture.type == Picture::Type::Icon) {
        source.Clear(o.maskColor);
        DrawIconEx(source, 0, 0, picture, picture.Width(), picture.Height());
    } else {
        Canvas bitmap;
        bitmap.Image() = picture.image.convertToFormat(QImage::Format_RGB32);
        BitBlt(source, 0, 0, w, h, bitmap, 0, 0, SRCCOPY);
    }

    Dib24 background(w, h), pixels(w, h);
    GetDIBits(dst, x, y, background);
    GetDIBits(source, 0, 0, pixels);

    const std::uint32_t transparent = o.transparent.Value() & 0x00FFFFFFu;
    const bool brush = o.brush >= 0;
    const auto brushB = static_cast<std::uint8_t>((o.brush >> 16) & 0xFF);
    const auto brushG = static_cast<std::uint8_t>((o.brush >> 8) & 0xFF);
    const auto brushR = static_cast<std::uint8_t>(o.brush & 0xFF);
    const int stride = pixels.Stride();
    std::uint8_t* bg = background.Bits().data();
    const std::uint8_t* pic = pixels.Bits().data();
    // Rows are bottom-up and padded to four bytes; walk them by stride.
    for (int row = 0; row < h; ++row) {
        for (int col = 0; col < w; ++col) {
            const int i = row * stride + col * 3;
            const int B = pic[i], G = pic[i + 1], R = pic[i + 2];
            const std::uint32_t p = static_cast<std::uint32_t>(R + 256 * G + 65536 * B);
            if (o.useMaskColor && p == transparent)
                continue;
            if (brush) {
                if (o.darkOnly && R + G + B > 384)
                    continue;
                bg[i] = brushB;
                bg[i + 1] = brushG;
                bg[i + 2] = brushR;
            } else if (o.greyscale) {
                const double g1 = std::nearbyint(0.3 * R);
                const auto grey =
                    static_cast<std::uint8_t>(std::nearbyint(g1 + 0.59 * G + 0.11 * B));
                bg[i] = bg[i + 1] = bg[i + 2] = grey;
            } else if (!o.blend) {
                bg[i] = static_cast<std::uint8_t>(B);
                bg[i + 1] = static_cast<std::uint8_t>(G);
                bg[i + 2] = static_cast<std::uint8_t>(R);
            } else {
                bg[i] = static_cast<std::uint8_t>((2 * B + bg[i]) / 3);
                bg[i + 1] = static_cast<std::uint8_t>((2 * G + bg[i + 1]) / 3);
                bg[i + 2] = static_cast<std::uint8_t>((2 * R + bg[i + 2]) / 3);
            }
        }
    }
    SetDIBitsToDevice(dst, x, y, background);
}

// ---------------------------------------------------------------------------------------------
// Size and place

void chameleonButton::MeasurePicture() {
    if (pictureNormal_.IsNone()) {
        picW_ = picH_ = 0;
        return;
    }
    // Picture objects report their size in 0.01 mm; the screen counts pixels.
    picW_ = HimetricToPixels(pictureNormal_.HimetricWidth());
    picH_ = HimetricToPixels(pictureNormal_.HimetricHeight());
}

void chameleonButton::PlacePicture() {
    if (pictureNormal_.IsNone() && pictureOver_.IsNone())
        return;
    const int w = width_, h = height_;
    const bool hasText = caption_.find_first_not_of(' ') != std::string::npos;
    if (hasText && picturePosition_ != 4) {
        switch (picturePosition_) {
        case 0:
            picX_ = captionRect_.left - picW_ - 4;
            picY_ = (h - picH_) / 2;
            return;
        case 1:
            picX_ = captionRect_.right + 4;
            picY_ = (h - picH_) / 2;
            return;
        case 2:
            picX_ = (w - picW_) / 2;
            picY_ = captionRect_.top - picH_ - 2;
            return;
        case 3:
            picX_ = (w - picW_) / 2;
            picY_ = captionRect_.bottom + 2;
            return;
        default:
            break;
        }
    }
    picX_ = (w - picW_) / 2;
    picY_ = (h - picH_) / 2;
}

// ---------------------------------------------------------------------------------------------
// Painting pictures

void chameleonButton::Blit(const Picture& picture, int dx, int dy, std::int64_t brush,
                           bool darkOnly, bool greyscale, bool blend) {
    BlitOptions o;
    o.transparent = palette_.mask;
    o.useMaskColor = useMaskColor_;
    o.maskColor = OleTranslateColor(maskColor_);
    o.brush = brush;
    o.darkOnly = darkOnly;
    o.greyscale = greyscale;
    o.blend = blend;
    BlitPicture(canvas_, picX_ + dx, picY_ + dy, picW_, picH_, picture, o);
}

void chameleonButton::PaintPictures(int pictureState) {
    if (pictureNormal_.IsNone())
        return;
    const ButtonPalette& p = palette_;
    const int style = buttonType_;
    const bool hasOver = !pictureOver_.IsNone();
    auto silhouette = [](Color c) { return static_cast<std::int64_t>(c.Value() & 0xFFFFFF); };
    switch (pictureState) {
    case 0:
        if (!isOver_) {
            PaintPictureEffect(0, pictureNormal_);
            Blit(pictureNormal_, 0, 0, -1, false, useGreyscale_, style == 9);
        } else if (style == 9) {
            // The picture lifts up and left over its own shadow.
            PaintPictureEffect(-1, pictureNormal_);
            Blit(pictureNormal_, 1, 1, silhouette(p.shadow), false, false, false);
            Blit(pictureNormal_, -1, -1, -1, false, false, false);
        } else if (hasOver) {
            PaintPictureEffect(0, pictureOver_);
            Blit(pictureOver_, 0, 0, -1, false, false, false);
        } else {
            PaintPictureEffect(0, pictureNormal_);
            Blit(pictureNormal_, 0, 0, -1, false, false, false);
        }
        break;
    case 1:
        if (hasOver && style != 9) {
            const int d = style == 5 ? 0 : 1;
            Blit(pictureOver_, d, d, -1, false, false, false);
        } else if (style != 5 && style != 9) {
            PaintPictureEffect(1, pictureNormal_);
            Blit(pictureNormal_, 1, 1, -1, false, false, false);
        } else {
            PaintPictureEffect(0, pictureNormal_);
            Blit(pictureNormal_, 0, 0, -1, false, false, false);
        }
        break;
    default:
        if (style == 3) {
            Blit(pictureNormal_, 1, 1, -1, false, true, false);
        } else if (style == 5 || style == 6 || style == 9) {
            const Color c = style == 9 ? S(p.shadow, 13) : p.shadow;
            Blit(pictureNormal_, 0, 0, silhouette(c), true, false, false);
        } else {
            // The classic etched look: a light copy down-right under a shadow copy.
            Blit(pictureNormal_, 1, 1, silhouette(p.highlight), true, false, false);
            Blit(pictureNormal_, 0, 0, silhouette(p.shadow), true, false, false);
        }
        break;
    }
    if (picturePosition_ == 4)
        PaintCaption(lastCaptionState_);
}

void chameleonButton::PaintPictureEffect(int offset, const Picture& picture) {
    if (specialEffect_ < 1)
        return;
    const ButtonPalette& p = palette_;
    Color base = p.face;
    if (buttonType_ == 3)
        base = p.shadedFace;
    else if (offset == -1 && colorScheme_ != 2)
        base = p.accentFill;
    const auto flat = [](Color c) { return static_cast<std::int64_t>(c.Value() & 0xFFFFFF); };
    Blit(picture, offset + 1, offset + 1, flat(S(base, specialEffect_ == 2 ? 40 : -40)), false,
         false, false);
    if (specialEffect_ > 2)
        return;
    Blit(picture, offset - 1, offset - 1, flat(S(base, specialEffect_ == 2 ? -40 : 40)), false,
         false, false);
}

void chameleonButton::PaintCaptionEffect(const RECT& r) {
    if (specialEffect_ == 0)
        return;
    const ButtonPalette& p = palette_;
    Color base = p.face;
    if (buttonType_ == 3 || buttonType_ == 4 || buttonType_ == 14)
        base = p.shadedFace;
    else if (lastState_ == 0 && isOver_ && colorScheme_ != 2 && buttonType_ == 9)
        base = p.accentFill;
    RECT moved = r;
    OffsetRect(moved, 1, 1);
    DrawCaptionText(moved, S(base, specialEffect_ == 2 ? 40 : -40));
    if (specialEffect_ < 3) {
        moved = r;
        OffsetRect(moved, -1, -1);
        DrawCaptionText(moved, S(base, specialEffect_ == 2 ? -40 : 40));
    }
}

// ---------------------------------------------------------------------------------------------
// The transparent style's background

void chameleonButton::CaptureParentBackground() {
    inCapture_ = true;
    const int w = width_, h = height_;
    if (!hasBackground_ || background_.Width() != w || background_.Height() != h) {
        // The surface follows the control's size, so a resized button never shows stale or
        // undefined pixels.
        background_.Resize(w, h, palette_.face);
        hasBackground_ = true;
    }
    QWidget* parent = parentWidget();
    // With the button gone from its place the parent repaints what lies under it.
    resize(width(), 0);
    QCoreApplication::processEvents();
    if (parent != nullptr && w > 0 && h > 0) {
        const QImage under =
            parent->grab(QRect(x(), y(), w, h)).toImage().convertToFormat(QImage::Format_RGB32);
        if (!under.isNull()) {
            platform::Canvas copy;
            copy.Image() = under;
            BitBlt(background_, 0, 0, w, h, copy, 0, 0, SRCCOPY);
        }
    }
    resize(width(), h);
    inCapture_ = false;
}

void chameleonButton::CopyBackground() {
    if (hasBackground_)
        BitBlt(canvas_, 0, 0, width_, height_, background_, 0, 0, SRCCOPY);
}

} // namespace corvane::controls

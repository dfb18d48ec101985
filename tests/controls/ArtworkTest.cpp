// Artwork decoded on first paint: nothing is read while the window is built, and what it paints is
// exactly what a picture label showing the same artwork paints.

#include "controls/Artwork.h"

#include <QImage>
#include <QLabel>
#include <QPalette>
#include <QWidget>

#include <gtest/gtest.h>

namespace corvane::controls {
namespace {

// A white, auto-filled box, as the splash gives its picture.
template <class Control> void OnWhite(Control& control) {
    control.setAutoFillBackground(true);
    QPalette background = control.palette();
    background.setColor(QPalette::Window, Qt::white);
    control.setPalette(background);
}

TEST(Artwork, DecodesOnFirstPaintAndPaintsThePixelsOfAPictureLabel) {
    const QString resource = QStringLiteral(":/corvane/splash.png");
    const QPixmap expected(resource);
    ASSERT_FALSE(expected.isNull());
    // Larger than the picture, so the placement and the background around it count too.
    const QSize box = expected.size() + QSize(7, 5);

    QWidget artworkWindow;
    Artwork artwork(&artworkWindow, resource);
    artwork.resize(box);
    OnWhite(artwork);
    EXPECT_FALSE(artwork.Decoded()) << "building the control reads no artwork";

    QWidget labelWindow;
    QLabel label(&labelWindow);
    label.resize(box);
    label.setPixmap(expected);
    label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    OnWhite(label);

    const QImage painted = artwork.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(artwork.Decoded());
    const QImage reference = label.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(painted.size(), reference.size());
    EXPECT_TRUE(painted == reference) << "the artwork paints other pixels than a label";
    EXPECT_EQ(artwork.Picture().toImage(), expected.toImage());
}

TEST(Artwork, AskingForThePictureDecodesItOnce) {
    Artwork artwork(nullptr, QStringLiteral(":/corvane/scan.png"));
    EXPECT_FALSE(artwork.Decoded());
    const qint64 key = artwork.Picture().cacheKey();
    EXPECT_TRUE(artwork.Decoded());
    EXPECT_EQ(artwork.Picture().size(), QSize(16, 16));
    EXPECT_EQ(artwork.Picture().cacheKey(), key) << "decoded again";
}

} // namespace
} // namespace corvane::controls

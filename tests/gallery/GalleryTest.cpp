// corvane-gallery end to end: one button rendered to a binary PPM holds exactly its client
// pixels, property keys and states reach the control, and bad input is a usage error.

#include "platform/widgets/drawing.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

const QString kGallery = QStringLiteral(CORVANE_BIN_DIR "/corvane-gallery");

int RunGallery(const QStringList& args) {
    QProcess p;
    p.start(kGallery, args);
    if (!p.waitForFinished(30000))
        return -1;
    return p.exitCode();
}

/// Reads a binary PPM: width, height and the RGB bytes.
bool ReadPpm(const QString& path, int& w, int& h, std::string& rgb) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> w >> h >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255)
        return false;
    rgb.assign(static_cast<std::size_t>(w * h * 3), '\0');
    in.read(rgb.data(), static_cast<std::streamsize>(rgb.size()));
    return in.gcount() == static_cast<std::streamsize>(rgb.size());
}

class Gallery : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kGallery.toStdString()))
            GTEST_SKIP() << "corvane-gallery is not built";
    }
    QTemporaryDir dir_;
};

TEST_F(Gallery, ButtonToPpmHoldsExactlyTheClientPixels) {
    const QString out = dir_.filePath("b.ppm");
    ASSERT_EQ(RunGallery({"--control", "button", "--size", "40x20", "--set", "BTYPE=2", "--set",
                          "coltype=3", "--state", "pressed", "--out", out}),
              0);
    int w = 0, h = 0;
    std::string rgb;
    ASSERT_TRUE(ReadPpm(out, w, h, rgb));
    EXPECT_EQ(w, 40);
    EXPECT_EQ(h, 20);
    // Style 2 pressed in the grey scheme: black outer corner, white far corner, grey face.
    auto px = [&](int x, int y) {
        const std::size_t i = static_cast<std::size_t>((y * w + x) * 3);
        return corvane::platform::RGB(static_cast<unsigned char>(rgb[i]),
                                      static_cast<unsigned char>(rgb[i + 1]),
                                      static_cast<unsigned char>(rgb[i + 2]));
    };
    EXPECT_EQ(px(0, 0), corvane::platform::RGB(0, 0, 0));
    EXPECT_EQ(px(39, 19), corvane::platform::RGB(255, 255, 255));
    EXPECT_EQ(px(20, 10), corvane::platform::RGB(192, 192, 192));
}

TEST_F(Gallery, BadInputIsAUsageError) {
    const QString out = dir_.filePath("x.png");
    EXPECT_EQ(
        RunGallery({"--control", "button", "--size", "40x20", "--set", "NOPE=1", "--out", out}), 2);
    EXPECT_EQ(
        RunGallery({"--control", "button", "--size", "40x20", "--set", "SOFT=maybe", "--out", out}),
        2);
    EXPECT_EQ(
        RunGallery({"--control", "button", "--size", "40x20", "--state", "odd", "--out", out}), 2);
    EXPECT_EQ(RunGallery({"--control", "button", "--size", "0x20", "--out", out}), 2);
    EXPECT_EQ(RunGallery({"--control", "nothing", "--size", "4x4", "--out", out}), 2);
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(Gallery, SheetIsWritten) {
    const QString out = dir_.filePath("sheet.png");
    ASSERT_EQ(RunGallery({"--sheet", out}), 0);
    QImage sheet(out);
    EXPECT_GT(sheet.width(), 1000);
    EXPECT_GT(sheet.height(), 700);
}

} // namespace

// Property bags: case-insensitive keys, write order, defaults and conversions.

#include "controls/PropertyBag.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace corvane::controls {
namespace {

TEST(PropertyBag, KeysMatchWithoutCaseAndKeepTheirPlace) {
    PropertyBag bag;
    bag.WriteLong("BTYPE", 3);
    bag.WriteString("TX", "Go");
    bag.WriteBool("ENAB", true);
    EXPECT_TRUE(bag.Contains("btype"));
    EXPECT_EQ(bag.ReadLong("bType", 0), 3);
    bag.WriteLong("btype", 5); // rewriting keeps the first place and spelling
    EXPECT_EQ(bag.Keys(), (std::vector<std::string>{"BTYPE", "TX", "ENAB"}));
    EXPECT_EQ(bag.ReadLong("BTYPE", 0), 5);
    EXPECT_EQ(bag.KindOf("tx"), PropertyKind::String);
    EXPECT_FALSE(bag.KindOf("none").has_value());
    EXPECT_TRUE(bag.Remove("Tx"));
    EXPECT_FALSE(bag.Contains("TX"));
}

TEST(PropertyBag, MissingKeysReadTheirDefaults) {
    const PropertyBag bag;
    EXPECT_TRUE(bag.ReadBool("ENAB", true));
    EXPECT_EQ(bag.ReadInteger("MPTR", 7), 7);
    EXPECT_EQ(bag.ReadLong("BTYPE", 2), 2);
    EXPECT_EQ(bag.ReadColor("BCOL", platform::Color(0x8000000Fu)), platform::Color(0x8000000Fu));
    EXPECT_EQ(bag.ReadString("TX", "x"), "x");
    EXPECT_EQ(bag.ReadFont("FONT", platform::Font{"Arial", 9}).name, "Arial");
    EXPECT_TRUE(bag.ReadPicture("PICN", {}).IsNone());
}

TEST(PropertyBag, NumbersBooleansAndColoursConvert) {
    PropertyBag bag;
    bag.WriteBool("B", true);
    bag.WriteLong("L", 70000);
    bag.WriteColor("C", platform::Color(0x8000000Fu));
    bag.WriteString("S", "0x10");
    bag.WriteString("T", "true");
    bag.WriteFont("F", platform::Font{});
    EXPECT_EQ(bag.ReadLong("B", 0), -1); // a saved True
    EXPECT_TRUE(bag.ReadBool("L", false));
    EXPECT_EQ(bag.ReadInteger("L", 0), static_cast<std::int16_t>(70000 & 0xFFFF));
    EXPECT_EQ(bag.ReadColor("C", {}).Value(), 0x8000000Fu);
    EXPECT_EQ(bag.ReadLong("S", 0), 16);
    EXPECT_TRUE(bag.ReadBool("T", false));
    EXPECT_EQ(bag.ReadString("L", ""), "70000");
    EXPECT_EQ(bag.ReadLong("F", 42), 42); // a font is no number: the default
    EXPECT_TRUE(bag.ReadFont("L", platform::Font{"Z", 1}).name == "Z");
}

TEST(PropertyBag, TextParsingPerKind) {
    PropertyBag bag;
    std::string error;
    EXPECT_TRUE(bag.WriteText("SOFT", PropertyKind::Boolean, "TRUE", error));
    EXPECT_TRUE(bag.ReadBool("soft", false));
    EXPECT_TRUE(bag.WriteText("BCOL", PropertyKind::Color, "0xD8E9EC", error));
    EXPECT_EQ(bag.ReadColor("BCOL", {}).Value(), 0xD8E9ECu);
    EXPECT_EQ(bag.KindOf("BCOL"), PropertyKind::Color);
    EXPECT_TRUE(bag.WriteText("MPTR", PropertyKind::Integer, "99", error));
    EXPECT_EQ(bag.KindOf("MPTR"), PropertyKind::Integer);
    EXPECT_TRUE(bag.WriteText("FX", PropertyKind::Long, "-3", error));
    EXPECT_EQ(bag.ReadLong("FX", 0), -3);
    EXPECT_TRUE(bag.WriteText("FONT", PropertyKind::Font, "MS Sans Serif, 8.25, bold", error));
    const platform::Font f = bag.ReadFont("FONT", {});
    EXPECT_EQ(f.name, "MS Sans Serif");
    EXPECT_DOUBLE_EQ(f.size, 8.25);
    EXPECT_TRUE(f.bold);
    EXPECT_FALSE(f.italic);

    EXPECT_FALSE(bag.WriteText("SOFT", PropertyKind::Boolean, "maybe", error));
    EXPECT_NE(error.find("SOFT"), std::string::npos);
    EXPECT_FALSE(bag.WriteText("FX", PropertyKind::Long, "12abc", error));
    EXPECT_FALSE(bag.WriteText("MPTR", PropertyKind::Integer, "70000", error));
    EXPECT_FALSE(bag.WriteText("FONT", PropertyKind::Font, "Arial, big", error));
    EXPECT_FALSE(bag.WriteText("FONT", PropertyKind::Font, "Arial, 8, heavy", error));
    EXPECT_FALSE(bag.WriteText("PICN", PropertyKind::Picture, "/no/such.png", error));
    EXPECT_EQ(bag.ReadLong("FX", 0), -3); // failures leave the old value

    QTemporaryDir dir;
    const QString path = dir.filePath("p.png");
    QImage img(13, 5, QImage::Format_RGB32);
    img.fill(Qt::green);
    ASSERT_TRUE(img.save(path));
    ASSERT_TRUE(bag.WriteText("PICN", PropertyKind::Picture, path.toStdString(), error)) << error;
    EXPECT_EQ(bag.ReadPicture("PICN", {}).Width(), 13);
    EXPECT_TRUE(bag.WriteText("PICN", PropertyKind::Picture, "", error));
    EXPECT_TRUE(bag.ReadPicture("PICN", {}).IsNone());
}

} // namespace
} // namespace corvane::controls

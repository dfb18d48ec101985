#include "controls/GroupBox.h"
#include "platform/messageloop.h"
#include "platform/world.h"
#include "support/TempWorld.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

using corvane::controls::GroupBox;
using corvane::controls::PropertyBag;
using corvane::platform::Color;
using corvane::platform::GetPixel;
using corvane::platform::RGB;
using corvane::testing::TempWorld;

namespace {

constexpr Color kFace = RGB(236, 233, 216);
constexpr Color kShadow = RGB(172, 168, 153);
constexpr Color kThemeFrame = RGB(208, 208, 191);

/// The width and height of a text in the box's font.
corvane::platform::SIZE Measure(const GroupBox& box, const std::string& text) {
    corvane::platform::Canvas probe(1, 1);
    probe.SelectFont(corvane::platform::ToQFont(box.Font()));
    corvane::platform::SIZE size;
    corvane::platform::GetTextExtentPoint32A(probe, text, size);
    return size;
}

int FrameTop(const GroupBox& box, const std::string& measured) {
    return static_cast<int>(std::nearbyint(Measure(box, measured).cy / 2.0));
}

/// A box of 200 × 80 whose caption is drawn in the back colour, so only the frame shows.
std::unique_ptr<GroupBox> Box(const std::string& caption) {
    auto box = std::make_unique<GroupBox>();
    box->resize(200, 80);
    box->SetForeColor(Color(0x8000000F));
    box->SetCaption(caption);
    return box;
}

void MakeClassic() {
    TempWorld::Write(corvane::world::ConfFile(), "themes = no\n");
}

} // namespace

TEST(GroupBox, EmptyCaptionDrawsAnUnbrokenTopLine) {
    TempWorld world;
    MakeClassic();
    auto box = Box("");
    const int top = FrameTop(*box, " ");
    EXPECT_EQ(GetPixel(box->Picture(), 8, top), kShadow);
    EXPECT_EQ(GetPixel(box->Picture(), 100, top), kShadow);
    EXPECT_EQ(GetPixel(box->Picture(), 100, top - 1), kFace);
}

TEST(GroupBox, CaptionGapAndAccessKey) {
    TempWorld world;
    MakeClassic();
    // "&&" is measured as the letter A, single "&" vanish, and the letter after the first single
    // "&" is the access key.
    auto box = Box("&&&&&&&&x&Save");
    EXPECT_EQ(box->AccessKeys(), "S");
    const int w = Measure(*box, "AAAAxSave").cx;
    ASSERT_NE(w, Measure(*box, "&&&&xSave").cx) << "the font must tell A from &";
    const int top = FrameTop(*box, "AAAAxSave");
    EXPECT_EQ(GetPixel(box->Picture(), 6, top), kShadow);
    EXPECT_EQ(GetPixel(box->Picture(), 7, top), kFace);
    EXPECT_EQ(GetPixel(box->Picture(), w + 8, top), kFace);
    EXPECT_EQ(GetPixel(box->Picture(), w + 9, top), kShadow);

    box->SetCaption("&File");
    EXPECT_EQ(box->AccessKeys(), "F");
    const int fileWidth = Measure(*box, "File").cx;
    EXPECT_EQ(GetPixel(box->Picture(), fileWidth + 8, top), kFace);
    EXPECT_EQ(GetPixel(box->Picture(), fileWidth + 9, top), kShadow);
    // A caption without "&" keeps the access key it had.
    box->SetCaption("Plain");
    EXPECT_EQ(box->AccessKeys(), "F");
}

TEST(GroupBox, BorderStyleZeroIsPlainBackground) {
    TempWorld world;
    auto box = Box("Secure");
    box->SetBackColor(RGB(10, 20, 30));
    box->SetForeColor(RGB(0, 0, 0));
    box->SetBorderStyle(0);
    const auto& pic = box->Picture();
    for (int y = 0; y < pic.Height(); ++y)
        for (int x = 0; x < pic.Width(); ++x)
            ASSERT_EQ(GetPixel(pic, x, y), RGB(10, 20, 30)) << x << "," << y;
}

TEST(GroupBox, ThemedOrClassicByTheThemeTest) {
    TempWorld world;
    auto box = Box("Secure");
    const int top = FrameTop(*box, "Secure");
    EXPECT_EQ(GetPixel(box->Picture(), 150, top), kThemeFrame);
    EXPECT_EQ(GetPixel(box->Picture(), 0, 50), kThemeFrame);

    MakeClassic();
    box->Refresh();
    EXPECT_EQ(GetPixel(box->Picture(), 150, top), kShadow);
    EXPECT_EQ(GetPixel(box->Picture(), 150, top + 1), RGB(255, 255, 255));

    // Appearance 0: a black outline with the white one inside it.
    box->SetAppearance(0);
    EXPECT_EQ(GetPixel(box->Picture(), 150, top), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(box->Picture(), 150, top + 1), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(box->Picture(), 0, 50), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(box->Picture(), 1, 50), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(box->Picture(), 199, 50), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(box->Picture(), 150, 79), RGB(0, 0, 0));
}

TEST(GroupBox, DisabledCaptionAndDesignMode) {
    TempWorld world;
    MakeClassic();
    auto box = Box("Secure");
    box->SetForeColor(RGB(0, 0, 0));
    const int top = FrameTop(*box, "Secure");
    auto countWhite = [&] { // above the frame line, where only the caption can be white
        int n = 0;
        for (int y = 0; y < top; ++y)
            for (int x = 9; x < 60; ++x)
                n += GetPixel(box->Picture(), x, y) == RGB(255, 255, 255) ? 1 : 0;
        return n;
    };
    EXPECT_EQ(countWhite(), 0);
    box->SetUserMode(false);
    box->SetEnabled(false);
    EXPECT_GT(countWhite(), 0); // the embossed caption's highlight
    EXPECT_TRUE(box->isEnabled());
    box->SetUserMode(true);
    box->SetEnabled(false);
    EXPECT_FALSE(box->isEnabled());
}

TEST(GroupBox, BackStyleZeroIsRefusedWithTheMessage) {
    TempWorld world;
    GroupBox box;
    std::vector<corvane::platform::MessageBoxRequest> shown;
    {
        // The program's box service shows it, so the program's answerer answers it.
        corvane::platform::ScopedAnswerer answerer([&](const auto& request) {
            shown.push_back(request);
            return static_cast<int>(corvane::platform::vbOK);
        });
        EXPECT_TRUE(box.SetBackStyle(3));
        EXPECT_FALSE(box.SetBackStyle(0));
    }
    EXPECT_EQ(box.BackStyle(), 3);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              "This feature has not yet been implemented!\nI'm not quite sure how I am going "
              "to implement this feature, as some controls are shaped.");
    EXPECT_EQ(shown[0].Buttons(), corvane::platform::vbOKOnly);
    EXPECT_EQ(shown[0].Icon(), 0u) << "the message carries no icon";
    EXPECT_EQ(shown[0].owner, &box);
}

TEST(GroupBox, PropertyBagKeepsOnlyChangedKeys) {
    TempWorld world;
    GroupBox box(nullptr, "GroupBox3");
    EXPECT_EQ(box.Caption(), "GroupBox3");
    PropertyBag bag;
    box.WriteProperties(bag);
    EXPECT_EQ(bag.Size(), 0u);

    box.SetCaption("Info Data");
    box.SetAppearance(0);
    box.SetEnabled(false);
    box.WriteProperties(bag);
    const std::vector<std::string> keys{"Caption", "Enabled", "Appearance"};
    EXPECT_EQ(bag.Keys(), keys);

    GroupBox loaded(nullptr, "GroupBox3");
    loaded.ReadProperties(bag);
    EXPECT_EQ(loaded.Caption(), "Info Data");
    EXPECT_EQ(loaded.Appearance(), 0);
    EXPECT_FALSE(loaded.Enabled());
    EXPECT_FALSE(loaded.isEnabled());
    EXPECT_EQ(loaded.BorderStyle(), 1);
    EXPECT_EQ(loaded.BackColor(), Color(0x8000000F));
}

TEST(GroupBox, MouseEventsArePassedOn) {
    TempWorld world;
    GroupBox box;
    std::vector<std::string> seen;
    QObject::connect(&box, &GroupBox::MouseDown, [&](short b, short s, float x, float y) {
        seen.push_back("down " + std::to_string(b) + " " + std::to_string(s) + " " +
                       std::to_string(int(x)) + "," + std::to_string(int(y)));
    });
    QObject::connect(&box, &GroupBox::MouseUp, [&](short b, short, float, float) {
        seen.push_back("up " + std::to_string(b));
    });
    QObject::connect(&box, &GroupBox::Click, [&] { seen.push_back("click"); });
    QObject::connect(&box, &GroupBox::DblClick, [&] { seen.push_back("dblclick"); });
    auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::KeyboardModifiers mods) {
        QMouseEvent e(type, QPointF(5, 6), box.mapToGlobal(QPointF(5, 6)), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                      mods);
        QCoreApplication::sendEvent(&box, &e);
    };
    send(QEvent::MouseButtonPress, Qt::RightButton, Qt::ShiftModifier);
    send(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoModifier);
    send(QEvent::MouseButtonDblClick, Qt::RightButton, Qt::NoModifier);
    send(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoModifier);
    const std::vector<std::string> expected{"down 2 1 5,6", "up 2", "click", "dblclick", "up 2"};
    EXPECT_EQ(seen, expected);
}

TEST(GroupBox, DragAndDropEventsArePassedOn) {
    TempWorld world;
    GroupBox box;
    EXPECT_FALSE(box.acceptDrops());
    box.SetOLEDropMode(1);
    EXPECT_TRUE(box.acceptDrops());

    QString dropped;
    short overState = -1;
    QObject::connect(&box, &GroupBox::OLEDragOver,
                     [&](const QMimeData*, int& effect, short, short, float, float, short state) {
                         overState = state;
                         effect = 2; // move only
                     });
    QObject::connect(&box, &GroupBox::OLEDragDrop,
                     [&](const QMimeData* data, int& effect, short, short, float, float) {
                         dropped = data->text();
                         effect = 1; // copy
                     });
    QMimeData data;
    data.setText(QStringLiteral("cookie.txt"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(&box, &enter);
    EXPECT_EQ(overState, 0);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::MoveAction);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(&box, &drop);
    EXPECT_EQ(dropped, QStringLiteral("cookie.txt"));
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);

    // A drag whose start handler allows no effect ends at once with none.
    int completed = -1;
    QObject::connect(&box, &GroupBox::OLECompleteDrag, [&](int& effect) { completed = effect; });
    box.OLEDrag();
    EXPECT_EQ(completed, 0);
}

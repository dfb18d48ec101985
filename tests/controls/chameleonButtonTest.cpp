// chameleonButton's behaviour: events in order for mouse, hover, keyboard and access keys,
// two-state buttons, the paint skip rule, refresh control, and persistence.

#include "ButtonFixture.h"

#include <QKeyEvent>
#include <QSignalSpy>
#include <QWindow>

namespace corvane::controls {
namespace {

using platform::GetPixel;
using platform::RGB;
using testing::ButtonHost;
using testing::StyleBag;

/// Records the button's events by name, in order.
class EventLog {
public:
    explicit EventLog(chameleonButton& b) {
        QObject::connect(&b, &chameleonButton::Click, [this] { log_.push_back("Click"); });
        QObject::connect(&b, &chameleonButton::MouseDown, [this](short btn, short, float, float) {
            log_.push_back("MouseDown" + std::to_string(btn));
        });
        QObject::connect(&b, &chameleonButton::MouseUp, [this](short btn, short, float, float) {
            log_.push_back("MouseUp" + std::to_string(btn));
        });
        QObject::connect(&b, &chameleonButton::MouseOver, [this] { log_.push_back("MouseOver"); });
        QObject::connect(&b, &chameleonButton::MouseOut, [this] { log_.push_back("MouseOut"); });
        QObject::connect(&b, &chameleonButton::KeyDown, [this](short& code, short) {
            log_.push_back("KeyDown" + std::to_string(code));
        });
        QObject::connect(&b, &chameleonButton::KeyUp, [this](short& code, short) {
            log_.push_back("KeyUp" + std::to_string(code));
        });
        QObject::connect(&b, &chameleonButton::KeyPress, [this](short& ascii) {
            log_.push_back("KeyPress" + std::to_string(ascii));
        });
    }
    const std::vector<std::string>& Events() const { return log_; }
    int CountOf(const std::string& name) const {
        return static_cast<int>(std::count(log_.begin(), log_.end(), name));
    }
    void Clear() { log_.clear(); }

private:
    std::vector<std::string> log_;
};

using Events = std::vector<std::string>;

TEST(ChameleonMouse, LeftClickPaintsReleasedBeforeClick) {
    ButtonHost h(StyleBag(2, "Go"));
    EventLog log(h.Button());
    const platform::Color face = h.Button().Palette().face;
    bool releasedFirst = false;
    QObject::connect(&h.Button(), &chameleonButton::Click, [&] {
        // The handler sees the released look already painted.
        releasedFirst = h.Button().LastState() == 0 && h.Pixel(0, 0) != face;
    });
    QTest::mouseClick(&h.Button(), Qt::LeftButton, {}, QPoint(50, 12));
    EXPECT_EQ(log.Events(), (Events{"MouseDown1", "MouseUp1", "Click"}));
    EXPECT_TRUE(releasedFirst);
}

TEST(ChameleonMouse, RightButtonNeverPaintsPressedNorClicks) {
    ButtonHost h(StyleBag(2, "Go"));
    EventLog log(h.Button());
    const platform::Color raisedCorner = h.Pixel(0, 0);
    QTest::mousePress(&h.Button(), Qt::RightButton, {}, QPoint(50, 12));
    EXPECT_EQ(h.Button().LastState(), 0);
    EXPECT_EQ(h.Pixel(0, 0), raisedCorner); // pressed would be the dark shadow
    QTest::mouseRelease(&h.Button(), Qt::RightButton, {}, QPoint(50, 12));
    EXPECT_EQ(log.Events(), (Events{"MouseDown2", "MouseUp2"}));
    EXPECT_EQ(h.Button().LastState(), 0);
}

TEST(ChameleonMouse, DragOutAndBackAndReleaseOutside) {
    ButtonHost h(StyleBag(2, "Go"));
    EventLog log(h.Button());
    QTest::mousePress(&h.Button(), Qt::LeftButton, {}, QPoint(50, 12));
    EXPECT_EQ(h.Button().LastState(), 2);
    QTest::mouseMove(&h.Button(), QPoint(150, 12)); // outside, button held
    EXPECT_EQ(h.Button().LastState(), 0);
    EXPECT_FALSE(h.Button().IsOver());
    QTest::mouseMove(&h.Button(), QPoint(40, 10)); // back in
    EXPECT_EQ(h.Button().LastState(), 2);
    EXPECT_FALSE(h.Button().IsOver()); // a held press leaves the hover look off
    QTest::mouseMove(&h.Button(), QPoint(150, 12));
    QTest::mouseRelease(&h.Button(), Qt::LeftButton, {}, QPoint(150, 12));
    EXPECT_EQ(log.CountOf("Click"), 0);
    EXPECT_EQ(h.Button().LastState(), 0);
}

TEST(ChameleonMouse, DoubleClickPaintsPressedWithoutClick) {
    ButtonHost h(StyleBag(2, "Go"));
    EventLog log(h.Button());
    QTest::mouseClick(&h.Button(), Qt::LeftButton, {}, QPoint(50, 12));
    log.Clear();
    QTest::mouseDClick(&h.Button(), Qt::LeftButton, {}, QPoint(50, 12));
    EXPECT_EQ(h.Button().LastState(), 2);
    QTest::mouseRelease(&h.Button(), Qt::LeftButton, {}, QPoint(50, 12));
    EXPECT_EQ(log.Events(), (Events{"MouseDown1", "MouseUp1"}));
    EXPECT_EQ(h.Button().LastState(), 0);
}

TEST(ChameleonMouse, OvalCornersDoNotReachTheButton) {
    ButtonHost h(StyleBag(13, "Go"), 60, 30);
    EventLog log(h.Button());
    QWindow* window = h.Host().windowHandle();
    ASSERT_NE(window, nullptr);
    // Through the window, as a real pointer goes: the window shape decides who gets the click.
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(10 + 1, 10 + 1));
    EXPECT_EQ(log.CountOf("Click"), 0);
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(10 + 30, 10 + 15));
    EXPECT_EQ(log.CountOf("Click"), 1);
}

TEST(ChameleonHover, OneMouseOverAndOneMouseOut) {
    ButtonHost h(StyleBag(9, "Go"));
    EventLog log(h.Button());
    h.MoveTo(QPoint(50, 12));
    h.MoveTo(QPoint(51, 12));
    EXPECT_TRUE(h.Button().IsOver());
    EXPECT_TRUE(h.Button().OverTimer().isActive());
    EXPECT_EQ(h.Button().OverTimer().interval(), 3);
    QCursor::setPos(h.Global(QPoint(300, 300)));
    QTRY_COMPARE(log.CountOf("MouseOut"), 1);
    QTest::qWait(20);
    EXPECT_EQ(log.CountOf("MouseOver"), 1);
    EXPECT_EQ(log.CountOf("MouseOut"), 1);
    EXPECT_FALSE(h.Button().IsOver());
    EXPECT_FALSE(h.Button().OverTimer().isActive());
    EXPECT_EQ(h.Pixel(0, 0), h.Button().Palette().face); // style 9's hover outline is gone
}

TEST(ChameleonHover, PressMovesAndReleaseGiveASecondMouseOver) {
    ButtonHost h(StyleBag(9, "Go"));
    EventLog log(h.Button());
    h.MoveTo(QPoint(50, 12));
    QTest::mousePress(&h.Button(), Qt::LeftButton, {}, QPoint(50, 12));
    h.MoveTo(QPoint(52, 12), Qt::LeftButton);
    EXPECT_FALSE(h.Button().IsOver());
    QTest::mouseRelease(&h.Button(), Qt::LeftButton, {}, QPoint(52, 12));
    h.MoveTo(QPoint(53, 12));
    EXPECT_EQ(log.CountOf("MouseOver"), 2);
    EXPECT_EQ(log.CountOf("MouseOut"), 0);
    EXPECT_EQ(log.CountOf("Click"), 1);
}

TEST(ChameleonKeys, SpaceClicksOnceOtherKeysDoNot) {
    ButtonHost h(StyleBag(2, "Go"));
    h.Button().setFocus();
    EventLog log(h.Button());
    QTest::keyPress(&h.Button(), Qt::Key_Space);
    EXPECT_EQ(h.Button().LastState(), 2);
    QTest::keyRelease(&h.Button(), Qt::Key_Space);
    EXPECT_EQ(log.Events(), (Events{"KeyDown32", "KeyPress32", "KeyUp32", "Click"}));
    EXPECT_EQ(h.Button().LastState(), 0);
    log.Clear();
    // A space release after another key went down raises no click.
    QTest::keyPress(&h.Button(), Qt::Key_Space);
    QTest::keyPress(&h.Button(), Qt::Key_A);
    QTest::keyRelease(&h.Button(), Qt::Key_Space);
    QTest::keyRelease(&h.Button(), Qt::Key_A);
    EXPECT_EQ(log.CountOf("Click"), 0);
    QTest::keyClick(&h.Button(), Qt::Key_Return);
    EXPECT_EQ(log.CountOf("Click"), 0);
}

TEST(ChameleonKeys, ArrowsMoveTheFocus) {
    QWidget host;
    chameleonButton a(&host), b(&host);
    a.setGeometry(0, 0, 50, 20);
    b.setGeometry(0, 30, 50, 20);
    a.ReadProperties(StyleBag(2, "A"));
    b.ReadProperties(StyleBag(2, "B"));
    host.show();
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    a.setFocus();
    ASSERT_TRUE(a.HasFocus());
    QTest::keyClick(&a, Qt::Key_Right);
    EXPECT_TRUE(b.hasFocus());
    EXPECT_TRUE(b.HasFocus());
    EXPECT_FALSE(a.HasFocus());
    QTest::keyClick(&b, Qt::Key_Up);
    EXPECT_TRUE(a.hasFocus());
}

TEST(ChameleonKeys, AccessKeys) {
    struct Case {
        const char* caption;
        char key;
    };
    for (const Case& c : {Case{"&File", 'f'}, Case{"A && B", 0}, Case{"&&x&y", 'y'}, Case{"&", 0},
                          Case{"x&", 0}, Case{"&&", 0}, Case{"a&&&b", 'b'}}) {
        ButtonHost h(StyleBag(2, c.caption));
        EXPECT_EQ(h.Button().AccessKey(), c.key) << c.caption;
    }
    ButtonHost h(StyleBag(2, "&File"));
    h.Host().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&h.Host()));
    EventLog log(h.Button());
    QTest::keyClick(&h.Host(), Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(log.CountOf("Click"), 1);
    h.Button().SetCaption("&&x&y");
    log.Clear();
    QTest::keyClick(&h.Host(), Qt::Key_X, Qt::AltModifier);
    QTest::keyClick(&h.Host(), Qt::Key_Y, Qt::AltModifier);
    EXPECT_EQ(log.CountOf("Click"), 1);
    h.Button().SetCaption("A && B");
    log.Clear();
    QTest::keyClick(&h.Host(), Qt::Key_A, Qt::AltModifier);
    QTest::keyClick(&h.Host(), Qt::Key_B, Qt::AltModifier);
    EXPECT_EQ(log.CountOf("Click"), 0);
}

TEST(ChameleonTwoState, ClickTogglesBeforeClickAndOnLooksPressed) {
    PropertyBag bag = StyleBag(2, "Go");
    bag.WriteBool("CHECK", true);
    ButtonHost h(bag);
    bool valueInHandler = false;
    QObject::connect(&h.Button(), &chameleonButton::Click,
                     [&] { valueInHandler = h.Button().Value(); });
    h.MoveTo(QPoint(50, 12));
    QTest::mouseClick(&h.Button(), Qt::LeftButton, {}, QPoint(50, 12));
    EXPECT_TRUE(valueInHandler);
    EXPECT_EQ(h.Button().LastState(), 2); // on looks pressed, also under the pointer
    QTest::mouseClick(&h.Button(), Qt::LeftButton, {}, QPoint(50, 12));
    EXPECT_FALSE(h.Button().Value());
    EXPECT_EQ(h.Button().LastState(), 0);
    h.Button().setFocus();
    QTest::keyClick(&h.Button(), Qt::Key_Space);
    EXPECT_TRUE(h.Button().Value());
    EXPECT_EQ(h.Button().LastState(), 2);
}

TEST(ChameleonPaint, SkipRuleRefreshControlAndValueWithoutTwoState) {
    ButtonHost h(StyleBag(2, "Go"));
    chameleonButton& b = h.Button();
    const int start = b.PaintCount();
    b.PaintButton(0, false); // same state, same caption: skipped
    EXPECT_EQ(b.PaintCount(), start);
    b.PaintButton(0, true);
    EXPECT_EQ(b.PaintCount(), start + 1);
    b.SetValue(true); // not a two-state button: no painting
    EXPECT_EQ(b.PaintCount(), start + 1);
    b.SetCaption("Go"); // the same caption still repaints in state 0
    EXPECT_EQ(b.PaintCount(), start + 2);

    b.DisableRefresh();
    b.SetCaption("Other");
    b.SetButtonType(5);
    b.SetSoftBevel(true);
    b.SetColorScheme(3);
    EXPECT_EQ(b.PaintCount(), start + 2);
    b.Refresh();
    EXPECT_EQ(b.PaintCount(), start + 3);
    EXPECT_TRUE(b.DrawingAllowed());
    EXPECT_EQ(b.Palette().face, RGB(192, 192, 192));

    b.hide();
    EXPECT_FALSE(b.DrawingAllowed());
    b.PaintButton(2, true);
    EXPECT_EQ(b.PaintCount(), start + 3);
    b.show();
    EXPECT_TRUE(b.DrawingAllowed());
    EXPECT_EQ(b.PaintCount(), start + 4);
}

TEST(ChameleonProperties, SettersNotifyAndRepaintWhenTheValueIsTheSame) {
    ButtonHost h(StyleBag(3, "Go"));
    chameleonButton& b = h.Button();
    QSignalSpy notices(&b, &chameleonButton::PropertyChanged);
    // A pressed button given its own caption again goes back to the normal look.
    b.PaintButton(2, true);
    ASSERT_EQ(b.LastState(), 2);
    b.SetCaption("Go");
    EXPECT_EQ(b.LastState(), 0);
    b.PaintButton(2, true);
    b.SetEnabled(true);
    EXPECT_EQ(b.LastState(), 0);
    // Every keyed setter tells the host, new value or not.
    b.SetColorScheme(b.ColorScheme());
    b.SetShowFocusRect(b.ShowFocusRect());
    b.SetBackOver(b.BackOver());
    b.SetMaskColor(b.MaskColor());
    b.SetSpecialEffect(b.SpecialEffect());
    b.SetMousePointer(b.MousePointer());
    std::vector<std::string> keys;
    for (const QList<QVariant>& notice : notices)
        keys.push_back(notice.at(0).toString().toStdString());
    EXPECT_EQ(keys, (std::vector<std::string>{"TX", "ENAB", "COLTYPE", "FOCUSR", "BCOLO", "MCOL",
                                              "FX", "MPTR"}));
    const int painted = b.PaintCount();
    b.SetFontBold(b.FontBold());
    b.SetSoftBevel(b.SoftBevel());
    EXPECT_EQ(b.PaintCount(), painted + 2);
}

TEST(ChameleonPicture, SettingTheTransparentStyleAgainCapturesTheBackgroundAgain) {
    QWidget host;
    host.resize(80, 40);
    QPalette pal = host.palette();
    pal.setColor(QPalette::Window, QColor(10, 200, 30));
    host.setPalette(pal);
    host.setAutoFillBackground(true);
    chameleonButton b(&host);
    b.setGeometry(5, 5, 40, 20);
    b.ReadProperties(StyleBag(11, ""));
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    ASSERT_EQ(GetPixel(b.Canvas(), 10, 10), RGB(10, 200, 30));
    pal.setColor(QPalette::Window, QColor(200, 20, 90));
    host.setPalette(pal);
    b.SetButtonType(11);
    EXPECT_EQ(GetPixel(b.Canvas(), 10, 10), RGB(200, 20, 90));
}

TEST(ChameleonProperties, ChangeNoticesAndDesignTime) {
    ButtonHost h(StyleBag(2, "Go"));
    chameleonButton& b = h.Button();
    QSignalSpy notices(&b, &chameleonButton::PropertyChanged);
    b.SetPictureOver(platform::PictureFromImage(QImage(2, 2, QImage::Format_RGB32)));
    b.SetFontBold(true);
    b.SetBackColor(RGB(1, 2, 3));
    ASSERT_EQ(notices.count(), 2);
    EXPECT_EQ(notices.at(0).at(0).toString(), "PICO");
    EXPECT_EQ(notices.at(1).at(0).toString(), "BCOL");
    EXPECT_NE(b.BackOver(), RGB(1, 2, 3)); // run time: the hover colour stays
    ButtonAmbient design = b.Ambient();
    design.UserMode = false;
    b.SetAmbient(design);
    b.SetBackColor(RGB(4, 5, 6));
    EXPECT_EQ(b.BackOver(), RGB(4, 5, 6));
    b.SetButtonType(5);
    EXPECT_TRUE(b.FontBold());
    b.SetFontSize(10);
    EXPECT_EQ(b.FontSize(), 10);
    EXPECT_EQ(chameleonButton::Version(), "2.0.6");
}

TEST(ChameleonPersistence, RoundTripAndKeyOrder) {
    PropertyBag in;
    in.WriteLong("btype", 9);
    in.WriteString("tx", "&Clean");
    in.WriteBool("enab", false);
    in.WriteFont("font", platform::Font{"MS Sans Serif", 8.25, true});
    in.WriteLong("coltype", 2);
    in.WriteBool("focusr", false);
    in.WriteColor("bcol", RGB(1, 2, 3));
    in.WriteColor("fcol", RGB(7, 8, 9));
    in.WriteColor("mcol", RGB(0, 255, 0));
    in.WritePicture("picn", platform::PictureFromImage(QImage(5, 4, QImage::Format_RGB32)));
    in.WriteBool("umcol", false);
    in.WriteBool("soft", true);
    in.WriteLong("picpos", 3);
    in.WriteBool("ngrey", true);
    in.WriteLong("fx", 2);
    in.WriteBool("hand", true);
    in.WriteBool("check", true);
    in.WriteBool("value", true);
    ButtonHost h(in);
    chameleonButton& b = h.Button();
    EXPECT_EQ(b.ButtonType(), 9);
    EXPECT_EQ(b.Caption(), "&Clean");
    EXPECT_FALSE(b.Enabled());
    EXPECT_FALSE(b.isEnabled());
    EXPECT_TRUE(b.FontBold());
    EXPECT_EQ(b.BackOver(), RGB(1, 2, 3)); // missing: the loaded BackColor
    EXPECT_EQ(b.ForeOver(), RGB(7, 8, 9));
    EXPECT_EQ(b.MousePointer(), 99); // the hand
    EXPECT_EQ(b.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(b.AccessKey(), 'c');

    PropertyBag out;
    b.WriteProperties(out);
    std::vector<std::string> expected;
    for (const PropertySpec& s : chameleonButton::PropertyKeys())
        expected.push_back(s.key);
    EXPECT_EQ(out.Keys(), expected);
    EXPECT_EQ(expected,
              (std::vector<std::string>{"BTYPE", "TX",    "ENAB", "FONT",  "COLTYPE", "FOCUSR",
                                        "BCOL",  "BCOLO", "FCOL", "FCOLO", "MCOL",    "MPTR",
                                        "MICON", "PICN",  "PICH", "UMCOL", "SOFT",    "PICPOS",
                                        "NGREY", "FX",    "HAND", "CHECK", "VALUE"}));
    for (const PropertySpec& s : chameleonButton::PropertyKeys())
        EXPECT_EQ(out.KindOf(s.key), s.kind) << s.key;
    ButtonHost again(out);
    again.Button().SetHandPointer(false);
    EXPECT_EQ(again.Button().MousePointer(), 1);
    EXPECT_EQ(again.Button().cursor().shape(), Qt::ArrowCursor);
    again.Button().SetHandPointer(true);
    PropertyBag out2;
    again.Button().WriteProperties(out2);
    for (const std::string& key : expected)
        EXPECT_TRUE(*out.Find(key) == *out2.Find(key)) << key;
}

TEST(ChameleonPersistence, DefaultsForMissingKeysAndNewInstance) {
    ButtonHost h(PropertyBag{});
    chameleonButton& b = h.Button();
    EXPECT_EQ(b.ButtonType(), 2);
    EXPECT_EQ(b.Caption(), "");
    EXPECT_TRUE(b.Enabled());
    EXPECT_EQ(b.ColorScheme(), 1);
    EXPECT_TRUE(b.ShowFocusRect());
    EXPECT_EQ(b.BackColor().Value(), 0x8000000Fu);
    EXPECT_EQ(b.BackOver().Value(), 0x8000000Fu);
    EXPECT_EQ(b.ForeColor().Value(), 0x80000012u);
    EXPECT_EQ(b.MaskColor(), RGB(192, 192, 192));
    EXPECT_EQ(b.MousePointer(), 1); // the hand setting False leaves the arrow
    EXPECT_TRUE(b.UseMaskColor());
    EXPECT_FALSE(b.SoftBevel());
    EXPECT_EQ(b.PicturePosition(), 0);
    EXPECT_EQ(b.SpecialEffect(), 0);
    EXPECT_FALSE(b.CheckBoxBehaviour());
    EXPECT_FALSE(b.Value());

    chameleonButton fresh;
    ButtonAmbient a;
    a.DisplayName = "chameleonButton4";
    fresh.SetAmbient(a);
    fresh.InitProperties();
    EXPECT_EQ(fresh.Caption(), "chameleonButton4");
    EXPECT_EQ(fresh.BackColor(), RGB(236, 233, 216));
    EXPECT_EQ(fresh.ForeOver(), RGB(0, 0, 0));
    EXPECT_EQ(fresh.ButtonType(), 2);
}

} // namespace
} // namespace corvane::controls

// The classic look of everything Qt draws itself, and the message boxes: centred over the window
// that asks, with the program's own icons. Runs offscreen and, from the start-up end-to-end test,
// on a real display under a window manager.

#include "controls/TopLevel.h"
#include "platform/messageloop.h"
#include "platform/widgets/drawing.h"
#include "support/RunUntil.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace corvane::controls {
namespace {

/// Applies the classic look for one test and gives the test program its own look back after.
class ClassicLook {
public:
    ClassicLook()
        : style_(QApplication::style()->name()), palette_(QApplication::palette()),
          font_(QApplication::font()) {
        applied = ApplyClassicLook();
    }
    ~ClassicLook() {
        QApplication::setStyle(style_);
        QApplication::setPalette(palette_);
        QApplication::setFont(font_);
    }
    bool applied = false;

private:
    QString style_;
    QPalette palette_;
    QFont font_;
};

/// What a shown box looked like, read while it was on screen.
struct SeenBox {
    QRect window; // the box's own area, without the frame
    QImage icon;
    QString style;
    QFont font;
};

/// Shows a real box for `request` (answered by pressing its default button as soon as it is up)
/// and reports what it looked like.
SeenBox ShowBox(const platform::MessageBoxRequest& request) {
    SeenBox seen;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        poll.stop();
        // A window manager places and frames the box some time after it is mapped, later still
        // on a loaded machine: read the place once it has stayed put for a while. The box's own
        // area is read, not its frame: the frame's size is asked of the window manager once and
        // may be caught while it is still being made (1 x 1). Box and owner wear the same frame,
        // so their own areas are centred on each other when their frames are.
        QRect place = box->geometry();
        int steady = 0;
        for (int waited = 0; waited < 5000 && steady < 300; waited += 50) {
            QTest::qWait(50);
            const QRect now = box->geometry();
            steady = now == place ? steady + 50 : 0;
            place = now;
        }
        seen.window = place;
        seen.icon =
            box->iconPixmap().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        seen.style = box->style()->name();
        seen.font = box->font();
        box->defaultButton()->click();
    });
    poll.start();
    EXPECT_EQ(platform::AskPerson(request), platform::vbOK);
    return seen;
}

TEST(ClassicLook, EverythingQtDrawsUsesTheClassicStyleAndTheWindowsFont) {
    ClassicLook look;
    ASSERT_TRUE(look.applied);
    EXPECT_EQ(QApplication::style()->name().toLower(), "windows");
    const QFont windows = platform::ToQFont(platform::Font{});
    for (const char* kind : {"QMenu", "QToolTip", "QMessageBox", "QListWidget", "QCheckBox"}) {
        EXPECT_EQ(QApplication::font(kind).family(), windows.family()) << kind;
        EXPECT_EQ(QApplication::font(kind).pixelSize(), windows.pixelSize()) << kind;
    }
    EXPECT_EQ(QApplication::palette().color(QPalette::Button),
              platform::GetSysColor(platform::COLOR_BTNFACE).ToQColor());
    EXPECT_EQ(QApplication::palette().color(QPalette::Highlight),
              platform::GetSysColor(platform::COLOR_HIGHLIGHT).ToQColor());
}

TEST(ClassicLook, BoxesAreCentredOverTheAskingWindowWithTheProgramsIcons) {
    ClassicLook look;
    QWidget owner;
    owner.setWindowTitle(QStringLiteral("Corvane"));
    owner.resize(520, 380);
    owner.move(40, 30); // far from the centre of any screen
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    QLabel child(&owner); // a control of the window asks: the box belongs to its window
    const struct {
        unsigned icon;
        const char* file;
    } kinds[] = {{platform::vbInformation, ":/corvane/msgbox-information.png"},
                 {platform::vbExclamation, ":/corvane/msgbox-exclamation.png"},
                 {platform::vbCritical, ":/corvane/msgbox-critical.png"},
                 {platform::vbQuestion, ":/corvane/msgbox-question.png"}};
    for (const auto& kind : kinds) {
        const SeenBox seen = ShowBox({"Done", "Corvane", platform::vbOKOnly + kind.icon, &child});
        const QRect own = owner.geometry();
        const QPoint offset = seen.window.center() - own.center();
        EXPECT_LE(offset.manhattanLength(), 24)
            << "box at " << seen.window.x() << "," << seen.window.y() << " size "
            << seen.window.width() << "x" << seen.window.height() << ", owner at " << own.x() << ","
            << own.y() << " size " << own.width() << "x" << own.height() << ", for " << kind.file;
        const QImage artwork = QPixmap(QString::fromLatin1(kind.file))
                                   .toImage()
                                   .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        ASSERT_FALSE(artwork.isNull()) << kind.file;
        EXPECT_EQ(seen.icon, artwork) << kind.file;
        EXPECT_EQ(seen.style.toLower(), "windows");
        EXPECT_EQ(seen.font.family(), platform::ToQFont(platform::Font{}).family());
    }
    // A box without an icon shows none, not the desktop's.
    EXPECT_TRUE(ShowBox({"Plain", "Corvane", platform::vbOKOnly, &owner}).icon.isNull());
}

} // namespace
} // namespace corvane::controls

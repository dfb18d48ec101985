#include "controls/TopLevel.h"

#include "platform/widgets/drawing.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QPalette>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QToolTip>
#include <QWidget>

namespace corvane::controls {
namespace {

bool& FromApplication() {
    static bool fromApplication = false;
    return fromApplication;
}

} // namespace

const QIcon& ProgramIcon() {
    // Decoding the full-size artwork is the dear part of an icon; every user shares this one.
    // It is never destroyed, as pixmaps must not outlive the application object.
    static const QIcon* icon = new QIcon(QStringLiteral(":/corvane/icon.png"));
    return *icon;
}

void PrepareTopLevel(QWidget& window, const QString& caption) {
    window.setWindowTitle(caption);
    if (FromApplication())
        return;
    window.setWindowIcon(ProgramIcon());
    platform::EnsureFonts();
    window.setFont(platform::ToQFont(platform::Font{}));
}

void SetIconAndFontFromApplication(bool fromApplication) {
    FromApplication() = fromApplication;
}

bool ApplyClassicLook() {
    // The font comes even where the style is missing.
    ApplyClassicFont();
    return ApplyClassicStyle();
}

void ApplyClassicFont() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return;
    platform::EnsureFonts();
    const QFont font = platform::ToQFont(platform::Font{});
    QApplication::setFont(font);
    // A desktop theme may give menus, tool tips and boxes fonts of their own.
    for (const char* kind : {"QMenu", "QToolTip", "QMessageBox", "QListWidget", "QCheckBox"})
        QApplication::setFont(font, kind);
    QToolTip::setFont(font);
}

bool ApplyClassicStyle() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return false;
    QStyle* style = QStyleFactory::create(QStringLiteral("Windows"));
    if (style == nullptr)
        return false;
    QApplication::setStyle(style); // the application owns it from here
    // The desktop's palette would colour the classic style in today's colours; the system
    // colour table is the one the controls paint with.
    const auto colour = [](int index) { return platform::GetSysColor(index).ToQColor(); };
    QPalette palette = style->standardPalette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, colour(platform::COLOR_BTNFACE));
        palette.setColor(group, QPalette::Button, colour(platform::COLOR_BTNFACE));
        palette.setColor(group, QPalette::Light, colour(platform::COLOR_BTNHIGHLIGHT));
        palette.setColor(group, QPalette::Midlight, colour(platform::COLOR_3DLIGHT));
        palette.setColor(group, QPalette::Mid, colour(platform::COLOR_BTNSHADOW));
        palette.setColor(group, QPalette::Dark, colour(platform::COLOR_BTNSHADOW));
        palette.setColor(group, QPalette::Shadow, colour(platform::COLOR_3DDKSHADOW));
        palette.setColor(group, QPalette::Highlight, colour(platform::COLOR_HIGHLIGHT));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::WindowText, colour(platform::COLOR_BTNTEXT));
        palette.setColor(group, QPalette::ButtonText, colour(platform::COLOR_BTNTEXT));
        palette.setColor(group, QPalette::Text, colour(platform::COLOR_BTNTEXT));
        palette.setColor(group, QPalette::Base, Qt::white);
        palette.setColor(group, QPalette::ToolTipBase, colour(platform::COLOR_INFOBK));
        palette.setColor(group, QPalette::ToolTipText, colour(platform::COLOR_INFOTEXT));
    }
    QApplication::setPalette(palette);
    return true;
}

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

} // namespace corvane::controls

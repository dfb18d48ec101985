#include "controls/TopLevel.h"

#include "platform/widgets/drawing.h"

#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QWidget>

namespace corvane::controls {

void PrepareTopLevel(QWidget& window, const QString& caption) {
    window.setWindowTitle(caption);
    window.setWindowIcon(QIcon(QStringLiteral(":/corvane/icon.png")));
    platform::EnsureFonts();
    window.setFont(platform::ToQFont(platform::Font{}));
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

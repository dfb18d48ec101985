#include "platform/posix/widgetglue.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace corvane::platform::widgetglue {
namespace {

// The system's four message-box icons, from the program's own artwork: the desktop theme's
// icons would look like another program's.
QString IconResource(unsigned icon) {
    switch (icon) {
    case vbCritical:
        return QStringLiteral(":/corvane/msgbox-critical.png");
    case vbQuestion:
        return QStringLiteral(":/corvane/msgbox-question.png");
    case vbExclamation:
        return QStringLiteral(":/corvane/msgbox-exclamation.png");
    case vbInformation:
        return QStringLiteral(":/corvane/msgbox-information.png");
    default:
        return {};
    }
}

// The window a box belongs to: the asking window's top level when it is on screen, else the
// window the user is working in. Qt centres a dialog over its parent window.
QWidget* OwnerWindow(const void* owner) {
    if (owner != nullptr) {
        QWidget* window = static_cast<QWidget*>(const_cast<void*>(owner))->window();
        if (window->isVisible() && !window->isMinimized())
            return window;
    }
    return QApplication::activeWindow();
}

// A message box centred over the window that asked. Qt would centre it by the size it has
// before its text is laid out, and that size is known only once the box is being shown, so the
// box places itself then, before it reaches the screen. Its frame is taken to be as wide as the
// owner's (the same desktop draws both).
class CentredBox : public QMessageBox {
public:
    CentredBox(const QString& title, const QString& text, QWidget* owner)
        : QMessageBox(QMessageBox::NoIcon, title, text, QMessageBox::NoButton, owner) {}

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        const QWidget* owner = parentWidget();
        if (owner == nullptr || placed_)
            return;
        placed_ = true;
        const QRect ownerFrame = owner->frameGeometry();
        const QRect ownerClient = owner->geometry();
        const QMargins frame(
            ownerClient.left() - ownerFrame.left(), ownerClient.top() - ownerFrame.top(),
            ownerFrame.right() - ownerClient.right(), ownerFrame.bottom() - ownerClient.bottom());
        QRect outer(QPoint(0, 0), size().grownBy(frame));
        outer.moveCenter(ownerFrame.center());
        move(outer.topLeft());
    }

private:
    bool placed_ = false;
};

} // namespace

int AskWithDialog(const MessageBoxRequest& request, const std::vector<Button>& buttons,
                  std::size_t defaultIndex) {
    CentredBox box(QString::fromStdString(request.title), QString::fromStdString(request.text),
                   OwnerWindow(request.owner));
    if (const QString icon = IconResource(request.Icon()); !icon.isEmpty())
        box.setIconPixmap(QPixmap(icon));
    QMessageBox::StandardButtons set;
    for (const Button& b : buttons)
        set |= static_cast<QMessageBox::StandardButton>(b.standard);
    box.setStandardButtons(set);
    if (defaultIndex < buttons.size())
        box.setDefaultButton(
            static_cast<QMessageBox::StandardButton>(buttons[defaultIndex].standard));
    const int clicked = box.exec();
    for (const Button& b : buttons)
        if (b.standard == clicked)
            return b.code;
    return -1;
}

bool ShowWaitCursor() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return false;
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    return true;
}

void RestoreCursor() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
        QGuiApplication::restoreOverrideCursor();
}

} // namespace corvane::platform::widgetglue

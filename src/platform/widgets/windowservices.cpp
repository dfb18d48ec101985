#include "platform/widgets/windowservices.h"

#include "platform/messageloop.h"
#include "platform/shell.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <optional>

namespace corvane::platform {
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
        placed_ = true;
        Centre();
    }

    // The box may still change its size after it is shown (its layout settles, a window
    // manager applies its limits); it stays centred, as a box cannot be resized by the user.
    void resizeEvent(QResizeEvent* event) override {
        QMessageBox::resizeEvent(event);
        if (placed_)
            Centre();
    }

private:
    void Centre() {
        const QWidget* owner = parentWidget();
        if (owner == nullptr)
            return;
        const QRect ownerFrame = owner->frameGeometry();
        const QRect ownerClient = owner->geometry();
        const QMargins frame(
            ownerClient.left() - ownerFrame.left(), ownerClient.top() - ownerFrame.top(),
            ownerFrame.right() - ownerClient.right(), ownerFrame.bottom() - ownerClient.bottom());
        QRect outer(QPoint(0, 0), size().grownBy(frame));
        outer.moveCenter(ownerFrame.center());
        move(outer.topLeft());
    }

    bool placed_ = false;
};

QMessageBox::StandardButton QtButton(int code) {
    switch (code) {
    case vbCancel:
        return QMessageBox::Cancel;
    case vbAbort:
        return QMessageBox::Abort;
    case vbRetry:
        return QMessageBox::Retry;
    case vbIgnore:
        return QMessageBox::Ignore;
    case vbYes:
        return QMessageBox::Yes;
    case vbNo:
        return QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

bool HaveWidgetApplication() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

bool HaveGuiApplication() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

std::optional<int> AskWithDialog(const MessageBoxRequest& request) {
    // A program that made no widget application (a child role of the tests) has no dialogs.
    if (!HaveWidgetApplication())
        return std::nullopt;
    CentredBox box(QString::fromStdString(request.title), QString::fromStdString(request.text),
                   OwnerWindow(request.owner));
    if (const QString icon = IconResource(request.Icon()); !icon.isEmpty())
        box.setIconPixmap(QPixmap(icon));
    // A box asked while every window is hidden (a start with -min, an erase from the tray) is
    // the only window on screen; its closing must not count as the last window closing, which
    // would end the program.
    box.setAttribute(Qt::WA_QuitOnClose, false);
    const std::vector<int> codes = ButtonCodes(request.Buttons());
    QMessageBox::StandardButtons set;
    for (const int code : codes)
        set |= QtButton(code);
    box.setStandardButtons(set);
    const size_t defaultIndex = (request.style & vbDefaultButton3)   ? 2
                                : (request.style & vbDefaultButton2) ? 1
                                                                     : 0;
    if (defaultIndex < codes.size())
        box.setDefaultButton(QtButton(codes[defaultIndex]));
    const int clicked = box.exec();
    for (const int code : codes)
        if (QtButton(code) == clicked)
            return code;
    return SafeAnswer(request.Buttons());
}

bool ShowHourglass() {
    if (!HaveGuiApplication())
        return false;
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    return true;
}

void RestorePointer() {
    if (HaveGuiApplication())
        QGuiApplication::restoreOverrideCursor();
}

bool OpenWithDesktop(const std::string& url) {
    // The desktop's services need a GUI application; without one there is no browser to start.
    if (!HaveGuiApplication())
        return false;
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url), QUrl::StrictMode));
}

} // namespace

void InstallWidgetServices() {
    InstallWindowServices(WindowServices{AskWithDialog, ShowHourglass, RestorePointer});
    SetDesktopOpener(OpenWithDesktop);
}

} // namespace corvane::platform

#include "platform/widgets/windowservices.h"

#include "platform/messageloop.h"
#include "platform/shell.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QString>
#include <QUrl>

#include <optional>

namespace corvane::platform {
namespace {

QMessageBox::Icon QtIcon(unsigned icon) {
    switch (icon) {
    case vbCritical:
        return QMessageBox::Critical;
    case vbQuestion:
        return QMessageBox::Question;
    case vbExclamation:
        return QMessageBox::Warning;
    case vbInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

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
    QMessageBox box(QtIcon(request.Icon()), QString::fromStdString(request.title),
                    QString::fromStdString(request.text));
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

#include "platform/posix/widgetglue.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <QString>

namespace corvane::platform::widgetglue {

int AskWithDialog(const MessageBoxRequest& request, int icon, const std::vector<Button>& buttons,
                  std::size_t defaultIndex) {
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), QString::fromStdString(request.title),
                    QString::fromStdString(request.text));
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

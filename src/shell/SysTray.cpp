#include "shell/SysTray.h"

#include <QGuiApplication>
#include <QSystemTrayIcon>

namespace corvane::SysTray {
namespace {

struct State {
    NOTIFYICONDATA record;
    // The desktop's side of the icon; it exists while the icon is added.
    std::unique_ptr<QSystemTrayIcon> shellIcon;
    bool present = false;
    int modifies = 0;
    int balloons = 0;
    QString lastBalloon;
    std::optional<bool> availableOverride;
};

State& Tray() {
    static State state;
    return state;
}

int MessageOf(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
        return WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::Context:
        return WM_RBUTTONDOWN;
    case QSystemTrayIcon::MiddleClick:
        return WM_MBUTTONDOWN;
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::Unknown:
        break;
    }
    return WM_LBUTTONDOWN;
}

} // namespace

NOTIFYICONDATA& TrayIconData() {
    return Tray().record;
}

bool Shell_NotifyIconA(int message, NOTIFYICONDATA& data) {
    State& state = Tray();
    switch (message) {
    case NIM_ADD:
        if (state.present)
            return false;
        state.present = true;
        // Without a GUI application (a command-line run) there is no desktop to show it on.
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr &&
            QSystemTrayIcon::isSystemTrayAvailable()) {
            state.shellIcon = std::make_unique<QSystemTrayIcon>(data.hIcon);
            state.shellIcon->setToolTip(data.szTip);
            QObject::connect(state.shellIcon.get(), &QSystemTrayIcon::activated,
                             [](QSystemTrayIcon::ActivationReason reason) {
                                 DeliverMouseMessage(MessageOf(reason));
                             });
            state.shellIcon->show();
        }
        return true;
    case NIM_MODIFY:
        if (!state.present)
            return false;
        ++state.modifies;
        if (state.shellIcon)
            state.shellIcon->setIcon(data.hIcon);
        return true;
    case NIM_DELETE:
        if (!state.present)
            return false;
        state.present = false;
        if (state.shellIcon) {
            state.shellIcon->hide();
            state.shellIcon.reset();
        }
        return true;
    default:
        return false;
    }
}

void AddTrayIcon(const QIcon& icon, const QString& tip, MouseMoveHandler handler) {
    NOTIFYICONDATA& record = TrayIconData();
    record.hIcon = icon;
    record.szTip = tip;
    record.callback = std::move(handler);
    Shell_NotifyIconA(NIM_ADD, record);
}

void ModifyTrayIcon(const QIcon& icon) {
    NOTIFYICONDATA& record = TrayIconData();
    record.hIcon = icon;
    Shell_NotifyIconA(NIM_MODIFY, record);
}

void RemoveTrayIcon() {
    Shell_NotifyIconA(NIM_DELETE, TrayIconData());
}

bool IconPresent() {
    return Tray().present;
}

int ModifyCount() {
    return Tray().modifies;
}

bool ShowBalloon(const QString& title, const QString& text) {
    State& state = Tray();
    // An icon added where the desktop has no notification area is only a record: nobody
    // would see its balloon.
    if (!state.present || !IsTrayAvailable())
        return false;
    ++state.balloons;
    state.lastBalloon = text;
    if (state.shellIcon)
        state.shellIcon->showMessage(title, text, QSystemTrayIcon::Warning);
    return true;
}

int BalloonCount() {
    return Tray().balloons;
}

QString LastBalloonText() {
    return Tray().lastBalloon;
}

void DeliverMouseMessage(int message) {
    // Copied first: the handler may remove the icon and refill the record.
    const MouseMoveHandler handler = TrayIconData().callback;
    if (handler)
        handler(0, 0, static_cast<float>(message * 15), 0.0f);
}

bool IsTrayAvailable() {
    const State& state = Tray();
    if (state.availableOverride)
        return *state.availableOverride;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return false;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SetTrayAvailableForTesting(std::optional<bool> available) {
    Tray().availableOverride = available;
}

} // namespace corvane::SysTray

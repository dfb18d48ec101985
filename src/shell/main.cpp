// corvane: the privacy cleaner's windows. The eraser window is the start-up window: its load
// shows the splash, which loads the scanner window hidden and shows it eight seconds later.

#include "platform/widgets/windowservices.h"
#include "platform/world.h"
#include "shell/Forms.h"
#include "shell/Program.h"

#include <QApplication>

#include <cstdlib>
#include <iostream>
#include <string>

namespace {

constexpr const char* kNoDisplay =
    "corvane: no graphical session to show the windows in (%1); start it from a desktop, or "
    "use corvanectl on the command line";

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

void SayNoDisplay(const std::string& why) {
    std::cerr << QString::fromLatin1(kNoDisplay).arg(QString::fromStdString(why)).toStdString()
              << "\n";
}

// While the application object connects to the display, Qt's complaints are held back: when
// the platform plugin fails, Qt would print several lines and abort, where one line and a
// plain failure say it better. Once connected, nothing is held back any more.
std::string& HeldMessages() {
    static std::string held;
    return held;
}

void HoldWhileConnecting(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) {
        HeldMessages() += message.toStdString() + "\n";
        return;
    }
    if (Set("QT_QPA_PLATFORM"))
        SayNoDisplay(std::string("the platform \"") + std::getenv("QT_QPA_PLATFORM") +
                     "\" could not be started");
    else
        SayNoDisplay(std::string("the display ") +
                     std::getenv(Set("DISPLAY") ? "DISPLAY" : "WAYLAND_DISPLAY") +
                     " could not be opened");
    std::_Exit(1);
}

} // namespace

int main(int argc, char** argv) {
    // Without a display and without a platform chosen by hand, Qt has nothing to connect to.
    if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY") && !Set("QT_QPA_PLATFORM")) {
        SayNoDisplay("neither DISPLAY nor WAYLAND_DISPLAY is set");
        return 1;
    }
    const QtMessageHandler previous = qInstallMessageHandler(HoldWhileConnecting);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    std::cerr << HeldMessages();
    corvane::platform::InstallWidgetServices();
    QApplication::setApplicationName(QStringLiteral("corvane"));
    // No application display name: the desktop would append it to every window title, and the
    // message boxes carry their own titles ("Scanning Done") exactly as given.
    if (!corvane::Program::ApplyLookAfterFirstShow())
        std::cerr << "corvane: Qt's classic style is missing; the desktop's style is used\n";

    std::string error;
    if (!corvane::world::Ensure(error)) {
        std::cerr << "corvane: " << error << "\n";
        return 1;
    }

    corvane::Program::Start(corvane::Program::DefaultHooks(argc, argv));
    // A start into the notification area shows no window: the look is completed now.
    corvane::Forms::RunAfterFirstShow();
    const int rc = QApplication::exec();
    // The windows go before the application object does.
    corvane::Program::UnloadAll();
    corvane::Forms::UnloadAll();
    return rc;
}

// corvane: the privacy cleaner's windows. The eraser window is the start-up window: its load
// shows the splash, which loads the scanner window hidden and shows it eight seconds later.

#include "platform/widgets/drawing.h"
#include "platform/widgets/windowservices.h"
#include "platform/world.h"
#include "shell/Forms.h"
#include "shell/Program.h"

#include <QApplication>
#include <QIcon>

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    corvane::platform::InstallWidgetServices();
    QApplication::setApplicationName(QStringLiteral("corvane"));
    // No application display name: the desktop would append it to every window title, and the
    // message boxes carry their own titles ("Scanning Done") exactly as given.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/corvane/icon.png")));
    corvane::platform::EnsureFonts();

    std::string error;
    if (!corvane::world::Ensure(error)) {
        std::cerr << "corvane: " << error << "\n";
        return 1;
    }

    corvane::Program::Start(corvane::Program::DefaultHooks(argc, argv));
    const int rc = QApplication::exec();
    // The windows go before the application object does.
    corvane::Program::UnloadAll();
    corvane::Forms::UnloadAll();
    return rc;
}

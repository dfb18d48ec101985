// corvane: the privacy cleaner's windows. The program comes up with the splash, which loads the
// scanner window hidden and shows it eight seconds later.

#include "platform/drawing.h"
#include "platform/world.h"
#include "shell/Forms.h"

#include <QApplication>
#include <QIcon>

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("corvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Corvane"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/corvane/icon.png")));
    corvane::platform::EnsureFonts();

    std::string error;
    if (!corvane::world::Ensure(error)) {
        std::cerr << "corvane: " << error << "\n";
        return 1;
    }

    // The eraser window is meant to be the start-up window that shows the splash; until it
    // exists, the splash is shown here directly.
    corvane::Forms::ShowSplash();
    return QApplication::exec();
}

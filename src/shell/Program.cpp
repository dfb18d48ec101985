#include "shell/Program.h"

#include "controls/TopLevel.h"
#include "scanner/Form1.h"
#include "shell/Forms.h"
#include "shell/SysTray.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>

#include <memory>

namespace corvane::Program {
namespace {

struct State {
    EngineHooks hooks;
    std::unique_ptr<Engine> engine;
};

State& Program() {
    static State state;
    return state;
}

} // namespace

EngineHooks DefaultHooks(int argc, const char* const* argv) {
    EngineHooks hooks;
    hooks.showSplash = [] { Forms::ShowSplash(); };
    hooks.enableScannerTimer9 = [] { Forms::ScannerWindow().Timer9.SetEnabled(true); };
    hooks.endProgram = [] { QCoreApplication::exit(0); };
    hooks.windowShown = [] { Forms::EndQuietStart(); };
    hooks.commandLine = Engine::CommandText(argc, argv);
    hooks.executable = QCoreApplication::applicationFilePath().toStdString();
    return hooks;
}

bool ApplyLookAfterFirstShow() {
    // The windows take both from the application, which has them before anything is painted.
    controls::SetIconAndFontFromApplication(true);
    Forms::SetAfterFirstShow([] {
        controls::ApplyClassicFont();
        QApplication::setWindowIcon(controls::ProgramIcon());
    });
    return controls::ApplyClassicStyle();
}

void Start(EngineHooks hooks) {
    Program().hooks = std::move(hooks);
    // Started into the notification area, Corvane waits there: the splash and the scanner
    // window appear only when the user first opens it from the icon.
    const bool quiet =
        Engine::IsMinimisedStart(Program().hooks.commandLine) && SysTray::IsTrayAvailable();
    Forms::SetQuietStart(quiet);
    // No window goes to the display first then: what it would have been shown before (the icon
    // the notification area gets, the windows' font) comes now.
    if (quiet)
        Forms::RunAfterFirstShow();
    Forms::SetEraserWindow([]() -> corvane::EraserWindow* { return &EraserWindow(); },
                           [] { UnloadEraserWindow(); });
    // The splash comes first, as the eraser window's load would show it, so it is on screen
    // while the two windows are built; the eraser window's own request then finds it up.
    if (Program().hooks.showSplash)
        Program().hooks.showSplash();
    EraserWindow();
}

Engine& EraserWindow() {
    State& state = Program();
    // A window the desktop closed is unloaded; asking for it again loads a fresh one.
    if (state.engine && state.engine->IsUnloaded())
        state.engine.release()->deleteLater();
    if (!state.engine) {
        state.engine = std::make_unique<Engine>(state.hooks);
        // The pointer is set before the load step, so the scanner window, loaded from inside
        // it, finds this window when it asks.
        state.engine->Form_Load();
    }
    return *state.engine;
}

Engine* EraserWindowIfLoaded() {
    return Program().engine.get();
}

void UnloadEraserWindow() {
    State& state = Program();
    if (!state.engine)
        EraserWindow();
    state.engine->Form_Unload();
    state.engine->hide();
    // It may be unloading from inside one of its own handlers, which must finish first.
    state.engine.release()->deleteLater();
}

void UnloadAll() {
    Program().engine.reset();
}

} // namespace corvane::Program

#include "shell/Forms.h"

#include "scanner/Form1.h"
#include "shell/splash.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <memory>
#include <utility>

namespace corvane::Forms {
namespace {

struct Windows {
    std::unique_ptr<splash> splashWindow;
    std::unique_ptr<Form1> scannerWindow;
    std::function<EraserWindow*()> eraserWindow;
    std::function<void()> unloadEraserWindow;
    bool quietStart = false;
    // The splash has had its time: it belongs to the program's start, not to every load of the
    // eraser window (the desktop may close that window and the scanner then loads a new one).
    bool splashDone = false;
    std::function<void()> afterFirstShow;
};

Windows& State() {
    static Windows windows;
    return windows;
}

/// Hands a closing window to the event loop for deletion: it may be closing from inside one of
/// its own handlers (a timer tick), which must finish before the object goes.
template <class Window> void DestroyLater(std::unique_ptr<Window>& window) {
    if (!window)
        return;
    window->hide();
    window.release()->deleteLater();
}

/// Shows the splash unless it is up or the start is quiet, and hands the show to the display at
/// once rather than when the start-up returns to the message loop; user input waits until then.
void ShowSplashNow(splash& window, bool quiet) {
    if (window.isVisible() || quiet)
        return;
    window.show();
    // The window is on its way to the display; what it needs only for painting comes now, before
    // the events below paint it.
    window.Appeared();
    RunAfterFirstShow();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

Form1& ScannerWindow() {
    Windows& state = State();
    if (!state.scannerWindow) {
        Form1Hooks hooks;
        hooks.showSplash = [] { ShowSplash(); };
        hooks.eraserWindow = []() -> EraserWindow* {
            return State().eraserWindow ? State().eraserWindow() : nullptr;
        };
        hooks.unloadEraserWindow = [] {
            if (State().unloadEraserWindow)
                State().unloadEraserWindow();
        };
        hooks.unloaded = [] { DestroyLater(State().scannerWindow); };
        state.scannerWindow = std::make_unique<Form1>(std::move(hooks));
        // The pointer is set before the load step, so a request from inside it finds this window.
        state.scannerWindow->Form_Load();
    }
    return *state.scannerWindow;
}

Form1* ScannerWindowIfLoaded() {
    return State().scannerWindow.get();
}

void ShowSplash() {
    Windows& state = State();
    if (!state.splashWindow) {
        if (state.splashDone)
            return;
        state.splashWindow = std::make_unique<splash>();
        // The splash shows what its load will be doing, so it goes on screen first: the scanner
        // window its load makes (widgets, lists) is built behind it.
        ShowSplashNow(*state.splashWindow, state.quietStart);
        // The load step loads the scanner window, whose own load step asks for the splash again:
        // the pointer is already set, so that request only makes this splash visible.
        state.splashWindow->Form_Load();
    }
    if (state.splashWindow)
        ShowSplashNow(*state.splashWindow, state.quietStart);
}

void ShowScanner() {
    Form1& scanner = ScannerWindow();
    if (!State().quietStart)
        scanner.show();
}

void SetQuietStart(bool quiet) {
    State().quietStart = quiet;
}

void EndQuietStart() {
    Windows& state = State();
    if (!state.quietStart)
        return;
    state.quietStart = false;
    // The splash, while it is still loaded, shows the scanner window itself when its time is up.
    if (state.splashWindow) {
        state.splashWindow->show();
        state.splashWindow->Appeared();
    } else if (state.scannerWindow)
        state.scannerWindow->show();
}

splash* SplashIfLoaded() {
    return State().splashWindow.get();
}

void UnloadSplash() {
    Windows& state = State();
    if (state.splashWindow) {
        state.splashWindow->StopTimers();
        state.splashDone = true;
    }
    DestroyLater(state.splashWindow);
}

void SetEraserWindow(std::function<EraserWindow*()> get, std::function<void()> unload) {
    State().eraserWindow = std::move(get);
    State().unloadEraserWindow = std::move(unload);
}

void SetAfterFirstShow(std::function<void()> work) {
    State().afterFirstShow = std::move(work);
}

void RunAfterFirstShow() {
    // Taken out first: the work may show a window itself.
    const std::function<void()> work = std::exchange(State().afterFirstShow, nullptr);
    if (work)
        work();
}

void UnloadAll() {
    Windows& state = State();
    state.splashWindow.reset();
    state.scannerWindow.reset();
    state.quietStart = false;
    state.splashDone = false;
    state.afterFirstShow = nullptr;
}

} // namespace corvane::Forms

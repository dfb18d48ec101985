#include "eraser/BrowserWatcher.h"

#include "eraser/CheckProcess.h"

namespace corvane::eraser {

BrowserWatcher::BrowserWatcher(Hooks hooks) : hooks_(std::move(hooks)) {
    TCheck.SetInterval(kInterval);
    TClosed.SetInterval(kInterval);
    TCheck.OnTick = [this] { TCheck_Timer(); };
    TClosed.OnTick = [this] { TClosed_Timer(); };
}

void BrowserWatcher::Start() {
    TCheck.SetEnabled(true);
}

bool BrowserWatcher::Running() const {
    if (hooks_.IsBrowserRunning)
        return hooks_.IsBrowserRunning();
    return CheckProcess::IsProcessRunning(kBrowser);
}

void BrowserWatcher::TCheck_Timer() {
    if (Running()) {
        TCheck.SetEnabled(false);
        TClosed.SetEnabled(true);
    }
}

void BrowserWatcher::TClosed_Timer() {
    if (Running())
        return;
    if (hooks_.ShowErasingIcon)
        hooks_.ShowErasingIcon();
    platform::Sleep(500);
    if (hooks_.EraseHistory)
        hooks_.EraseHistory();
    if (hooks_.ShowNormalIcon)
        hooks_.ShowNormalIcon();
    TClosed.SetEnabled(false);
    TCheck.SetEnabled(true);
}

} // namespace corvane::eraser

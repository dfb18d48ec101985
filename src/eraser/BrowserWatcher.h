#pragma once
// The browser watcher of the eraser window: two timers that take turns. `TCheck` waits for the
// browser to appear; `TClosed` waits for it to be gone and then erases its history on its own.

#include "platform/messageloop.h"

#include <functional>
#include <string>

namespace corvane::eraser {

/// The two-state watcher; the window (or `corvanectl watch`) supplies what it does.
class BrowserWatcher {
public:
    /// What the watcher calls out to.
    struct Hooks {
        /// Whether the browser runs (default: `IsProcessRunning("iexplore.exe")`).
        std::function<bool()> IsBrowserRunning;
        /// Shows the second icon picture while the automatic erase runs.
        std::function<void()> ShowErasingIcon;
        /// Erases the browser's history traces (`EraseHistory`).
        std::function<void()> EraseHistory;
        /// Puts the window's own icon back.
        std::function<void()> ShowNormalIcon;
    };

    /// The program the watcher looks for.
    static constexpr const char* kBrowser = "iexplore.exe";
    /// The interval of both timers, in milliseconds.
    static constexpr int kInterval = 2000;

    explicit BrowserWatcher(Hooks hooks);

    /// Starts watching (the last step of the window's load enables `TCheck`).
    void Start();

    /// Waits for the browser to appear.
    platform::Timer TCheck;
    /// Waits for the browser to be gone.
    platform::Timer TClosed;

    /// A tick of `TCheck`: once the browser runs, hand over to `TClosed`.
    void TCheck_Timer();
    /// A tick of `TClosed`: once the browser is gone, run the automatic erase.
    void TClosed_Timer();

private:
    bool Running() const;

    Hooks hooks_;
};

} // namespace corvane::eraser

#pragma once
// The program's top-level windows, one of each at most, created on first use as the system's
// forms are. The splash and the scanner window reach each other through here; the eraser window
// registers itself here when it exists.

#include <functional>

namespace corvane {

class EraserWindow;
class Form1;
class splash;

namespace Forms {

/// The scanner window, created and loaded (hidden) when it does not exist yet.
Form1& ScannerWindow();
/// The scanner window when it exists, else null.
Form1* ScannerWindowIfLoaded();

/// Shows the splash: loads it when it is not loaded (which loads the scanner window hidden),
/// otherwise only makes it visible. There is never more than one.
void ShowSplash();
/// The splash when it is loaded, else null.
splash* SplashIfLoaded();
/// Closes and destroys the splash (it is deleted once the event loop runs).
void UnloadSplash();
/// Shows the scanner window, or keeps it for later during a quiet start.
void ShowScanner();

/// A quiet start (started with "-min" into the notification area) loads the splash and the
/// scanner window as usual but shows neither, until the user first opens Corvane from the icon.
void SetQuietStart(bool quiet);
/// Ends a quiet start: the windows it held back appear as they would have at start.
void EndQuietStart();

/// How the scanner window reaches the eraser window: `get` returns it (creating and loading it
/// when needed), `unload` closes and destroys it. Set by the application once the eraser window
/// exists; until then "Activate Cleaner" only resets the scanner's own bar.
void SetEraserWindow(std::function<EraserWindow*()> get, std::function<void()> unload);

/// Sets work that the first window does not need to go to the display (the font database, the
/// program's icon): it runs once, right after the first window is handed to the display and
/// before anything of it is painted, or else when RunAfterFirstShow is called.
void SetAfterFirstShow(std::function<void()> work);
/// Runs the work set by SetAfterFirstShow now, unless it ran already (a quiet start shows no
/// window, so the program calls this once its start-up is done).
void RunAfterFirstShow();

/// Destroys every window at once (for the end of a test).
void UnloadAll();

} // namespace Forms
} // namespace corvane

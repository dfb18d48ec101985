#pragma once
// The program's start: the eraser window is the start-up window. Its load shows the splash (which
// loads the scanner window hidden), adds the notification icon and starts the browser watcher.
// The scanner window reaches the eraser window through here.

#include "eraser/Engine.h"

namespace corvane::Program {

/// The hooks the running program gives the eraser window: the splash, the scanner's `Timer9`,
/// the end of the program, and the command line.
EngineHooks DefaultHooks(int argc, const char* const* argv);

/// Gives the program the classic look in two steps, so that the first window goes to the display
/// before the font database and the program's icon are loaded (together they take longer than
/// everything else the splash needs): the style and colours now, the windows' font and icon right
/// after the first window is shown, before it is painted. False when the classic style is
/// missing (the desktop's style stays; the font and icon still come).
bool ApplyLookAfterFirstShow();

/// Creates and loads the start-up window with `hooks` and lets the scanner window reach it.
void Start(EngineHooks hooks);

/// The eraser window, created and loaded (with the hooks of Start) when there is none.
Engine& EraserWindow();
/// The eraser window when it is loaded, else null.
Engine* EraserWindowIfLoaded();
/// Unloads the eraser window (its icon goes with it) and destroys it once the event loop runs.
void UnloadEraserWindow();
/// Destroys the eraser window at once (for the end of the program or of a test).
void UnloadAll();

} // namespace corvane::Program

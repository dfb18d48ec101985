#pragma once
// The windows' side of the platform services: dialogs for message boxes, the hourglass pointer and
// the desktop's browser. The core library only knows the interfaces (messageloop.h, shell.h);
// every program with windows installs these at start-up, before its first window appears.

namespace corvane::platform {

/// Installs the dialog message boxes, the hourglass pointer and the desktop's browser opener.
void InstallWidgetServices();

} // namespace corvane::platform

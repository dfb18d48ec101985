#pragma once
// The few calls of the message loop that need Qt's widgets: the modal message box and the wait
// cursor. They live apart from the message loop so that the command line, which shows neither,
// links and loads no graphical library. The windowed programs link them in (see CMakeLists.txt);
// where they are missing their addresses are null and the message loop answers on the terminal.

#include "platform/messageloop.h"

#include <cstddef>
#include <vector>

namespace corvane::platform::widgetglue {

/// One button of a box: Qt's standard-button value and the answer code it gives.
struct Button {
    int standard = 0;
    int code = 0;
};

/// Shows a modal box centred over its owner, with the request's icon from our artwork and these
/// buttons; returns the answer code of the button pressed, or -1 when it closed without one.
[[gnu::weak]] int AskWithDialog(const MessageBoxRequest& request,
                                const std::vector<Button>& buttons, std::size_t defaultIndex);
/// Shows the wait cursor over the application; false where there is no graphical application.
[[gnu::weak]] bool ShowWaitCursor();
/// Takes back the cursor ShowWaitCursor showed.
[[gnu::weak]] void RestoreCursor();

} // namespace corvane::platform::widgetglue

#include "shell/XPInit.h"

#include "platform/sysinfo.h"

namespace corvane::XPInit {

void InitCommonControlsForWindow() {
    platform::InitCommonControls();
}

} // namespace corvane::XPInit

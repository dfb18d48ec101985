#include "shell/XPTest.h"

#include "platform/sysinfo.h"

namespace corvane::XPTest {

bool XPThemeActive() {
    platform::OSVERSIONINFOA version;
    version.dwOSVersionInfoSize = 148;
    if (!platform::GetVersionExA(&version))
        version = {}; // a failed query reads as version 0
    const double number = version.dwMajorVersion + version.dwMinorVersion / 10.0;
    // Compare in tenths so that 5.1 is not lost to binary rounding.
    if (static_cast<long>(number * 10 + 0.5) < 51)
        return false;
    if (!platform::IsAppThemed())
        return false;
    platform::DLLVERSIONINFO controls;
    controls.cbSize = 20;
    if (!platform::DllGetVersion(platform::Library::CommonControls, &controls))
        return false;
    return controls.dwMajorVersion >= 6;
}

} // namespace corvane::XPTest

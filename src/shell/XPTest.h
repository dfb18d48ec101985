#pragma once
// The theme test the group box uses to choose between themed and classic drawing.

namespace corvane::XPTest {

/// True on Windows 5.1 or later with themes on and common controls 6 or later.
bool XPThemeActive();

} // namespace corvane::XPTest

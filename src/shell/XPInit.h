#pragma once
// The common-controls initialisation every top-level window runs before its controls are made.

namespace corvane::XPInit {

/// Initialises the common controls for a window about to create its controls.
void InitCommonControlsForWindow();

} // namespace corvane::XPInit

#pragma once
// What every top-level window of the program does alike: its caption, icon and font, and being
// centred on the screen the first time it is shown.

#include <QString>

class QWidget;

namespace corvane::controls {

/// Gives a top-level window its caption, the program's icon and the windows' font
/// ("MS Sans Serif" 8.25 pt) that its controls inherit.
void PrepareTopLevel(QWidget& window, const QString& caption);

/// Moves a window so that it sits in the centre of the primary screen's work area.
void CentreOnScreen(QWidget& window);

} // namespace corvane::controls

#pragma once
// What every top-level window of the program does alike: its caption, icon and font, and being
// centred on the screen the first time it is shown.

#include <QString>

class QWidget;

namespace corvane::controls {

/// Gives a top-level window its caption, the program's icon and the windows' font
/// ("MS Sans Serif" 8.25 pt) that its controls inherit.
void PrepareTopLevel(QWidget& window, const QString& caption);

/// Gives everything Qt draws itself (message boxes, lists, check boxes, scroll bars, menus, tool
/// tips) the classic look: Qt's built-in "Windows" style, the system colours and the windows'
/// font. Needs a QApplication; false when the style is missing (the desktop's style stays).
bool ApplyClassicLook();

/// Moves a window so that it sits in the centre of the primary screen's work area.
void CentreOnScreen(QWidget& window);

} // namespace corvane::controls

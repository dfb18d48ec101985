#pragma once
// What every top-level window of the program does alike: its caption, icon and font, and being
// centred on the screen the first time it is shown.

#include <QString>

class QIcon;
class QWidget;

namespace corvane::controls {

/// The program's icon, decoded once and shared by every window, the tray and the artwork.
const QIcon& ProgramIcon();

/// Gives a top-level window its caption, the program's icon and the windows' font
/// ("MS Sans Serif" 8.25 pt) that its controls inherit. After SetIconAndFontFromApplication the
/// window takes both from the application instead.
void PrepareTopLevel(QWidget& window, const QString& caption);

/// Gives everything Qt draws itself (message boxes, lists, check boxes, scroll bars, menus, tool
/// tips) the classic look: Qt's built-in "Windows" style, the system colours and the windows'
/// font. Needs a QApplication; false when the style is missing (the desktop's style stays).
bool ApplyClassicLook();

/// The style and the system colours of the classic look, without its font; false as above.
bool ApplyClassicStyle();

/// The windows' font for everything Qt draws itself, the second half of the classic look.
void ApplyClassicFont();

/// With true, windows prepared from now on take their icon and font from the application (the
/// program sets both application-wide), so the first window can be shown before the font
/// database and the icon are loaded: neither is needed until the window is first painted.
void SetIconAndFontFromApplication(bool fromApplication);

/// Moves a window so that it sits in the centre of the primary screen's work area.
void CentreOnScreen(QWidget& window);

} // namespace corvane::controls

#pragma once
// SysTray: the one notification-area icon of the program. The eraser window fills the record when
// it adds the icon (its icon, tool tip and the handler that receives the icon's mouse messages);
// afterwards only the icon changes. The same record goes to every add, modify and delete.
//
// The icon's mouse messages reach the window as its mouse-move event with the message number in
// place of the horizontal coordinate, counted in twips (15 per pixel): a left double click arrives
// as X = 7725, a right press as X = 7740.

#include <QIcon>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QSystemTrayIcon;

namespace corvane::SysTray {

/// Add an icon.
inline constexpr int NIM_ADD = 0;
/// Change the icon of the record.
inline constexpr int NIM_MODIFY = 1;
/// Remove the icon.
inline constexpr int NIM_DELETE = 2;

/// Mouse messages of the icon, as the shell numbers them.
inline constexpr int WM_LBUTTONDOWN = 0x201;
/// Left button double click.
inline constexpr int WM_LBUTTONDBLCLK = 0x203;
/// Right button pressed.
inline constexpr int WM_RBUTTONDOWN = 0x204;
/// Middle button pressed.
inline constexpr int WM_MBUTTONDOWN = 0x207;

/// The handler of the icon's mouse messages: the owner window's `Form_MouseMove`.
using MouseMoveHandler = std::function<void(short Button, short Shift, float X, float Y)>;

/// The icon record (the shell's NOTIFYICONDATA as the program fills it).
struct NOTIFYICONDATA {
    /// The picture shown.
    QIcon hIcon;
    /// The tool tip.
    QString szTip;
    /// Receives the icon's mouse messages.
    MouseMoveHandler callback;
};

/// The program's one icon record.
NOTIFYICONDATA& TrayIconData();

/// Passes the record to the notification area: NIM_ADD, NIM_MODIFY or NIM_DELETE. The result is
/// whether the desktop accepted it; the program never reads it.
bool Shell_NotifyIconA(int message, NOTIFYICONDATA& data);

/// Fills the record (icon, tool tip, handler) and adds the icon.
void AddTrayIcon(const QIcon& icon, const QString& tip, MouseMoveHandler handler);

/// Sets the record's icon and tells the notification area.
void ModifyTrayIcon(const QIcon& icon);

/// Removes the icon; its result is ignored.
void RemoveTrayIcon();

/// True while the icon is in the notification area (added and not removed).
bool IconPresent();

/// The number of modify messages sent since the program started (for observing the icon
/// switches of the automatic erase).
int ModifyCount();

/// Shows a warning balloon from the icon; false (and nothing shown) when the icon is not in the
/// notification area, so that the caller says it another way.
bool ShowBalloon(const QString& title, const QString& text);

/// The number of balloons shown since the program started, and the text of the last one (for
/// observing what the program told the user).
int BalloonCount();
/// The text of the last balloon shown (empty before the first).
QString LastBalloonText();

/// Delivers one mouse message of the icon to the record's handler, as the shell does.
void DeliverMouseMessage(int message);

/// True when the desktop has a notification area to put the icon in.
bool IsTrayAvailable();

/// Makes IsTrayAvailable answer `available` (nothing: ask the desktop again), for tests.
void SetTrayAvailableForTesting(std::optional<bool> available);

} // namespace corvane::SysTray

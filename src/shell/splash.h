#pragma once
// The splash window: the artwork with a status line and three squares that light up while the
// program comes up; after eight seconds it shows the scanner window and closes.

#include "platform/messageloop.h"

#include <QWidget>

class QLabel;

namespace corvane {

namespace controls {
class Artwork;
class Shape;
} // namespace controls

/// The splash window (borderless, centred).
class splash : public QWidget {
public:
    /// Creates the window and its controls, hidden; Form_Load starts it.
    splash();
    ~splash() override;
    splash(const splash&) = delete;
    splash& operator=(const splash&) = delete;

    /// Puts up the picture, the first square and the first status text ("Locating Files...");
    /// called when the splash has just been shown, before it is painted.
    void Appeared();
    /// The load step: starts the three timers and loads the scanner window, hidden.
    void Form_Load();
    /// Stops the three timers (the window is closing).
    void StopTimers();

    /// "Loading GUI..." and the second square.
    void Timer1_Timer();
    /// "Locate Files..." and the third square; stops Timer1.
    void Timer3_Timer();
    /// Shows the scanner window and closes the splash.
    void Timer2_Timer();

    /// 2000 ms.
    platform::Timer Timer1;
    /// 8000 ms.
    platform::Timer Timer2;
    /// 5000 ms.
    platform::Timer Timer3;

    controls::Artwork* Picture1 = nullptr;
    QLabel* Label1 = nullptr;
    controls::Shape* Shape7 = nullptr;
    controls::Shape* Shape8 = nullptr;
    controls::Shape* Shape9 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool centred_ = false;
};

} // namespace corvane

#pragma once
// Runs the event loop until a condition holds, for tests of windows whose work happens on timers.

#include <QCoreApplication>
#include <QElapsedTimer>

namespace corvane::testing {

/// Processes events until `done()` is true; false when `ms` milliseconds pass first.
template <class Done> bool RunUntil(Done done, int ms = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

} // namespace corvane::testing

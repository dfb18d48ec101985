#pragma once
// The message loop as the system sees it: yielding to pending events, the input test, sleeping,
// timers, message boxes and the hourglass pointer. Everything works without a window: with no
// application object the yields do nothing and the boxes are answered on the terminal (or by
// an answerer that a test or `corvanectl --yes` installs).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace corvane::platform {

/// Runs the events that are waiting (nothing when no application object exists).
void DoEvents();

/// True when input is probably waiting: a frame (about 15 ms) has passed since the last yield.
/// Always false without an application object, since no input can arrive then.
bool GetInputState();

/// Blocks the calling thread for `milliseconds` divided by the time scale.
void Sleep(std::uint32_t milliseconds);

/// The factor that divides every timer interval and Sleep (`CORVANE_TIME_SCALE`, default 1).
double TimeScale();

/// A timer interval in milliseconds after the time scale (at least 1 when `ms` is positive).
int ScaledMilliseconds(int ms);

/// A timer with the system's semantics: the first tick comes one interval after enabling,
/// enabling a running timer does not restart it, disabling stops it, an interval of 0 never
/// ticks. A tick that falls due while the handler still runs (it yielded) is dropped.
class Timer {
public:
    Timer();
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    /// Whether the timer runs.
    bool Enabled() const { return enabled_; }
    /// Starts or stops the timer; enabling a running timer changes nothing.
    void SetEnabled(bool enabled);
    /// The interval in milliseconds (before the time scale).
    int Interval() const { return interval_; }
    /// Sets the interval; a running timer starts counting the new interval afresh.
    void SetInterval(int milliseconds);
    /// The tick handler (the system's `<Name>_Timer`).
    std::function<void()> OnTick;

private:
    void Apply();
    void Fire();

    struct Impl;
    std::unique_ptr<Impl> impl_;
    bool enabled_ = false;
    int interval_ = 0;
    bool inTick_ = false;
};

/// Buttons and icons of a message box, combined by adding one of each (the system's values).
enum MsgBoxStyle : unsigned {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
};

/// The answers of a message box (the system's codes).
enum MsgBoxResult : int {
    vbOK = 1,
    vbCancel = 2,
    vbAbort = 3,
    vbRetry = 4,
    vbIgnore = 5,
    vbYes = 6,
    vbNo = 7,
};

/// One message box as it would be shown.
struct MessageBoxRequest {
    std::string text;
    std::string title;
    unsigned style = vbOKOnly;
    /// The window that asks (a QWidget; the box is centred over it), or null for the active one.
    const void* owner = nullptr;

    /// The button set (style & 7).
    unsigned Buttons() const { return style & 7u; }
    /// The icon (style & 0x70).
    unsigned Icon() const { return style & 0x70u; }
};

/// Answers a message box with one of the MsgBoxResult codes.
using Answerer = std::function<int(const MessageBoxRequest&)>;

/// Shows a message box over `owner` (a QWidget of the window that asks; null: the active window)
/// and returns the answer's code.
int MsgBox(const std::string& text, unsigned style, const std::string& title,
           const void* owner = nullptr);

/// Replaces the answerer for every box that follows; an empty answerer restores the default
/// (a dialog when a widget application exists, otherwise a question on the terminal).
void SetAnswerer(Answerer answerer);

/// The default answerer: a dialog when a widget application exists, otherwise a question on
/// the terminal (a box that nobody can answer gets No, or Cancel where it has one).
int AskPerson(const MessageBoxRequest& request);

/// An answerer that gives Yes to a Yes/No box and the first button's code to any other box.
Answerer AnswerYesToAll();

/// Installs an answerer for its lifetime and puts the previous one back afterwards.
class ScopedAnswerer {
public:
    explicit ScopedAnswerer(Answerer answerer);
    ~ScopedAnswerer();
    ScopedAnswerer(const ScopedAnswerer&) = delete;
    ScopedAnswerer& operator=(const ScopedAnswerer&) = delete;

private:
    Answerer previous_;
};

/// Shows the hourglass pointer for its lifetime (nothing without a GUI application).
class Hourglass {
public:
    Hourglass();
    ~Hourglass();
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;

private:
    bool shown_ = false;
};

} // namespace corvane::platform

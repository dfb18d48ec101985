#include "platform/messageloop.h"

#include "platform/posix/widgetglue.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace corvane::platform {
namespace {

// The stand-in for "input is waiting": a frame has passed since the last yield.
constexpr std::int64_t kFrameNanoseconds = 15'000'000;

// The coarse clock is read from the vDSO without a system call, so the input test costs next
// to nothing even when it runs after every 8192-byte block of a wipe.
std::int64_t NowNanoseconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

std::int64_t g_lastYield = 0;

Answerer& CurrentAnswerer() {
    static Answerer answerer;
    return answerer;
}

struct ButtonDef {
    QMessageBox::StandardButton qt;
    int code;
    const char* word;
};

// The buttons of each button set, in the order the system shows them.
std::vector<ButtonDef> ButtonsOf(unsigned set) {
    switch (set) {
    case vbOKCancel:
        return {{QMessageBox::Ok, vbOK, "ok"}, {QMessageBox::Cancel, vbCancel, "cancel"}};
    case vbAbortRetryIgnore:
        return {{QMessageBox::Abort, vbAbort, "abort"},
                {QMessageBox::Retry, vbRetry, "retry"},
                {QMessageBox::Ignore, vbIgnore, "ignore"}};
    case vbYesNoCancel:
        return {{QMessageBox::Yes, vbYes, "yes"},
                {QMessageBox::No, vbNo, "no"},
                {QMessageBox::Cancel, vbCancel, "cancel"}};
    case vbYesNo:
        return {{QMessageBox::Yes, vbYes, "yes"}, {QMessageBox::No, vbNo, "no"}};
    case vbRetryCancel:
        return {{QMessageBox::Retry, vbRetry, "retry"}, {QMessageBox::Cancel, vbCancel, "cancel"}};
    default:
        return {{QMessageBox::Ok, vbOK, "ok"}};
    }
}

// The answer a box gets when nobody can answer: Cancel where there is one, No for Yes/No, the
// only button otherwise. A destructive question is therefore never answered Yes by accident.
int SafeAnswer(unsigned set) {
    const auto buttons = ButtonsOf(set);
    for (const auto& b : buttons)
        if (b.code == vbCancel)
            return vbCancel;
    for (const auto& b : buttons)
        if (b.code == vbNo)
            return vbNo;
    return buttons.front().code;
}

int AskWithDialog(const MessageBoxRequest& request) {
    const auto buttons = ButtonsOf(request.Buttons());
    std::vector<widgetglue::Button> shown;
    for (const auto& b : buttons)
        shown.push_back({static_cast<int>(b.qt), b.code});
    const size_t defaultIndex = (request.style & vbDefaultButton3)   ? 2
                                : (request.style & vbDefaultButton2) ? 1
                                                                     : 0;
    const int answer = widgetglue::AskWithDialog(request, shown, defaultIndex);
    return answer >= 0 ? answer : SafeAnswer(request.Buttons());
}

int AskOnTerminal(const MessageBoxRequest& request) {
    const auto buttons = ButtonsOf(request.Buttons());
    std::cerr << request.title << ": " << request.text << "\n";
    if (buttons.size() == 1)
        return buttons.front().code;
    if (!::isatty(STDIN_FILENO))
        return SafeAnswer(request.Buttons());
    for (;;) {
        std::cerr << "[";
        for (size_t i = 0; i < buttons.size(); ++i)
            std::cerr << (i ? "/" : "") << buttons[i].word;
        std::cerr << "] ";
        std::string line;
        if (!std::getline(std::cin, line))
            return SafeAnswer(request.Buttons());
        for (auto& c : line)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r'))
            line.pop_back();
        if (line.empty())
            continue;
        for (const auto& b : buttons) {
            const std::string word = b.word;
            if (word == line || word.substr(0, 1) == line)
                return b.code;
        }
    }
}

// A widget application whose program linked the dialogs in.
bool HaveWidgetApplication() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && app->inherits("QApplication") && &widgetglue::AskWithDialog != nullptr;
}

} // namespace

void DoEvents() {
    g_lastYield = NowNanoseconds();
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool GetInputState() {
    if (QCoreApplication::instance() == nullptr)
        return false;
    return NowNanoseconds() - g_lastYield >= kFrameNanoseconds;
}

double TimeScale() {
    static const double scale = [] {
        const char* text = std::getenv("CORVANE_TIME_SCALE");
        if (text == nullptr || *text == '\0')
            return 1.0;
        char* end = nullptr;
        const double value = std::strtod(text, &end);
        if (end == text || !std::isfinite(value) || value <= 0)
            return 1.0;
        return value;
    }();
    return scale;
}

int ScaledMilliseconds(int ms) {
    if (ms <= 0)
        return 0;
    const double scaled = std::round(ms / TimeScale());
    if (scaled >= 2147483647.0)
        return 2147483647;
    return scaled < 1 ? 1 : static_cast<int>(scaled);
}

void Sleep(std::uint32_t milliseconds) {
    const double micros = milliseconds * 1000.0 / TimeScale();
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<std::int64_t>(micros)));
}

struct Timer::Impl {
    QTimer timer;
};

Timer::Timer() : impl_(std::make_unique<Impl>()) {
    QObject::connect(&impl_->timer, &QTimer::timeout, [this] { Fire(); });
}

Timer::~Timer() = default;

void Timer::SetEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    Apply();
}

void Timer::SetInterval(int milliseconds) {
    if (milliseconds < 0)
        milliseconds = 0;
    if (milliseconds == interval_)
        return;
    interval_ = milliseconds;
    impl_->timer.stop();
    Apply();
}

void Timer::Apply() {
    if (!enabled_ || interval_ == 0) {
        impl_->timer.stop();
        return;
    }
    if (!impl_->timer.isActive())
        impl_->timer.start(ScaledMilliseconds(interval_));
}

void Timer::Fire() {
    if (inTick_ || !enabled_)
        return;
    inTick_ = true;
    if (OnTick)
        OnTick();
    inTick_ = false;
}

int MsgBox(const std::string& text, unsigned style, const std::string& title, const void* owner) {
    const MessageBoxRequest request{text, title, style, owner};
    if (const Answerer& answerer = CurrentAnswerer())
        return answerer(request);
    return AskPerson(request);
}

int AskPerson(const MessageBoxRequest& request) {
    if (HaveWidgetApplication())
        return AskWithDialog(request);
    return AskOnTerminal(request);
}

void SetAnswerer(Answerer answerer) {
    CurrentAnswerer() = std::move(answerer);
}

Answerer AnswerYesToAll() {
    return [](const MessageBoxRequest& request) {
        const auto buttons = ButtonsOf(request.Buttons());
        for (const auto& b : buttons)
            if (b.code == vbYes)
                return static_cast<int>(vbYes);
        return buttons.front().code;
    };
}

ScopedAnswerer::ScopedAnswerer(Answerer answerer) : previous_(CurrentAnswerer()) {
    CurrentAnswerer() = std::move(answerer);
}

ScopedAnswerer::~ScopedAnswerer() {
    CurrentAnswerer() = std::move(previous_);
}

Hourglass::Hourglass() {
    shown_ = &widgetglue::ShowWaitCursor != nullptr && widgetglue::ShowWaitCursor();
}

Hourglass::~Hourglass() {
    if (shown_ && &widgetglue::RestoreCursor != nullptr)
        widgetglue::RestoreCursor();
}

} // namespace corvane::platform

// The processor time one scan tick costs, through the real program's scanner window (offscreen):
// the program starts as it always does (eraser window, splash, scanner window, notification
// icon, browser watcher), the scan is started by a click on "Start Secure Scanning", and the
// whole process's processor time from the click to the report is divided by the ten ticks and
// compared with the peer, the tick's own 200 ms beat. The tick handler's own share is printed
// too, and so is what the idle program costs over the same time.
//
// Usage: bench_scan_tick [PREFIX] (a world made with `corvanectl seed demo ...`; default: the
// current world). SCANS sets the number of scans (default 5).

#include "controls/chameleonButton.h"
#include "platform/widgets/drawing.h"
#include "platform/messageloop.h"
#include "platform/world.h"
#include "scanner/Form1.h"
#include "shell/Forms.h"
#include "shell/Program.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using namespace corvane;

constexpr double kBeatMs = 200.0;
constexpr int kTicks = 10;

double ProcessCpuMs() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return (double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
            double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-3);
}

double ThreadCpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

// Runs the event loop until `done` or `ms` milliseconds have passed; false on time-out. The loop
// sleeps between events (a spinning loop would be measured as the program's own cost); a slow
// check timer wakes it to look at `done`.
bool RunUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    QTimer check;
    check.start(20);
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// A left click in the middle of a control, as the pointer delivers it.
void Click(QWidget* widget) {
    const QPointF centre = QRectF(widget->rect()).center();
    QMouseEvent press(QEvent::MouseButtonPress, centre, widget->mapToGlobal(centre), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, widget->mapToGlobal(centre),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QCoreApplication::sendEvent(widget, &release);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (argc > 1)
        ::setenv("CORVANE_PREFIX", argv[1], 1);
    const int scans = std::max(1, std::atoi(std::getenv("SCANS") ? std::getenv("SCANS") : "5"));
    QApplication app(argc, argv);
    platform::EnsureFonts();
    std::string error;
    if (!world::Ensure(error)) {
        std::fprintf(stderr, "bench_scan_tick: %s\n", error.c_str());
        return 1;
    }
    int reports = 0;
    std::string report;
    platform::ScopedAnswerer answerer([&](const platform::MessageBoxRequest& box) {
        if (box.title == "Scanning Done") {
            ++reports;
            report = box.text;
        }
        return static_cast<int>(platform::vbOK);
    });
    const char* noArgs[] = {"corvane"};
    Program::Start(Program::DefaultHooks(1, noArgs));
    if (!RunUntil([] { return Forms::ScannerWindowIfLoaded() != nullptr; }, 30000)) {
        std::fprintf(stderr, "bench_scan_tick: the scanner window never loaded\n");
        return 1;
    }
    Form1& form = *Forms::ScannerWindowIfLoaded();
    form.show();
    RunUntil([] { return false; }, 1500); // start-up settles

    // The idle program over one scan's length: what its other timers cost meanwhile.
    const double idleStart = ProcessCpuMs();
    RunUntil([] { return false; }, static_cast<int>(kBeatMs * kTicks));
    const double idlePerBeat = (ProcessCpuMs() - idleStart) / kTicks;

    double handlerMs = 0;
    const auto tick = form.Timer2.OnTick;
    form.Timer2.OnTick = [&] {
        const double start = ThreadCpuMs();
        tick();
        handlerMs += ThreadCpuMs() - start;
    };
    std::vector<double> perTick, handlerPerTick;
    for (int i = 0; i < scans; ++i) {
        const int before = reports;
        handlerMs = 0;
        const double start = ProcessCpuMs();
        Click(form.chameleonButton4);
        if (!RunUntil([&] { return reports > before; }, 60000)) {
            std::fprintf(stderr, "bench_scan_tick: the scan never finished\n");
            return 1;
        }
        perTick.push_back((ProcessCpuMs() - start) / kTicks);
        handlerPerTick.push_back(handlerMs / kTicks);
        RunUntil([] { return false; }, 300);
    }
    for (std::size_t at = report.find("\r\n"); at != std::string::npos; at = report.find("\r\n"))
        report.replace(at, 2, " | ");
    std::printf("report: %s\n", report.c_str());
    const double tickMs = Median(perTick);
    std::printf("scan tick, whole program CPU: %.2f ms per tick (median of %d scans)\n", tickMs,
                scans);
    std::printf("scan tick, tick handler CPU:  %.2f ms per tick\n", Median(handlerPerTick));
    std::printf("idle program CPU:             %.2f ms per %.0f ms\n", idlePerBeat, kBeatMs);
    std::printf("peer, the tick's beat:        %.0f ms\n", kBeatMs);
    std::printf("ratio (CPU per tick / beat):  %.3f\n", tickMs / kBeatMs);
    Program::UnloadAll();
    Forms::UnloadAll();
    return 0;
}

// corvanectl wipe-free: fills the free space of a file system with zeros, removes the fill and
// trims, as the eraser window's Wipe Free Space button does.

#include "cli/command.h"
#include "eraser/FreeSpace.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <thread>
#include <unistd.h>

namespace corvane::cli {
namespace {

// The wipe the signal handlers stop, and the signal that stopped it.
std::atomic<bool>* g_cancel = nullptr;
volatile std::sig_atomic_t g_signal = 0;

extern "C" void StopWipe(int signal) {
    g_signal = signal;
    if (g_cancel != nullptr)
        g_cancel->store(true);
}

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Catches the signals that end a program from a terminal or a service manager for its lifetime,
// so that the wipe stops and removes its fill files first; the old handlers come back after.
class StopOnSignals {
public:
    explicit StopOnSignals(std::atomic<bool>& cancel) {
        g_cancel = &cancel;
        struct sigaction action {};
        action.sa_handler = StopWipe;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
            ::sigaction(kStopSignals[i], &action, &previous_[i]);
    }
    ~StopOnSignals() {
        for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
            ::sigaction(kStopSignals[i], &previous_[i], nullptr);
        g_cancel = nullptr;
    }
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;

private:
    struct sigaction previous_[std::size(kStopSignals)]{};
};

// "64M", "1G", "0", "4096": bytes, with an optional binary unit.
bool ParseSize(const std::string& text, std::uint64_t& bytes) {
    std::size_t used = 0;
    unsigned long long number = 0;
    try {
        number = std::stoull(text, &used);
    } catch (...) {
        return false;
    }
    const std::string unit = text.substr(used);
    int shift = 0;
    if (unit == "K" || unit == "KiB")
        shift = 10;
    else if (unit == "M" || unit == "MiB")
        shift = 20;
    else if (unit == "G" || unit == "GiB")
        shift = 30;
    else if (!unit.empty() || text.empty() || text[0] == '-')
        return false;
    if (number > (~0ULL >> shift))
        return false;
    bytes = number << shift;
    return true;
}

void Nap(long milliseconds) {
    timespec pause{0, milliseconds * 1000000L};
    ::nanosleep(&pause, nullptr); // a signal ends the nap early, which is what it should do
}

int WipeFree(const std::vector<std::string>& given) {
    eraser::FreeSpaceOptions options;
    std::vector<std::string> args = given;
    while (!args.empty() && (args[0] == "--keep" || args[0] == "--no-trim")) {
        if (args[0] == "--no-trim") {
            options.trim = false;
            args.erase(args.begin());
            continue;
        }
        if (args.size() < 2 || !ParseSize(args[1], options.margin))
            return UsageError("--keep needs a size (64M, 1G, 0)");
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() == 2 && args.front() == "--")
        args.erase(args.begin());
    if (args.size() != 1)
        return UsageError("wipe-free needs exactly one PATH");
    const std::string& path = args[0];
    if (const std::string refusal = eraser::FreeSpaceRefusal(path); !refusal.empty())
        return Failure(refusal);

    eraser::FreeSpaceProgress progress;
    eraser::FreeSpaceReport report;
    {
        StopOnSignals stop(progress.cancel);
        // The wipe runs beside this thread, which shows its progress and takes the signals.
        std::atomic<bool> done{false};
        std::thread worker([&] {
            report = eraser::WipeFreeSpace(path, progress, options);
            done.store(true);
        });
        const bool terminal = ::isatty(STDERR_FILENO) == 1;
        int shown = -1;
        while (!done.load()) {
            if (const int percent = progress.Percent(); terminal && percent != shown) {
                std::fprintf(stderr, "\rwiping the free space of %s: %3d%%", path.c_str(), percent);
                std::fflush(stderr);
                shown = percent;
            }
            Nap(100);
        }
        worker.join();
        if (terminal && shown >= 0)
            std::fprintf(stderr, "\r\033[K");
    }
    const std::vector<std::string> lines = report.Lines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == 0 && !report.Done())
            std::cerr << "corvanectl: " << lines[i] << "\n";
        else
            std::cout << lines[i] << "\n";
    }
    if (report.outcome == eraser::FreeSpaceReport::Outcome::Cancelled && g_signal != 0) {
        // Ended by a signal, as the signal would have ended it, now that the fill is gone.
        std::cout.flush();
        const int signal = g_signal;
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    return report.Done() ? 0 : 1;
}

const Registrar registrar("wipe-free",
                          "  wipe-free [--keep SIZE] [--no-trim] [--] PATH\n"
                          "                              fill the free space of PATH's file "
                          "system with zeros, remove them, trim\n",
                          WipeFree);

} // namespace
} // namespace corvane::cli

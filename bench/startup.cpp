// Start-up against a peer in the same run: the time from exec to the first window the X server
// maps, and the resident memory at that moment, for corvane and for a bare Qt widget program
// (bench_bare_window). Runs on the display in DISPLAY, which must show nothing else (a private
// Xvfb: see bench/startup.sh). Each program runs RUNS times (default 9), alternating; medians.
//
// Usage: bench_startup [CORVANE [PEER]] (default: corvane and bench_bare_window beside this one)

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <signal.h>
#include <string>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Sample {
    double ms = -1;
    long rssKiB = -1;
};

long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

// Starts the program and waits (at most 30 s) for the server to map a top-level window.
Sample Measure(Display* display, const std::string& program) {
    Sample sample;
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True); // drop what came before
    const Clock::time_point start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (pid < 0)
        return sample;
    const int fd = ConnectionNumber(display);
    while (Clock::now() - start < std::chrono::seconds(30)) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && event.xmap.event == root && sample.ms < 0) {
                sample.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                sample.rssKiB = ResidentKiB(pid);
            }
        }
        if (sample.ms >= 0)
            break;
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        timeval wait{0, 2000};
        ::select(fd + 1, &set, nullptr, nullptr, &wait);
    }
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    XSelectInput(display, root, NoEventMask);
    XSync(display, True);
    return sample;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const std::string self = argv[0];
    const std::string dir = self.substr(0, self.rfind('/') + 1);
    const std::string corvane = argc > 1 ? argv[1] : dir + "corvane";
    const std::string peer = argc > 2 ? argv[2] : dir + "bench_bare_window";
    const int runs = std::max(1, std::atoi(std::getenv("RUNS") ? std::getenv("RUNS") : "9"));
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "bench_startup: no X display\n");
        return 1;
    }
    std::vector<double> ourMs, ourKiB, peerMs, peerKiB;
    for (int i = 0; i < runs; ++i) {
        const Sample a = Measure(display, corvane);
        const Sample b = Measure(display, peer);
        if (a.ms < 0 || b.ms < 0) {
            std::fprintf(stderr, "bench_startup: a program showed no window\n");
            return 1;
        }
        ourMs.push_back(a.ms);
        ourKiB.push_back(double(a.rssKiB));
        peerMs.push_back(b.ms);
        peerKiB.push_back(double(b.rssKiB));
    }
    XCloseDisplay(display);
    const double om = Median(ourMs), pm = Median(peerMs);
    const double ok = Median(ourKiB), pk = Median(peerKiB);
    std::printf(
        "exec to first window: corvane %.1f ms, bare Qt widget program %.1f ms, ratio %.2f\n", om,
        pm, om / pm);
    std::printf("resident then:        corvane %.1f MiB, bare Qt widget program %.1f MiB, "
                "ratio %.2f\n",
                ok / 1024, pk / 1024, ok / pk);
    return 0;
}

// corvanectl watch: the eraser window's browser watcher in the foreground, until interrupted.

#include "browsers/ProfileWatcher.h"
#include "cli/command.h"
#include "eraser/BrowserWatcher.h"
#include "eraser/FolderErasers.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <ctime>
#include <iostream>
#include <unistd.h>

namespace corvane::cli {
namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

std::string Now() {
    const std::time_t t = std::time(nullptr);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", std::localtime(&t));
    return text;
}

int Watch(const std::vector<std::string>& args) {
    if (!args.empty())
        return UsageError("watch takes no arguments");
    static int argc = 1;
    static char name[] = "corvanectl";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    // An interrupt ends the watch between two ticks, never in the middle of an erase.
    if (::pipe(g_signalPipe) != 0)
        return Failure("cannot watch for interrupts");
    QSocketNotifier interrupts(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&interrupts, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    eraser::WindowlessErasers erasers;
    eraser::BrowserWatcher watcher({
        {},
        [] { std::cout << Now() << " the browser has closed; erasing its history" << std::endl; },
        [&erasers] { erasers.Erasers().EraseHistory(); },
        [] { std::cout << Now() << " the browser's history is erased" << std::endl; },
    });
    watcher.Start();
    // Beside the world's browser, the user's enabled real profiles: each is cleaned when its
    // browser closes.
    browsers::ProfileWatcher::Hooks hooks;
    hooks.BusyBegin = [](const browsers::Profile& profile) {
        std::cout << Now() << " " << profile.name << " has closed; cleaning it" << std::endl;
    };
    hooks.BusyEnd = [](const browsers::ProfileReport& report) {
        std::cout << Now() << " " << report.Line() << std::endl;
    };
    browsers::ProfileWatcher profiles(hooks);
    profiles.Start();
    std::cout << "watching for " << eraser::BrowserWatcher::kBrowser << " every "
              << eraser::BrowserWatcher::kInterval << " ms, and " << profiles.Followed()
              << " enabled browser profiles every " << browsers::ProfileWatcher::kInterval
              << " ms and as their browsers let go; interrupt to stop" << std::endl;
    app.exec();
    ::close(g_signalPipe[0]);
    ::close(g_signalPipe[1]);
    return 0;
}

const Registrar registrar("watch",
                          "  watch                       erase the browser's history each time "
                          "it closes (until interrupted)\n",
                          Watch);

} // namespace
} // namespace corvane::cli

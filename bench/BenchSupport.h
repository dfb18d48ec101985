#pragma once
// What the per-entry benchmarks share: a world of their own, the CPU time of the measuring
// thread, and a main that runs the selected benchmarks and then prints their ratios against the
// peers.

#include "platform/world.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

namespace corvane::bench {

/// Makes the world in `root`/world the one every call uses, setting it up; ends the program when
/// it cannot be set up.
inline void UseWorldIn(const std::filesystem::path& root) {
    ::setenv("CORVANE_PREFIX", (root / "world").c_str(), 1);
    std::string error;
    if (!world::Ensure(error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
}

/// The CPU time of this thread in seconds: the machine that runs the benchmarks is often shared,
/// and wall time then measures the neighbours as much as the work.
inline double ThreadSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

/// Runs the benchmarks the command line selects, then `summarise` (which prints the ratios).
template <class Summary> int RunThenSummarise(int argc, char** argv, Summary summarise) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    summarise();
    return 0;
}

} // namespace corvane::bench

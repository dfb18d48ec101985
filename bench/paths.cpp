// The cost of mapping Windows paths to files of a big folder: names given in another case than
// the file's own are found through the folder's listing, names in their own case by one look-up
// each. Per-name costs are thread CPU time. The peer is the second: a name in another case should
// cost about as much as one in its own, however many files the folder holds.

#include "platform/world.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace corvane;

constexpr int kFiles = 10000;
constexpr int kNames = 1000;

std::map<std::string, double> g_perName;

std::string FileName(int i) {
    return "cookie" + std::to_string(i) + "@www.site" + std::to_string(i % 97) + ".example.txt";
}

// A world of its own with one folder of kFiles files, removed at the end.
struct BenchWorld {
    BenchWorld() {
        char tmpl[] = "/tmp/corvane-bench-paths-XXXXXX";
        root = ::mkdtemp(tmpl);
        bench::UseWorldIn(root);
        const fs::path folder = world::DriveC() / "Many";
        fs::create_directories(folder);
        for (int i = 0; i < kFiles; ++i)
            std::ofstream(folder / FileName(i)) << "x";
        // A folder changed a moment ago is read afresh on every look-up (its change time could
        // still miss a change); a user's folders are older than that, so the benchmark waits.
        std::this_thread::sleep_for(std::chrono::milliseconds(2600));
    }
    ~BenchWorld() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    fs::path root;
};

BenchWorld& World() {
    static BenchWorld w;
    return w;
}

// kNames paths spread over the folder, in the files' own case or all in upper case.
std::vector<std::string> Paths(bool otherCase) {
    std::vector<std::string> paths;
    for (int i = 0; i < kNames; ++i) {
        std::string name = FileName(i * (kFiles / kNames));
        if (otherCase)
            for (char& c : name)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        paths.push_back("C:\\Many\\" + name);
    }
    return paths;
}

void Map(benchmark::State& state, const char* name, bool otherCase) {
    World();
    const std::vector<std::string> paths = Paths(otherCase);
    std::int64_t mapped = 0;
    double seconds = 0;
    for (auto _ : state) {
        const double start = bench::ThreadSeconds();
        for (const std::string& path : paths) {
            const std::string posix = world::ToPosix(path);
            if (posix.empty() || posix.find("cookie") == std::string::npos)
                state.SkipWithError("a name did not map to its file");
            benchmark::DoNotOptimize(posix.data());
        }
        seconds += bench::ThreadSeconds() - start;
        mapped += kNames;
    }
    state.SetItemsProcessed(mapped);
    g_perName[name] = mapped ? seconds * 1e9 / double(mapped) : 0.0;
    state.counters["ns_per_name"] = g_perName[name];
}

void ToPosixOwnCase(benchmark::State& state) {
    Map(state, "own case", false);
}

void ToPosixOtherCase(benchmark::State& state) {
    Map(state, "other case", true);
}

BENCHMARK(ToPosixOwnCase)->Unit(benchmark::kMillisecond);
BENCHMARK(ToPosixOtherCase)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return corvane::bench::RunThenSummarise(argc, argv, [] {
        if (g_perName.count("own case") && g_perName.count("other case"))
            std::printf(
                "\nToPosix in a folder of %d files: %.0f ns per name in another case, %.0f ns "
                "in its own case: %.2f x\n",
                kFiles, g_perName["other case"], g_perName["own case"],
                g_perName["other case"] / g_perName["own case"]);
    });
}

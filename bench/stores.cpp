// The cost per entry of the two browser-store walks the windows run: the URL cache walk through
// modCache (the scanner repeats it every 200 ms during a scan) and a CURLHistory Refresh. Each is
// compared with a plain SQLite scan of the same rows, the floor any store walk pays, under the
// same conditions: a first Refresh (which opens the store) against a scan that opens its own
// connection, a repeated Refresh against a scan on a connection kept open.

#include "platform/sqlitedb.h"
#include "platform/urlcache.h"
#include "platform/urlhistory.h"
#include "platform/world.h"
#include "traces/CURLHistory.h"
#include "traces/modCache.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kEntries = 100000;
namespace fs = std::filesystem;
using namespace corvane;

// Nanoseconds per entry of the last run of each benchmark, for the summary.
std::map<std::string, double> g_perEntry;

std::string Url(int i) {
    return "http://www.site" + std::to_string(i % 997) + ".example/articles/" + std::to_string(i) +
           "/index.html?ref=front";
}

// A world of its own in a temporary folder, filled once with both stores. Filling takes a while;
// with CORVANE_BENCH_WORLD set, the world is kept in that folder and reused by later runs.
struct BenchWorld {
    BenchWorld() {
        const char* kept = std::getenv("CORVANE_BENCH_WORLD");
        if (kept && *kept) {
            root = kept;
            keep = true;
        } else {
            char tmpl[] = "/tmp/corvane-bench-XXXXXX";
            root = ::mkdtemp(tmpl);
        }
        bench::UseWorldIn(root);
        const fs::path marker = root / "filled";
        if (fs::exists(marker))
            return;
        // Each store is filled in one transaction.
        std::vector<platform::UrlCacheAddition> cache;
        std::vector<platform::IUrlHistoryStg2::Visit> visits;
        for (int i = 0; i < kEntries; ++i) {
            const platform::DWORD type =
                i % 10 == 0 ? platform::COOKIE_CACHE_ENTRY : platform::NORMAL_CACHE_ENTRY;
            cache.push_back({Url(i), "", type});
            visits.push_back({Url(i), i % 3 == 0 ? "" : "Article " + std::to_string(i)});
        }
        std::unique_ptr<platform::IUrlHistoryStg2> store;
        if (!platform::CommitUrlCacheEntries(cache) ||
            platform::FAILED(platform::IUrlHistoryStg2::Create(store)) ||
            platform::FAILED(store->AddUrls(visits))) {
            std::fprintf(stderr, "cannot fill the stores\n");
            std::exit(1);
        }
        std::FILE* f = std::fopen(marker.c_str(), "w");
        if (f)
            std::fclose(f);
    }
    ~BenchWorld() {
        std::error_code ec;
        if (!keep)
            fs::remove_all(root, ec);
    }
    fs::path root;
    bool keep = false;
};

BenchWorld& World() {
    static BenchWorld w;
    return w;
}

// Runs `walk` (which returns the entries it saw) in the benchmark loop and records the cost.
// `takeDown`, run after each walk outside the measured time, ends what the walk left standing
// (a connection, a collection), for a walk and its peer alike.
template <typename Walk, typename TakeDown>
void Measure(benchmark::State& state, const char* name, Walk walk, TakeDown takeDown) {
    World();
    std::int64_t entries = 0;
    double seconds = 0;
    for (auto _ : state) {
        const double start = bench::ThreadSeconds();
        const std::int64_t n = walk();
        seconds += bench::ThreadSeconds() - start;
        takeDown();
        entries += n;
        if (n != kEntries)
            state.SkipWithError("the walk did not see every entry");
    }
    state.SetItemsProcessed(entries);
    state.counters["ns_per_entry"] = entries ? seconds * 1e9 / double(entries) : 0.0;
    g_perEntry[name] = entries ? seconds * 1e9 / double(entries) : 0.0;
}

template <typename Walk> void Measure(benchmark::State& state, const char* name, Walk walk) {
    Measure(state, name, walk, [] {});
}

void CacheWalk_modCache(benchmark::State& state) {
    Measure(state, "cache walk", [] {
        std::int64_t n = 0;
        std::size_t bytes = 0;
        if (modCache::FindFirstCacheEntry()) {
            do {
                bytes += modCache::GetCacheEntryUrl().size() + modCache::GetCacheEntryType();
                ++n;
            } while (modCache::FindNextCacheEntry());
        }
        modCache::CloseCacheEnum();
        benchmark::DoNotOptimize(bytes);
        return n;
    });
}

void CacheWalk_ListCacheUrls(benchmark::State& state) {
    Measure(state, "cache list", [] {
        const auto urls = modCache::ListCacheUrls();
        benchmark::DoNotOptimize(urls.data());
        // Every tenth entry is a cookie entry that the listing rule leaves out.
        return static_cast<std::int64_t>(urls.size() + kEntries / 10 - 1);
    });
}

void HistoryRefresh(benchmark::State& state) {
    World();
    CURLHistory history;
    Measure(state, "history refresh", [&history] {
        history.Refresh("", 0);
        return static_cast<std::int64_t>(history.Count());
    });
}

// The first Refresh of a window: a new collection opens the store and fills every item afresh,
// the cost a user pays when the eraser window loads. Compared with the raw scan, which also
// starts from a connection of its own each time; neither pays for its ending.
void HistoryFirstRefresh(benchmark::State& state) {
    std::optional<CURLHistory> history;
    Measure(
        state, "history first",
        [&history] {
            history.emplace();
            benchmark::DoNotOptimize(history->NewEnum().data());
            return static_cast<std::int64_t>(history->Count());
        },
        [&history] { history.reset(); });
}

// Steps a prepared SELECT of two text columns to its end, reading both; returns the rows.
std::int64_t ScanRows(sqlite::Statement& q) {
    std::int64_t n = 0;
    std::size_t bytes = 0;
    while (q.Step()) {
        bytes += q.BlobView(0).size() + q.BlobView(1).size();
        ++n;
    }
    benchmark::DoNotOptimize(bytes);
    return n;
}

// The floor: one SELECT over the same rows, reading the same columns, without the store calls.
// With `kept`, the connection is handed there instead of being closed at the end.
std::int64_t RawScan(const fs::path& file, const char* sql,
                     std::optional<sqlite::Database>* kept = nullptr) {
    sqlite::Database db;
    std::string error;
    db.Open(file, "", error);
    std::int64_t n = 0;
    {
        sqlite::Statement q = db.Prepare(sql);
        n = ScanRows(q);
    }
    if (kept != nullptr)
        kept->emplace(std::move(db));
    return n;
}

// The floor of a repeated walk: the same SELECT on a connection that stays open, as the history
// store's own does between two Refresh calls.
void HistoryRawScanWarm(benchmark::State& state) {
    World();
    sqlite::Database db;
    std::string error;
    db.Open(world::UrlHistoryFile(), "", error);
    sqlite::Statement q = db.Prepare("SELECT url, title FROM urls ORDER BY id");
    Measure(state, "history raw warm", [&q] {
        q.Reset();
        return ScanRows(q);
    });
}

void CacheRawScan(benchmark::State& state) {
    Measure(state, "cache raw scan", [] {
        return RawScan(world::UrlCacheFile(), "SELECT url, local_file FROM entries ORDER BY id");
    });
}

void HistoryRawScan(benchmark::State& state) {
    std::optional<sqlite::Database> kept;
    Measure(
        state, "history raw scan",
        [&kept] {
            return RawScan(world::UrlHistoryFile(), "SELECT url, title FROM urls ORDER BY id",
                           &kept);
        },
        [&kept] { kept.reset(); });
}

BENCHMARK(CacheRawScan)->Unit(benchmark::kMillisecond);
BENCHMARK(CacheWalk_modCache)->Unit(benchmark::kMillisecond);
BENCHMARK(CacheWalk_ListCacheUrls)->Unit(benchmark::kMillisecond);
BENCHMARK(HistoryRawScan)->Unit(benchmark::kMillisecond);
BENCHMARK(HistoryRawScanWarm)->Unit(benchmark::kMillisecond);
BENCHMARK(HistoryRefresh)->Unit(benchmark::kMillisecond);
BENCHMARK(HistoryFirstRefresh)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return corvane::bench::RunThenSummarise(argc, argv, [] {
        auto ratio = [](const char* a, const char* b) {
            if (g_perEntry.count(a) && g_perEntry.count(b) && g_perEntry[b] > 0)
                std::printf("%-16s %8.1f ns/entry  (%.1f x %s at %.1f ns/entry)\n", a,
                            g_perEntry[a], g_perEntry[a] / g_perEntry[b], b, g_perEntry[b]);
        };
        std::printf("\n%d entries per walk; per-entry costs are thread CPU time\n", kEntries);
        ratio("cache walk", "cache raw scan");
        ratio("cache list", "cache raw scan");
        ratio("history refresh", "history raw warm");
        ratio("history first", "history raw scan");
        if (g_perEntry.count("cache walk"))
            std::printf("a 50,000-entry cache walk: %.2f ms\n",
                        g_perEntry["cache walk"] * 50000 / 1e6);
    });
}

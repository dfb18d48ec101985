// Benchmark driver: the eleven-pass file wipe against two peers measured in the same run on
// the same files, a multi-pass shredding tool (`shred -n 11 -u`) and eleven flushed `dd` passes
// per file followed by a delete. Workloads: one 256 MiB file, and 200 files of 64 KiB; then a
// tree of 10,000 small files, wiped with the folder-tree wipe against `shred -n 11 -u` over the
// same files (the dd peer would start 110,000 processes there, so it sits that one out).
// Usage: bench_wipe [FOLDER [--no-tree]] (default /tmp/corvane-bench-wipe). Prints seconds and
// ratios; --no-tree leaves out the tree case, whose shred peer alone takes many minutes. For the
// 200 files it also times the verdict's own work (the block maps before and after, the flags,
// the mount and device facts) on the same files, as a share of the wipe's time.

#include "eraser/Shredding.h"
#include "platform/overwrite.h"
#include "platform/world.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Workload {
    const char* name;
    int files;
    std::size_t size;
};

std::vector<fs::path> MakeFiles(const fs::path& dir, const Workload& w) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::string chunk(1 << 20, '\0');
    for (std::size_t i = 0; i < chunk.size(); ++i)
        chunk[i] = static_cast<char>('a' + i * 7919 % 26);
    std::vector<fs::path> files;
    for (int f = 0; f < w.files; ++f) {
        const fs::path p = dir / ("file" + std::to_string(f) + ".dat");
        std::ofstream out(p, std::ios::binary);
        for (std::size_t left = w.size; left > 0;) {
            const std::size_t n = std::min(left, chunk.size());
            out.write(chunk.data(), static_cast<std::streamsize>(n));
            left -= n;
        }
        files.push_back(p);
    }
    ::sync(); // start every contender from clean, written-back files
    return files;
}

bool Run(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0)
        return false;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Time(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void WipeAll(const std::vector<fs::path>& files) {
    for (const auto& f : files)
        corvane::eraser::WipeFile(corvane::world::ToWindows(f.string()));
}

void ShredAll(const std::vector<fs::path>& files) {
    std::vector<std::string> argv = {"shred", "-n", "11", "-u"};
    for (const auto& f : files)
        argv.push_back(f.string());
    if (!Run(argv))
        std::fprintf(stderr, "shred failed\n");
}

// Eleven passes of dd over the same bytes the wipe writes, each flushed, then the delete.
void DdAll(const std::vector<fs::path>& files, std::size_t size) {
    const auto blocks = corvane::eraser::WipeBlockCount(static_cast<std::int64_t>(size)) + 1;
    for (const auto& f : files) {
        for (int pass = 0; pass < corvane::eraser::kWipePasses; ++pass)
            if (!Run({"dd", "if=/dev/zero", "of=" + f.string(), "bs=8192",
                      "count=" + std::to_string(blocks), "conv=notrunc,fdatasync", "status=none"}))
                std::fprintf(stderr, "dd failed\n");
        fs::remove(f);
    }
}

// What a wipe asks of the verdict for each file, without the passes between: the map before,
// the verdict after, and whether the mount is still there.
void JudgeAll(const std::vector<fs::path>& files) {
    for (const auto& f : files) {
        const corvane::platform::FileHandle file(::open(f.c_str(), O_RDWR | O_CLOEXEC));
        const auto before = corvane::platform::MapBlocks(file);
        if (!corvane::platform::StillMounted(file) ||
            corvane::platform::VerdictAfterOverwrite(file, before).fileSystem.empty())
            std::fprintf(stderr, "no verdict for %s\n", f.c_str());
    }
}

// A tree of `folders` folders with `perFolder` files of `size` bytes each.
std::vector<fs::path> MakeTree(const fs::path& dir, int folders, int perFolder, std::size_t size) {
    fs::remove_all(dir);
    const std::string data(size, 'x');
    std::vector<fs::path> files;
    for (int d = 0; d < folders; ++d) {
        const fs::path sub = dir / ("folder" + std::to_string(d));
        fs::create_directories(sub);
        for (int f = 0; f < perFolder; ++f) {
            files.push_back(sub / ("file" + std::to_string(f) + ".txt"));
            std::ofstream(files.back(), std::ios::binary) << data;
        }
    }
    ::sync();
    return files;
}

void TreeCase(const fs::path& root) {
    const fs::path dir = root / "tree";
    MakeTree(dir, 100, 100, 1000);
    const double wipe = Time([&] {
        const auto report = corvane::eraser::WipeFolderTree(corvane::world::ToWindows(dir.string()),
                                                            corvane::eraser::FolderRemoval::None);
        if (!report.Complete() || report.Overwritten != 10000)
            std::fprintf(stderr, "tree wipe incomplete: %zu overwritten\n", report.Overwritten);
    });
    const auto files = MakeTree(dir, 100, 100, 1000);
    const double shred = Time([&] { ShredAll(files); });
    std::printf("%-22s %9.2fs %9.2fs %10s %14.2f %14s\n", "tree of 10,000 files", wipe, shred, "-",
                wipe / shred, "-");
}

} // namespace

int main(int argc, char** argv) {
    // A real application object, so the wipe's input checks and yields do their real work.
    QCoreApplication app(argc, argv);
    // Each line is shown as soon as its workload ends: a run takes many minutes.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const fs::path root = argc > 1 ? fs::path(argv[1]) : fs::path("/tmp/corvane-bench-wipe");
    const Workload workloads[] = {{"one 256 MiB file", 1, 256u << 20},
                                  {"200 files of 64 KiB", 200, 64u << 10}};
    std::printf("%-22s %10s %10s %10s %14s %14s\n", "workload", "WipeFile", "shred", "dd x11",
                "WipeFile/shred", "WipeFile/dd");
    double total[3] = {0, 0, 0};
    for (const auto& w : workloads) {
        const fs::path dir = root / "files";
        auto files = MakeFiles(dir, w);
        const double wipe = Time([&] { WipeAll(files); });
        files = MakeFiles(dir, w);
        const double shred = Time([&] { ShredAll(files); });
        files = MakeFiles(dir, w);
        const double dd = Time([&] { DdAll(files, w.size); });
        total[0] += wipe, total[1] += shred, total[2] += dd;
        std::printf("%-22s %9.2fs %9.2fs %9.2fs %14.2f %14.2f\n", w.name, wipe, shred, dd,
                    wipe / shred, wipe / dd);
    }
    std::printf("%-22s %9.2fs %9.2fs %9.2fs %14.2f %14.2f\n", "both", total[0], total[1], total[2],
                total[0] / total[1], total[0] / total[2]);
    {
        // The verdict's share: its work alone on 200 fresh files, against wiping them. The
        // files are made anew for each, so both start from the same written-back state.
        const Workload small = workloads[1];
        const fs::path dir = root / "files";
        auto files = MakeFiles(dir, small);
        const double judge = Time([&] { JudgeAll(files); });
        files = MakeFiles(dir, small);
        const double wipe = Time([&] { WipeAll(files); });
        std::printf("verdict on %s: %.4fs, %.2f %% of wiping them (%.2fs)\n", small.name, judge,
                    100.0 * judge / wipe, wipe);
    }
    if (!(argc > 2 && std::string(argv[2]) == "--no-tree"))
        TreeCase(root);
    fs::remove_all(root);
    return 0;
}

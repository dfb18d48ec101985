// corvanectl wipe-free on small ext4 images made for the test (root only): a deleted marker is
// gone from the raw image, the free space is back and no fill file is left, also when a
// signal stops it half-way; a read-only or virtual file system is refused with one clear line.

#include "support/Corvanectl.h"
#include "support/LoopDisk.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::LoopDisk;
using testing::RunCorvanectl;
using testing::TempWorld;

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::uint64_t FreeBytes(const fs::path& mount) {
    struct statvfs sv {};
    ::statvfs(mount.c_str(), &sv);
    return std::uint64_t{sv.f_bfree} * sv.f_frsize;
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Lets an administrator's writes take every free block of the ext4 file system mounted on
// `mount`: ext4 otherwise keeps a few percent back even from root. The setting lives as long
// as the mount.
bool NoReservedClusters(const fs::path& mount) {
    const auto source = testing::RunProgram({"findmnt", "-n", "-o", "SOURCE", mount.string()});
    const std::string device = fs::path(source.out.substr(0, source.out.find('\n'))).filename();
    std::ofstream out("/sys/fs/ext4/" + device + "/reserved_clusters");
    out << 0;
    out.flush();
    return !device.empty() && out.good();
}

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

// The marker is deleted the ordinary way; the fill alone must then reach its blocks: there is
// no trim (which would make the check pass on its own) and the file system keeps no blocks back
// from an administrator. A second image, with the default margin, is trimmed afterwards.
TEST(WipeFreeCommand, TheDeletedMarkerIsGoneTheSpaceIsBackAndNoFillFileStays) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "loop devices need root";
    TempWorld world;
    const fs::path image = world.Root() / "disk.img", mnt = world.Root() / "mnt";
    const std::string marker = "deleted-marker-c41f07", control = "kept-control-9b2d55";
    {
        LoopDisk disk(image, mnt, "ext4", {}, 128);
        if (!disk.Unavailable().empty())
            GTEST_SKIP() << disk.Unavailable();
        // The reserve can only be given back through sysfs, which some roots mount read-only.
        if (!NoReservedClusters(mnt))
            GTEST_SKIP() << "the file system's own reserve cannot be released here (/sys/fs/ext4 "
                            "is not writable), so the fill cannot reach every free block";
        TempWorld::Write(mnt / "marker", Repeat(marker, 4000));
        TempWorld::Write(mnt / "control", Repeat(control, 4000));
        ::sync();
        fs::remove(mnt / "marker");
        ::sync();
        const std::uint64_t before = FreeBytes(mnt);

        const auto wiped = RunCorvanectl({"wipe-free", "--keep", "0", "--no-trim", mnt.string()});
        EXPECT_EQ(wiped.exitCode, 0) << wiped.err;
        EXPECT_NE(wiped.out.find("wiped "), std::string::npos) << wiped.out;
        EXPECT_EQ(wiped.out.find("trim"), std::string::npos) << wiped.out;
        EXPECT_EQ(Names(mnt), (std::vector<std::string>{"control", "lost+found"}));
        EXPECT_NEAR(static_cast<double>(FreeBytes(mnt)), static_cast<double>(before), 65536.0);
        disk.Detach();
        const std::string raw = Read(image);
        EXPECT_NE(raw.find(control), std::string::npos) << "the search must see kept data";
        EXPECT_EQ(raw.find(marker), std::string::npos);
    }
    fs::remove(image);
    LoopDisk disk(image, mnt, "ext4", {}, 128);
    ASSERT_EQ(disk.Unavailable(), "");
    const auto trimmed = RunCorvanectl({"wipe-free", mnt.string()});
    EXPECT_EQ(trimmed.exitCode, 0) << trimmed.err;
    EXPECT_NE(trimmed.out.find("64 MiB stayed free"), std::string::npos) << trimmed.out;
    EXPECT_NE(trimmed.out.find("trimmed: the device was told to discard"), std::string::npos)
        << trimmed.out;
    EXPECT_EQ(Names(mnt), std::vector<std::string>{"lost+found"});
}

// A signal while the fill runs: the fill files go before the program ends, and it ends as the
// signal ends a program, so its caller knows it was interrupted.
TEST(WipeFreeCommand, AnInterruptedOrRefusedWipeLeavesNothingBehind) {
    const auto virtualFs = RunCorvanectl({"wipe-free", "/proc"});
    EXPECT_EQ(virtualFs.exitCode, 1);
    EXPECT_EQ(virtualFs.err, "corvanectl: /proc is on proc, a virtual file system: it has no free "
                             "disk space to wipe\n");
    if (::geteuid() != 0)
        GTEST_SKIP() << "loop devices need root";
    TempWorld world;
    const fs::path mnt = world.Root() / "mnt";
    LoopDisk disk(world.Root() / "disk.img", mnt, "ext4", {}, 512);
    if (!disk.Unavailable().empty())
        GTEST_SKIP() << disk.Unavailable();
    const std::uint64_t before = FreeBytes(mnt);

    const std::string exe = std::string(CORVANE_BIN_DIR) + "/corvanectl";
    const std::string out = (world.Root() / "out").string();
    std::vector<std::string> words = {exe, "wipe-free", mnt.string()};
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    // Half-way is when the fill has taken a good part of the space; the program is held there
    // while the signal is sent, so the signal surely arrives during the fill.
    int status = 0;
    bool exited = false;
    while (FreeBytes(mnt) + (std::uint64_t{64} << 20) > before) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            exited = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ASSERT_FALSE(exited) << "the wipe ended before it could be interrupted";
    ::kill(pid, SIGSTOP);
    EXPECT_GT(before - FreeBytes(mnt), std::uint64_t{64} << 20);
    ::kill(pid, SIGTERM);
    ::kill(pid, SIGCONT);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_NE(Read(out).find("cancelled after"), std::string::npos) << Read(out);
    EXPECT_EQ(Names(mnt), std::vector<std::string>{"lost+found"});
    EXPECT_NEAR(static_cast<double>(FreeBytes(mnt)), static_cast<double>(before), 65536.0);

    ASSERT_EQ(::mount(nullptr, mnt.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    const auto readOnly = RunCorvanectl({"wipe-free", mnt.string()});
    EXPECT_EQ(readOnly.exitCode, 1);
    EXPECT_EQ(readOnly.err, "corvanectl: " + mnt.string() +
                                " is mounted read-only: its free space cannot be written\n");
    EXPECT_EQ(readOnly.out, "");
}

} // namespace
} // namespace corvane

#pragma once
// A file system of a chosen kind in an image file, on a loop device, mounted for one test and
// undone when the test ends, whatever happens in between; and a bind or memory mount likewise.
// All of it needs root: Unavailable() says why the disk could not be had.

#include "support/Corvanectl.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace corvane::testing {

class LoopDisk {
public:
    /// Makes a `type` file system ("ext4", "xfs", "btrfs") of `megabytes` in `image` and mounts
    /// it on `mountPoint` with the file system's own `options` ("data=journal").
    LoopDisk(const std::filesystem::path& image, const std::filesystem::path& mountPoint,
             const std::string& type = "ext4", const std::string& options = {},
             unsigned megabytes = 32)
        : mountPoint_(mountPoint) {
        if (::geteuid() != 0) {
            why_ = "loop devices need root";
            return;
        }
        { std::ofstream(image, std::ios::binary).flush(); }
        std::filesystem::resize_file(image, std::uintmax_t{megabytes} << 20);
        std::vector<std::string> mkfs{"mkfs." + type};
        mkfs.push_back(type == "ext4" ? "-qF" : "-qf");
        mkfs.push_back(image.string());
        if (const auto made = RunProgram(mkfs); made.exitCode != 0) {
            why_ = "mkfs." + type + " failed: " + made.err;
            return;
        }
        const auto loop = RunProgram({"losetup", "-f", "--show", image.string()});
        if (loop.exitCode != 0) {
            why_ = "no loop device: " + loop.err;
            return;
        }
        device_ = loop.out.substr(0, loop.out.find('\n'));
        std::filesystem::create_directories(mountPoint);
        if (::mount(device_.c_str(), mountPoint.c_str(), type.c_str(), 0,
                    options.empty() ? nullptr : options.c_str()) != 0)
            why_ = "cannot mount the " + type + " image";
        else
            mounted_ = true;
    }
    ~LoopDisk() { Detach(); }
    LoopDisk(const LoopDisk&) = delete;
    LoopDisk& operator=(const LoopDisk&) = delete;

    /// Why the disk is not there; empty when it is mounted.
    const std::string& Unavailable() const { return why_; }
    /// Unmounts the file system and frees the loop device, so the image holds all of it.
    void Detach() {
        if (mounted_)
            ::umount2(mountPoint_.c_str(), 0);
        mounted_ = false;
        if (!device_.empty())
            RunProgram({"losetup", "-d", device_});
        device_.clear();
    }

private:
    std::filesystem::path mountPoint_;
    std::string device_;
    std::string why_;
    bool mounted_ = false;
};

/// Why loop images cannot be had here ("loop devices need root"), empty when they can. Where
/// the machine has root and a loop device and an image still cannot be made, a test fails
/// rather than skips, so that a CI run as root never passes without having looked at a disk.
inline std::string LoopImagesUnavailable() {
    if (::geteuid() != 0)
        return "loop devices need root";
    if (!std::filesystem::exists("/dev/loop-control"))
        return "this machine has no /dev/loop-control";
    return {};
}

/// A bind mount (with `type` empty) or a fresh mount of a memory file system ("tmpfs"), undone
/// when the test ends.
class ScopedMount {
public:
    ScopedMount(const std::filesystem::path& source, const std::filesystem::path& target,
                const char* type = nullptr, const char* options = nullptr)
        : target_(target) {
        mounted_ = ::mount(source.c_str(), target.c_str(), type, type ? 0 : MS_BIND, options) == 0;
    }
    ~ScopedMount() {
        if (mounted_)
            ::umount2(target_.c_str(), MNT_DETACH);
    }
    ScopedMount(const ScopedMount&) = delete;
    ScopedMount& operator=(const ScopedMount&) = delete;
    /// True when the mount is in place.
    bool Mounted() const { return mounted_; }

private:
    std::filesystem::path target_;
    bool mounted_ = false;
};

} // namespace corvane::testing

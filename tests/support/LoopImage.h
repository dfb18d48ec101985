#pragma once
// A file system of a test's own: an image file formatted and loop-mounted in a temporary folder
// (or a sized tmpfs), so a test can fill it, read its raw bytes after unmounting, or run it out
// of space. Only the superuser mounts; elsewhere the image says why it is unavailable.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace corvane::testing {

class LoopImage {
public:
    /// `type` "ext4", "xfs", "btrfs" (an image) or "tmpfs"; `options` go to mount's -o.
    LoopImage(const std::string& type, int megabytes, const std::string& options = "") {
        if (::geteuid() != 0) {
            unavailable_ = "mounting a file system needs the superuser";
            return;
        }
        char tmpl[] = "/tmp/corvane-image-XXXXXX";
        if (!::mkdtemp(tmpl)) {
            unavailable_ = "no temporary folder";
            return;
        }
        folder_ = tmpl;
        std::filesystem::create_directories(Mount());
        const std::string size = std::to_string(megabytes) + "M";
        std::string mount;
        if (type == "tmpfs") {
            mount = "mount -t tmpfs -o size=" + size + (options.empty() ? "" : "," + options) +
                    " tmpfs '" + Mount().string() + "'";
        } else {
            const std::string force = type == "ext4" ? " -F" : " -f";
            if (Run("truncate -s " + size + " '" + Image().string() + "' && mkfs." + type + " -q" +
                    force + " '" + Image().string() + "'") != 0) {
                unavailable_ = "mkfs." + type + " failed";
                return;
            }
            mount = "mount -o loop" + (options.empty() ? "" : "," + options) + " '" +
                    Image().string() + "' '" + Mount().string() + "'";
        }
        if (Run(mount) != 0) {
            unavailable_ = "cannot mount a " + type + " file system here (no loop device?)";
            return;
        }
        mounted_ = true;
    }
    ~LoopImage() {
        Unmount();
        std::error_code ec;
        if (!folder_.empty())
            std::filesystem::remove_all(folder_, ec);
    }
    LoopImage(const LoopImage&) = delete;
    LoopImage& operator=(const LoopImage&) = delete;

    /// Why the file system could not be had; empty when it is mounted.
    const std::string& Unavailable() const { return unavailable_; }
    /// Where it is mounted.
    std::filesystem::path Mount() const { return folder_ / "mnt"; }
    /// Unmounts it (once); true when it was mounted and is no more.
    bool Unmount() {
        if (!mounted_)
            return false;
        mounted_ = Run("umount '" + Mount().string() + "'") != 0;
        return !mounted_;
    }
    /// Unmounts the image and answers all its raw bytes.
    std::string UnmountAndRead() {
        Unmount();
        std::ifstream in(Image(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::filesystem::path Image() const { return folder_ / "image"; }
    static int Run(const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str());
    }

    std::filesystem::path folder_;
    std::string unavailable_;
    bool mounted_ = false;
};

} // namespace corvane::testing

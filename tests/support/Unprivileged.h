#pragma once
// Runs corvanectl as the unprivileged user "nobody". The build folder may sit where nobody can
// enter (a clone in /root, mode 0700), so the program is copied first into a folder of its own
// that every user may enter; the copy goes when the helper ends.

#include "support/Corvanectl.h"

#include <filesystem>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvane::testing {

class Unprivileged {
public:
    Unprivileged() {
        char tmpl[] = "/tmp/corvane-nobody-XXXXXX";
        if (::mkdtemp(tmpl) == nullptr)
            return;
        dir_ = tmpl;
        ::chmod(dir_.c_str(), 0755);
        std::error_code ec;
        std::filesystem::copy_file(std::filesystem::path(CORVANE_BIN_DIR) / "corvanectl",
                                   dir_ / "corvanectl", ec);
        ::chmod((dir_ / "corvanectl").c_str(), 0755);
        ready_ = !ec;
    }
    ~Unprivileged() {
        std::error_code ec;
        if (!dir_.empty())
            std::filesystem::remove_all(dir_, ec);
    }
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

    /// Why the unprivileged cases cannot run here; empty when they can.
    std::string Unavailable() const {
        if (::geteuid() != 0)
            return "needs root to drop to another user";
        if (::getpwnam("nobody") == nullptr)
            return "this machine has no user nobody";
        if (!ready_)
            return "could not copy corvanectl to a folder nobody can reach";
        return {};
    }

    /// The uid and gid of nobody.
    static uid_t Uid() { return ::getpwnam("nobody")->pw_uid; }
    static gid_t Gid() { return ::getpwnam("nobody")->pw_gid; }

    /// Runs `corvanectl ARGS...` as nobody, in the current environment.
    CtlResult Run(const std::vector<std::string>& args) const {
        std::vector<std::string> words = {"setpriv", "--reuid=" + std::to_string(Uid()),
                                          "--regid=" + std::to_string(Gid()), "--clear-groups",
                                          (dir_ / "corvanectl").string()};
        words.insert(words.end(), args.begin(), args.end());
        return RunProgram(std::move(words));
    }

private:
    std::filesystem::path dir_;
    bool ready_ = false;
};

} // namespace corvane::testing

#pragma once
// A copy of a small program under a chosen name, running until the object ends: a stand-in for
// a browser (or any program) that the process checks can find.

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace corvane::testing {

/// Runs a copy of /bin/sleep named `name` in `folder`, optionally with another argv[0].
class NamedProcess {
public:
    NamedProcess(const std::filesystem::path& folder, const std::string& name,
                 const char* argv0 = nullptr) {
        path_ = folder / name;
        std::filesystem::copy_file("/bin/sleep", path_,
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execl(path_.c_str(), argv0 ? argv0 : path_.c_str(), "60",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Wait until the child runs the copy, not the test program it was forked from, and its
        // new command line is in place (the kernel switches the executable first).
        const std::string proc = "/proc/" + std::to_string(pid_);
        const std::string first = argv0 ? argv0 : path_.string();
        for (int i = 0; i < 1000; ++i) {
            std::error_code ec;
            std::ifstream cmdline(proc + "/cmdline");
            std::string arg0;
            std::getline(cmdline, arg0, '\0');
            if (std::filesystem::read_symlink(proc + "/exe", ec) == path_ && arg0 == first)
                break;
            ::usleep(2000);
        }
    }
    ~NamedProcess() { Stop(); }
    NamedProcess(const NamedProcess&) = delete;
    NamedProcess& operator=(const NamedProcess&) = delete;

    /// Ends the process now.
    void Stop() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    pid_t Pid() const { return pid_; }

private:
    std::filesystem::path path_;
    pid_t pid_ = -1;
};

} // namespace corvane::testing

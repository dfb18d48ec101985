#pragma once
// A home of its own for one browser test: HOME and the XDG config and cache folders point into
// a temporary folder beside a fresh world (or into a folder the test gives, such as a file
// system of its own), so discovery can only find the profiles the test puts there. Helpers to
// make profile layouts, to read a file's bytes, and to make a Chromium look as if it were
// running.

#include "support/TempWorld.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

namespace corvane::testing {

namespace fs = std::filesystem;

class BrowserHome {
public:
    /// A home below a temporary folder, or below `under` when one is given.
    explicit BrowserHome(const fs::path& under = {})
        : base_(under.empty() ? world_.Root() : under) {
        fs::create_directories(Home());
        fs::create_directories(Config());
        fs::create_directories(Cache());
        env_.Set("HOME", Home().string());
        env_.Set("XDG_CONFIG_HOME", Config().string());
        env_.Set("XDG_CACHE_HOME", Cache().string());
    }
    BrowserHome(const BrowserHome&) = delete;
    BrowserHome& operator=(const BrowserHome&) = delete;

    fs::path Home() const { return base_ / "bhome"; }
    fs::path Config() const { return base_ / "bconfig"; }
    fs::path Cache() const { return base_ / "bcache"; }
    const TempWorld& World() const { return world_; }

    /// A Firefox root below the home with a profiles.ini listing one relative profile.
    fs::path AddFirefox(const fs::path& root, const std::string& folder, const std::string& name) {
        fs::create_directories(root / folder);
        std::ofstream(root / "profiles.ini", std::ios::app)
            << "[Profile" << count_++ << "]\nName=" << name << "\nIsRelative=1\nPath=" << folder
            << "\n\n";
        return root / folder;
    }

    /// A Chromium user-data folder whose Local State lists the given profile folders.
    static void AddChromium(const fs::path& userData, std::initializer_list<const char*> profiles) {
        std::string cache;
        for (const char* profile : profiles) {
            fs::create_directories(userData / profile);
            cache +=
                std::string(cache.empty() ? "" : ",") + "\"" + profile + "\": {\"name\": \"x\"}";
        }
        std::ofstream(userData / "Local State")
            << "{\"profile\": {\"info_cache\": {" << cache << "}}}";
    }

private:
    TempWorld world_;
    fs::path base_;
    int count_ = 0;
    ScopedEnv env_;
};

/// The whole content of a file ("" when it cannot be read).
inline std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

/// Every byte of every regular file below a folder, for "is this text anywhere" checks.
inline std::string ReadTree(const fs::path& folder) {
    std::string all;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::end(it);
         it.increment(ec))
        if (it->is_regular_file(ec) && !it->is_symlink(ec))
            all += ReadBytes(it->path());
    return all;
}

/// The first column of the first row of a query (or "" on any failure), read only.
inline std::string Query(const fs::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    std::string result;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_text(stmt, 0))
            result = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return result;
}

/// Runs SQL on a database (creating it); false on failure.
inline bool Exec(const fs::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(file.c_str(), &db) == SQLITE_OK &&
              sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// Holds a POSIX lock on a file from a second process, as a running browser does. The process
// can let go of the lock and go on running, then end without being reaped (a zombie), to tell
// the lock's release from the process's end.
class LockHolder {
public:
    explicit LockHolder(const fs::path& file) {
        EXPECT_EQ(::pipe(ready_), 0);
        EXPECT_EQ(::pipe(release_), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            const int fd = ::open(file.c_str(), O_RDWR | O_CREAT, 0600);
            struct flock lock {};
            lock.l_type = F_WRLCK;
            char ok = (fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0) ? 1 : 0;
            [[maybe_unused]] auto w = ::write(ready_[1], &ok, 1);
            char word = 0;
            while (::read(release_[0], &word, 1) == 1 && word == 'u') {
                ::close(fd);
                w = ::write(ready_[1], &ok, 1);
            }
            ::_exit(0);
        }
        EXPECT_TRUE(Answered());
    }
    ~LockHolder() { Release(); }
    /// The pid of the holding process.
    pid_t Pid() const { return pid_; }
    /// Lets go of the lock; the process goes on running.
    void LetGo() {
        Say('u');
        EXPECT_TRUE(Answered());
    }
    /// Ends the process, leaving it for Release to reap.
    void End() {
        if (ended_)
            return;
        Say('x');
        ended_ = true;
        // Waits for the end without reaping the process, which stays a zombie until Release.
        siginfo_t info{};
        EXPECT_EQ(::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT), 0);
    }
    void Release() {
        if (pid_ <= 0)
            return;
        End();
        ::waitpid(pid_, nullptr, 0);
        for (int fd : {release_[0], release_[1], ready_[0], ready_[1]})
            ::close(fd);
        pid_ = -1;
    }

private:
    void Say(char word) { [[maybe_unused]] auto w = ::write(release_[1], &word, 1); }
    bool Answered() {
        char ok = 0;
        return ::read(ready_[0], &ok, 1) == 1 && ok == 1;
    }

    pid_t pid_ = -1;
    bool ended_ = false;
    int ready_[2] = {-1, -1};
    int release_[2] = {-1, -1};
};

/// Makes a Chromium user-data folder look in use, as a browser started at that moment would: a
/// `SingletonLock` naming this host and a live process of its own (a child that only waits), so
/// the lock is not stale. The lock can appear at once or after a delay, while something else
/// (a clean) runs; the child ends and the lock goes with the object.
class ChromiumStarting {
public:
    explicit ChromiumStarting(fs::path userData) : lock_(std::move(userData) / "SingletonLock") {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::pause();
            ::_exit(0);
        }
        EXPECT_GT(pid_, 0);
    }
    ChromiumStarting(const ChromiumStarting&) = delete;
    ChromiumStarting& operator=(const ChromiumStarting&) = delete;
    ~ChromiumStarting() {
        if (later_.joinable())
            later_.join();
        std::error_code ec;
        if (fs::read_symlink(lock_, ec) == Target())
            fs::remove(lock_, ec);
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    /// The pid the lock names.
    pid_t Pid() const { return pid_; }
    /// Puts the lock in place now; false when it could not be made.
    bool Appear() const {
        std::error_code ec;
        fs::create_symlink(Target(), lock_, ec);
        return !ec;
    }
    /// Puts the lock in place after a delay, from another thread, while the caller goes on.
    void AppearAfter(std::chrono::milliseconds delay) {
        later_ = std::thread([this, delay] {
            std::this_thread::sleep_for(delay);
            EXPECT_TRUE(Appear());
        });
    }

private:
    fs::path Target() const {
        char host[256] = {};
        ::gethostname(host, sizeof host - 1);
        return std::string(host) + "-" + std::to_string(pid_);
    }

    fs::path lock_;
    pid_t pid_ = -1;
    std::thread later_;
};

} // namespace corvane::testing

#include "browsers/Containment.h"

#include <sys/stat.h>

#include <cerrno>

namespace corvane::browsers {
namespace fs = std::filesystem;
namespace {

// The top folders of the system. A user's browser never keeps a profile in them, except below
// the user's own home or runtime folder (a home may be /root or /var/home/NAME).
bool IsSystemFolder(const fs::path& real) {
    auto it = real.begin();
    if (it == real.end() || ++it == real.end())
        return false;
    const std::string top = it->string();
    if (top.rfind("lib", 0) == 0)
        return true; // lib, lib32, lib64, libx32
    for (const char* system : {"bin", "boot", "dev", "etc", "opt", "proc", "root", "run", "sbin",
                               "snap", "srv", "sys", "usr", "var"})
        if (top == system)
            return true;
    return false;
}

// Resolves what exists of a path; a part not made yet stays as written.
fs::path Resolved(const fs::path& path) {
    std::error_code ec;
    fs::path real = fs::weakly_canonical(path, ec);
    return Normal(ec ? path : real);
}

// A link along the path that leads nowhere: the folder it names could be made anywhere later.
bool HasDanglingLink(const fs::path& path) {
    fs::path prefix;
    for (const fs::path& part : path) {
        prefix /= part;
        std::error_code ec;
        if (fs::is_symlink(fs::symlink_status(prefix, ec)) && !fs::exists(prefix, ec))
            return true;
    }
    return false;
}

} // namespace

bool Inside(const fs::path& path, const fs::path& folder) {
    auto p = path.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
        if (f->empty())
            continue; // a trailing separator
        if (p == path.end() || *p != *f)
            return false;
    }
    return !folder.empty();
}

fs::path Normal(const fs::path& path) {
    fs::path normal = path.lexically_normal();
    if (!normal.has_filename() && normal.has_relative_path())
        normal = normal.parent_path();
    return normal;
}

Containment::Containment(const UserFolders& folders)
    : home_(Resolved(folders.home)), config_(Resolved(folders.configHome)),
      cache_(Resolved(folders.cacheHome)), temp_(Resolved(folders.tempFolder)),
      owner_(folders.owner) {
    // The runtime folder is the user's own by definition; one that is not (or is the root) is a
    // mistake in the environment and lends nothing.
    struct stat facts {};
    if (!folders.runtimeHome.empty() && ::stat(folders.runtimeHome.c_str(), &facts) == 0 &&
        facts.st_uid == owner_) {
        runtime_ = Resolved(folders.runtimeHome);
        if (runtime_ == runtime_.root_path())
            runtime_.clear();
    }
    if (home_ == home_.root_path())
        home_.clear(); // a home of "/" would make the whole system the user's own
}

std::string Containment::Refusal(const fs::path& real) const {
    if (real == real.root_path())
        return "is the root folder";
    if (!home_.empty() && real == home_)
        return "is the home folder";
    if (Inside(home_, real))
        return "holds the home folder";
    for (const fs::path* shared : {&config_, &cache_, &runtime_, &temp_})
        if (!shared->empty() && real == *shared)
            return "is a folder every program shares";
    const bool users = Inside(real, home_) || Inside(real, runtime_);
    if (!users && IsSystemFolder(real))
        return "is a system folder";
    struct stat facts {};
    if (::lstat(real.c_str(), &facts) != 0)
        return errno == ENOENT ? std::string() : "cannot be examined";
    if (facts.st_uid != owner_)
        return "belongs to another user";
    return {};
}

bool Containment::ResolveFolder(const fs::path& folder, fs::path& real,
                                std::string& problem) const {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        problem = folder.string() + ": profile folder missing, skipped";
        return false;
    }
    const fs::path resolved = fs::canonical(folder, ec);
    if (ec) {
        problem = folder.string() + ": cannot be resolved (" + ec.message() + "), skipped";
        return false;
    }
    const bool linked = resolved != Normal(folder);
    if (linked && !Inside(resolved, home_) && !Inside(resolved, runtime_) &&
        !Inside(resolved, temp_)) {
        problem = folder.string() + ": a link to " + resolved.string() +
                  " outside the home folder, not followed";
        return false;
    }
    if (const std::string why = Refusal(resolved); !why.empty()) {
        problem = folder.string() + (linked ? " (a link to " + resolved.string() + ")" : "") + " " +
                  why + ", skipped";
        return false;
    }
    real = resolved;
    return true;
}

bool Containment::ResolveCache(const fs::path& folder, const fs::path& root, fs::path& real,
                               std::string& problem) const {
    const fs::path realRoot = Resolved(root);
    const fs::path resolved = Resolved(folder);
    std::error_code ec;
    if (HasDanglingLink(folder)) {
        problem = folder.string() + ": a link to a missing folder, cache folder dropped";
        return false;
    }
    if (resolved == realRoot || !Inside(resolved, realRoot)) {
        problem = folder.string() + ": leads to " + resolved.string() + ", outside " +
                  realRoot.string() + ", cache folder dropped";
        return false;
    }
    if (fs::exists(resolved, ec) && !fs::is_directory(resolved, ec)) {
        problem = folder.string() + ": not a folder, cache folder dropped";
        return false;
    }
    if (const std::string why = Refusal(resolved); !why.empty()) {
        problem = folder.string() + " " + why + ", cache folder dropped";
        return false;
    }
    real = resolved;
    return true;
}

std::vector<fs::path> Containment::CacheFolders(const fs::path& folder, const fs::path& root,
                                                const fs::path& real,
                                                std::vector<std::string>& problems) const {
    std::vector<fs::path> folders;
    fs::path cache;
    std::string problem;
    if (ResolveCache(folder, root, cache, problem))
        folders.push_back(cache);
    else
        problems.push_back(problem);
    if (cache != real)
        folders.push_back(real);
    return folders;
}

} // namespace corvane::browsers

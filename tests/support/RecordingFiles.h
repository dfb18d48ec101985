#pragma once
// A files service that passes every call to the real one and records it, and can refuse
// chosen operations as if access were denied. Installed for its lifetime.

#include "platform/files.h"
#include "platform/world.h"

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace corvane::testing {

class RecordingFiles : public platform::PosixFileService {
public:
    struct Call {
        std::string op;
        std::string path;
        std::int64_t offset = 0;
        std::size_t size = 0;
    };

    RecordingFiles() : scope_(*this) {}

    std::vector<Call> calls;
    /// Size of each file (by Windows path) just before DeleteFileA removed it; -1 if missing.
    std::map<std::string, std::int64_t> sizeAtDelete;
    /// Operations ("read", "readwrite", "attributes", "delete", "write", "flush",
    /// "deletefolder", "removefolder", "rename") that fail for these Windows paths without touching
    /// anything. In a descriptor walk "readwrite" is the one open for overwriting, "delete" the
    /// removal of a file's name and "removefolder" that of an emptied folder.
    std::map<std::string, std::set<std::string>> refuse;
    /// Runs before every operation on a path (op, path): lets a test change the world mid-walk.
    std::function<void(const std::string&, const std::string&)> before;

    int Count(const std::string& op, const std::string& path = {}) const {
        int n = 0;
        for (const auto& c : calls)
            n += c.op == op && (path.empty() || c.path == path);
        return n;
    }

    platform::FileHandle OpenForReading(const std::string& path) override {
        if (Enter("read", path))
            return {};
        return Track(PosixFileService::OpenForReading(path), path);
    }
    platform::FileHandle OpenReadWrite(const std::string& path) override {
        if (Enter("readwrite", path))
            return {};
        return Track(PosixFileService::OpenReadWrite(path), path);
    }
    bool WriteAt(const platform::FileHandle& file, std::int64_t offset, const void* data,
                 std::size_t size) override {
        const std::string path = open_.count(file.Descriptor()) ? open_[file.Descriptor()] : "";
        calls.push_back({"write", path, offset, size});
        if (refuse.count(path) && refuse[path].count("write"))
            return false;
        return PosixFileService::WriteAt(file, offset, data, size);
    }
    bool FlushToDisk(const platform::FileHandle& file) override {
        const std::string path = open_[file.Descriptor()];
        calls.push_back({"flush", path});
        if (refuse.count(path) && refuse[path].count("flush"))
            return false;
        return PosixFileService::FlushToDisk(file);
    }
    bool Close(platform::FileHandle& file) override {
        calls.push_back({"close", open_[file.Descriptor()]});
        open_.erase(file.Descriptor());
        return PosixFileService::Close(file);
    }
    bool SetAttributesNormal(const std::string& path) override {
        if (Enter("attributes", path))
            return false;
        return PosixFileService::SetAttributesNormal(path);
    }
    bool DeleteFileA(const std::string& path) override {
        if (Enter("delete", path))
            return false;
        struct stat st {};
        const std::string posix = world::ToPosix(path);
        sizeAtDelete[path] = ::lstat(posix.c_str(), &st) == 0 ? st.st_size : -1;
        return PosixFileService::DeleteFileA(path);
    }
    bool DeleteFolder(const std::string& path, bool force) override {
        if (Enter("deletefolder", path))
            return false;
        return PosixFileService::DeleteFolder(path, force);
    }

    platform::FileHandle OpenFolder(const std::string& path) override {
        calls.push_back({"openfolder", path});
        return Track(PosixFileService::OpenFolder(path), path);
    }
    platform::FileHandle OpenFolderAt(const platform::FileHandle& folder,
                                      const std::string& name) override {
        const std::string path = name == ".." ? std::string("..") : Join(folder, name);
        calls.push_back({"openfolder", path});
        return Track(PosixFileService::OpenFolderAt(folder, name), path);
    }
    platform::FileHandle OpenForWipingAt(const platform::FileHandle& folder,
                                         const std::string& name, bool create) override {
        const std::string path = Join(folder, name);
        if (Enter("readwrite", path))
            return {};
        return Track(PosixFileService::OpenForWipingAt(folder, name, create), path);
    }
    bool RemoveAt(const platform::FileHandle& folder, const std::string& name,
                  bool isFolder) override {
        const std::string path = Join(folder, name);
        if (Enter(isFolder ? "removefolder" : "delete", path))
            return false;
        platform::FileFacts facts;
        if (!isFolder)
            sizeAtDelete[path] = PosixFileService::FactsAt(folder, name, facts) ? facts.Size : -1;
        if (!PosixFileService::RemoveAt(folder, name, isFolder))
            return false;
        renamed_.erase(Plain(folder, name));
        return true;
    }

    bool RenameAt(const platform::FileHandle& folder, const std::string& from,
                  const std::string& to) override {
        const std::string path = Join(folder, from);
        if (Enter("rename", path))
            return false;
        if (!PosixFileService::RenameAt(folder, from, to))
            return false;
        // Later calls on the new name are recorded under the name the file had at first.
        renamed_[Plain(folder, to)] = path;
        return true;
    }

private:
    std::string Plain(const platform::FileHandle& folder, const std::string& name) {
        const std::string base = open_[folder.Descriptor()];
        return (!base.empty() && base.back() == '\\' ? base : base + "\\") +
               world::EncodeName(name);
    }
    std::string Join(const platform::FileHandle& folder, const std::string& name) {
        const std::string path = Plain(folder, name);
        const auto original = renamed_.find(path);
        return original == renamed_.end() ? path : original->second;
    }
    // Records the call and runs the hook; true when the call is to be refused.
    bool Enter(const std::string& op, const std::string& path) {
        calls.push_back({op, path});
        if (before)
            before(op, path);
        return refuse.count(path) && refuse[path].count(op);
    }
    platform::FileHandle Track(platform::FileHandle file, const std::string& path) {
        if (file.IsOpen())
            open_[file.Descriptor()] = path;
        return file;
    }

    platform::ScopedFileSystem scope_;
    std::map<int, std::string> open_;
    std::map<std::string, std::string> renamed_;
};

} // namespace corvane::testing

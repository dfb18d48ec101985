#include "browsers/ProfileFiles.h"

#include "platform/treewalk.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace corvane::browsers {
namespace {

using platform::FileFacts;
using platform::FileHandle;
using platform::OverwriteBatch;
using platform::WalkEntry;

FileHandle OpenFolder(const std::filesystem::path& folder) {
    return FileHandle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

void Fail(RemoveResult& result, const std::string& path, const std::string& reason) {
    if (result.ok)
        result.error = path + ": " + reason;
    result.ok = false;
}

// The path of an entry below `top`, for a report.
std::string PathOf(const std::filesystem::path& top, std::span<const std::string> trail,
                   const std::string& name) {
    std::string path = top.string();
    for (const std::string& folder : trail)
        path += "/" + folder;
    return name.empty() ? path : path + "/" + name;
}

// Tells what became of one removed name.
void Count(OverwriteBatch::Removed removed, const std::string& path, const std::string& why,
           RemoveResult& result) {
    switch (removed) {
    case OverwriteBatch::Removed::NameOnly:
        if (!why.empty())
            result.notOverwritten.push_back(path + ": deleted, " + why);
        [[fallthrough]];
    case OverwriteBatch::Removed::Overwritten:
        ++result.files;
        break;
    case OverwriteBatch::Removed::Vanished:
        break;
    case OverwriteBatch::Removed::Failed:
        Fail(result, path, why);
        break;
    }
}

// Emptying a folder as a visitor of the walk: the filter picks among the entries directly inside
// the folder; a folder it accepts goes whole, each subfolder once the walk left it empty.
class StoreRemover : public platform::TreeVisitor {
public:
    StoreRemover(const std::filesystem::path& top, const NameFilter& filter, bool overwrite,
                 OverwriteBatch& batch, RemoveResult& result)
        : top_(top), filter_(filter), overwrite_(overwrite), batch_(batch), result_(result) {}

    void File(const WalkEntry& entry) override {
        if (!Accepted(entry))
            return;
        std::string why;
        const auto removed =
            batch_.RemoveAt(entry.folder, entry.folderFacts, entry.name, overwrite_, why);
        Count(removed, PathOf(top_, entry.trail, entry.name), why, result_);
    }
    bool Enter(const WalkEntry& entry) override { return Accepted(entry); }
    void Leave(const WalkEntry& entry) override {
        if (!platform::FileSystem().RemoveAt(entry.folder, entry.name, true))
            Fail(result_, PathOf(top_, entry.trail, entry.name), std::strerror(errno));
    }
    void OtherMount(const WalkEntry& entry) override {
        Fail(result_, PathOf(top_, entry.trail, entry.name), "another file system is mounted here");
    }
    void NotOpened(const WalkEntry& entry, int error) override {
        if (error != ENOENT)
            Fail(result_, PathOf(top_, entry.trail, entry.name), std::strerror(error));
    }
    void Lost(std::span<const std::string> trail) override {
        Fail(result_, PathOf(top_, trail, ""), "moved while it was emptied");
    }

private:
    bool Accepted(const WalkEntry& entry) const {
        return entry.Depth() > 0 || !filter_ || filter_(entry.name);
    }

    const std::filesystem::path& top_;
    const NameFilter& filter_;
    bool overwrite_;
    OverwriteBatch& batch_;
    RemoveResult& result_;
};

// Counts what a StoreRemover with the same filter would remove.
class Tallier : public platform::TreeVisitor {
public:
    explicit Tallier(const NameFilter& filter) : filter_(filter) {}
    void File(const WalkEntry& entry) override {
        if (entry.Depth() > 0 || !filter_ || filter_(entry.name)) {
            ++tally.files;
            if (entry.facts.IsRegular())
                tally.bytes += entry.facts.Size;
        }
    }
    bool Enter(const WalkEntry& entry) override {
        return entry.Depth() > 0 || !filter_ || filter_(entry.name);
    }
    Tally tally;

private:
    const NameFilter& filter_;
};

class FileCounter : public platform::TreeVisitor {
public:
    explicit FileCounter(const NameFilter& filter) : filter_(filter) {}
    void File(const WalkEntry& entry) override {
        count += entry.facts.IsRegular() && (!filter_ || filter_(entry.name));
    }
    long count = 0;

private:
    const NameFilter& filter_;
};

// A folder opened to be emptied, with what overwriting reaches on its file system.
struct Opened {
    FileHandle folder;
    FileFacts facts;
    platform::OverwriteVerdict verdict;
};

// Opens a folder to empty it, or says why not; a missing folder is no failure.
bool OpenForRemoval(const std::filesystem::path& path, Opened& opened, RemoveResult& result) {
    opened.folder = OpenFolder(path);
    if (!opened.folder.IsOpen()) {
        if (errno != ENOENT)
            Fail(result, path.string(), std::strerror(errno));
        return false;
    }
    if (!platform::FileSystem().Facts(opened.folder, opened.facts)) {
        Fail(result, path.string(), std::strerror(errno));
        return false;
    }
    opened.verdict = platform::VerdictFor(opened.folder);
    result.mayKeep = opened.verdict.InPlace() ? std::string() : opened.verdict.reason;
    return true;
}

// Folds the batch's sync into a result: zeros that may not have reached the disk are a failure.
RemoveResult Flushed(RemoveResult result, OverwriteBatch& batch) {
    std::string error;
    if (!batch.Flush(error))
        Fail(result, "sync", error);
    return result;
}

} // namespace

RemoveResult RemoveInFolder(const std::filesystem::path& folder, const NameFilter& filter,
                            OverwriteBatch& batch) {
    RemoveResult result;
    Opened top;
    if (!OpenForRemoval(folder, top, result))
        return result;
    StoreRemover remover(folder, filter, top.verdict.WorthOverwriting(), batch, result);
    platform::WalkTree(platform::FileSystem(), std::move(top.folder), remover);
    return result;
}

RemoveResult RemoveInFolder(const std::filesystem::path& folder, const NameFilter& filter) {
    OverwriteBatch batch;
    return Flushed(RemoveInFolder(folder, filter, batch), batch);
}

RemoveResult RemoveStoreFile(const std::filesystem::path& file, OverwriteBatch& batch) {
    RemoveResult result;
    Opened folder;
    const std::string name = file.filename().string();
    if (name.empty() || name == "." || name == "..") {
        Fail(result, file.string(), "not a file name");
        return result;
    }
    if (!OpenForRemoval(file.parent_path(), folder, result))
        return result;
    std::string why;
    const auto removed =
        batch.RemoveAt(folder.folder, folder.facts, name, folder.verdict.WorthOverwriting(), why);
    Count(removed, file.string(), why, result);
    return result;
}

RemoveResult RemoveStoreFile(const std::filesystem::path& file) {
    OverwriteBatch batch;
    return Flushed(RemoveStoreFile(file, batch), batch);
}

Tally TallyInFolder(const std::filesystem::path& folder, const NameFilter& filter) {
    Tallier tallier(filter);
    platform::WalkTree(platform::FileSystem(), OpenFolder(folder), tallier);
    return tallier.tally;
}

long CountFiles(const std::filesystem::path& folder, const NameFilter& filter) {
    FileCounter counter(filter);
    platform::WalkTree(platform::FileSystem(), OpenFolder(folder), counter);
    return counter.count;
}

void RemoveInto(const std::filesystem::path& folder, const NameFilter& filter, const char* what,
                platform::OverwriteBatch& batch, ProfileReport& report) {
    const RemoveResult removed = RemoveInFolder(folder, filter, batch);
    if (removed.files > 0 || removed.ok)
        report.Add(what, removed.files);
    if (!removed.ok)
        report.problems.push_back(removed.error);
    report.problems.insert(report.problems.end(), removed.notOverwritten.begin(),
                           removed.notOverwritten.end());
}

} // namespace corvane::browsers

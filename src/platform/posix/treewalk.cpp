#include "platform/treewalk.h"

#include <cerrno>
#include <utility>
#include <vector>

namespace corvane::platform {
namespace {

// One open folder of a walk.
struct Frame {
    FileHandle folder;
    FileFacts facts;
    std::vector<std::string> subfolders; // listed, on the walk's mount, not yet entered
    std::size_t next = 0;
};

class Walk {
public:
    Walk(FileService& files, TreeVisitor& visitor) : files_(files), visitor_(visitor) {}

    bool Run(FileHandle top) {
        Frame start;
        start.folder = std::move(top);
        if (!start.folder.IsOpen() || !files_.Facts(start.folder, start.facts) ||
            !start.facts.IsFolder())
            return false;
        root_ = start.facts;
        Enter(std::move(start));
        while (!stack_.empty()) {
            Frame& frame = stack_.back();
            if (frame.next < frame.subfolders.size()) {
                std::string name = frame.subfolders[frame.next++];
                Descend(std::move(name));
                continue;
            }
            Leave();
        }
        return !lost_;
    }

private:
    // The trail of the innermost folder: the names of every frame below the start.
    std::span<const std::string> Trail() const { return {names_.data(), names_.size()}; }

    // Visits the folder's entries that are not folders at once and keeps its subfolders for
    // later, depth first.
    void Enter(Frame frame) {
        stack_.push_back(std::move(frame));
        if (stack_.size() > kWalkOpenFolders)
            stack_[stack_.size() - 1 - kWalkOpenFolders].folder.Close();
        for (const std::string& name : files_.NamesIn(stack_.back().folder)) {
            Frame& here = stack_.back();
            FileFacts facts;
            if (!files_.FactsAt(here.folder, name, facts))
                continue; // gone since the listing
            const WalkEntry entry{here.folder, here.facts, name, facts, Trail()};
            if (!facts.IsFolder())
                visitor_.File(entry);
            else if (!visitor_.Enter(entry))
                continue;
            else if (facts.SameMount(root_))
                here.subfolders.push_back(name);
            else
                visitor_.OtherMount(entry);
        }
    }

    void Descend(std::string name) {
        Frame& parent = stack_.back();
        Frame child;
        child.folder = files_.OpenFolderAt(parent.folder, name);
        const int error = errno;
        // The open refuses a link, and the facts of the open folder catch a swap to another
        // mount between the listing and now.
        const bool opened = child.folder.IsOpen() && files_.Facts(child.folder, child.facts);
        const WalkEntry entry{parent.folder, parent.facts, name, child.facts, Trail()};
        if (!opened) {
            visitor_.NotOpened(entry, child.folder.IsOpen() ? EIO : error);
            return;
        }
        if (!child.facts.SameMount(root_)) {
            visitor_.OtherMount(entry);
            return;
        }
        names_.push_back(std::move(name));
        Enter(std::move(child));
    }

    void Leave() {
        Frame done = std::move(stack_.back());
        stack_.pop_back();
        if (stack_.empty())
            return;
        const std::string name = std::move(names_.back());
        names_.pop_back();
        Frame& parent = stack_.back();
        if (!parent.folder.IsOpen() && !Reopen(parent, done.folder))
            return;
        done.folder.Close();
        visitor_.Leave({parent.folder, parent.facts, name, done.facts, Trail()});
    }

    // Reaches a folder that was closed to save descriptors again through its child's "..",
    // accepted only when it is the very folder that was left.
    bool Reopen(Frame& frame, const FileHandle& child) {
        FileFacts facts;
        frame.folder = files_.OpenFolderAt(child, "..");
        if (frame.folder.IsOpen() && files_.Facts(frame.folder, facts) &&
            facts.SameFile(frame.facts))
            return true;
        frame.folder.Close();
        visitor_.Lost(Trail());
        // Nothing above can be reached safely any more.
        stack_.clear();
        names_.clear();
        lost_ = true;
        return false;
    }

    FileService& files_;
    TreeVisitor& visitor_;
    FileFacts root_;
    std::vector<Frame> stack_;
    std::vector<std::string> names_; // the name of every frame but the first
    bool lost_ = false;
};

} // namespace

bool WalkTree(FileService& files, FileHandle top, TreeVisitor& visitor) {
    return Walk(files, visitor).Run(std::move(top));
}

} // namespace corvane::platform

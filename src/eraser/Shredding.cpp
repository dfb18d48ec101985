#include "eraser/Shredding.h"

#include "platform/files.h"
#include "platform/messageloop.h"
#include "platform/treewalk.h"
#include "platform/world.h"
#include "traces/modNormalisePath.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace corvane::eraser {
namespace {

using platform::FileFacts;
using platform::FileHandle;
using platform::FileSystem;

const std::array<char, kWipeBlockSize>& HashBlock() {
    static const std::array<char, kWipeBlockSize> block = [] {
        std::array<char, kWipeBlockSize> b{};
        b.fill('#');
        return b;
    }();
    return block;
}

std::string JoinWindows(const std::string& folder, const std::string& posixName) {
    const std::string name = world::EncodeName(posixName);
    if (!folder.empty() && folder.back() == '\\')
        return folder + name;
    return folder + "\\" + name;
}

void Fail(WipeReport& report, std::string path, std::string reason) {
    report.Failures.push_back({std::move(path), std::move(reason)});
}

// ": " and the text of the error the last call left, when it left one.
std::string ErrorSuffix(int error) {
    return error != 0 ? std::string(": ") + std::strerror(error) : std::string();
}

// Runs the eleven passes on one open descriptor; empty on success, else what went wrong. The
// length is taken after every pass: a file that another program grows or cuts meanwhile holds
// bytes that the passes did not cover, or covered only in part.
std::string OverwriteAllPasses(const FileHandle& file, std::int64_t length) {
    platform::FileService& fs = FileSystem();
    const std::int64_t blocks = WipeBlockCount(length);
    const std::int64_t end = std::max(length, (blocks + 1) * kWipeBlockSize);
    const auto& block = HashBlock();
    for (int pass = 0; pass < kWipePasses; ++pass) {
        for (std::int64_t k = 0; k <= blocks; ++k) {
            errno = 0;
            if (!fs.WriteAt(file, k * kWipeBlockSize, block.data(), block.size()))
                return "not overwritten: a write failed on pass " + std::to_string(pass + 1) +
                       ErrorSuffix(errno);
            if (platform::GetInputState())
                platform::DoEvents();
        }
        // Each pass must reach the disk before the next one rewrites the same bytes; otherwise
        // only the last pass would ever leave the page cache.
        errno = 0;
        if (!fs.FlushToDisk(file))
            return "not overwritten: flushing to storage failed on pass " +
                   std::to_string(pass + 1) + ErrorSuffix(errno);
        FileFacts now;
        if (!fs.Facts(file, now) || now.Size != end)
            return "not overwritten: it changed size during the wipe (another program writes "
                   "to it)";
        platform::DoEvents();
    }
    return {};
}

// Renames the file to names of 0s, from its own length down to one, so that the folder keeps
// as little of its name as it can; never over a name that exists. Returns the name it has now.
std::string RenameAway(const FileHandle& folder, const std::string& name) {
    platform::FileService& fs = FileSystem();
    std::string current = name;
    for (std::size_t n = name.size(); n >= 1; --n) {
        const std::string zeros(n, '0');
        if (zeros == current)
            continue;
        errno = 0;
        if (fs.RenameAt(folder, current, zeros))
            current = zeros;
        else if (errno != EEXIST)
            break; // a file system without a rename that never replaces keeps the name
    }
    return current;
}

void Overwrote(WipeReport& report, const std::string& path, platform::OverwriteVerdict verdict) {
    ++report.Overwritten;
    report.Verdicts.push_back({path, std::move(verdict)});
}

// Wipes `name` inside the open folder `folder` (whose facts are `folderFacts`); `path` is its
// Windows path for the report. False when the file system was unmounted under the wipe, so
// that nothing more is done on it.
bool WipeAt(const FileHandle& folder, const FileFacts& folderFacts, const std::string& name,
            const std::string& path, WipeReport& report) {
    platform::FileService& fs = FileSystem();
    FileFacts entry;
    const bool exists = fs.FactsAt(folder, name, entry);
    if (exists && entry.IsFolder())
        return true; // not a file: a folder is never wiped as one
    if (exists && !entry.IsRegular()) {
        // A link, FIFO, socket or device holds no data of its own: the name goes, unopened.
        if (!fs.RemoveAt(folder, name, false))
            Fail(report, path, "could not be removed");
        return true;
    }
    if (exists && !entry.SameMount(folderFacts)) {
        Fail(report, path, "not overwritten: another file system is mounted on it");
        return true;
    }
    if (exists && entry.Links > 1) {
        // Overwriting would destroy the data under the other names, which lie outside the
        // user's choice; only this name goes.
        fs.RemoveAt(folder, name, false);
        Fail(report, path, "not overwritten: other links share its data");
        return true;
    }
    errno = 0;
    FileHandle file = fs.OpenForWipingAt(folder, name, !exists);
    if (!file.IsOpen()) {
        // A name that vanished meanwhile, or could not be made again, holds nothing to
        // overwrite; a file that is still there was left unwiped.
        const int error = errno;
        FileFacts still;
        if (fs.FactsAt(folder, name, still) && still.IsRegular())
            Fail(report, path,
                 "not overwritten: it could not be opened for writing" + ErrorSuffix(error));
        return true;
    }
    FileFacts facts;
    if (!fs.Facts(file, facts) || !facts.IsRegular() || facts.Links > 1) {
        Fail(report, path, "not overwritten: it changed before it could be wiped");
        return true;
    }
    // Where the old bytes lie is taken before the first pass, to tell afterwards whether the
    // passes went over them or elsewhere.
    const platform::BlockMap before = platform::MapBlocks(file);
    if (const std::string failure = OverwriteAllPasses(file, facts.Size); !failure.empty()) {
        Fail(report, path, failure);
        return true;
    }
    // A file system unmounted lazily lives on, out of reach, while the wipe holds it open:
    // its names no longer lead anywhere the user can see, so nothing more is done there.
    if (!platform::StillMounted(file)) {
        Fail(report, path, "not removed: its file system was unmounted during the wipe");
        return false;
    }
    platform::OverwriteVerdict verdict = platform::VerdictAfterOverwrite(file, before);
    // Only the name that still leads to the wiped file is removed: a name swapped meanwhile
    // belongs to someone else now.
    FileFacts now;
    if (!fs.FactsAt(folder, name, now)) {
        Overwrote(report, path, std::move(verdict)); // another run removed it after the passes
        return true;
    }
    if (!now.SameFile(facts)) {
        Fail(report, path, "overwritten, but its name now leads to another file and stays");
        return true;
    }
    const std::string last = RenameAway(folder, name);
    if (!fs.Close(file) || !fs.FactsAt(folder, last, now) || !now.SameFile(facts) ||
        !fs.RemoveAt(folder, last, false)) {
        Fail(report, path,
             "overwritten, but it could not be removed" +
                 (last == name ? std::string() : " (it is left as " + last + ")"));
        return true;
    }
    Overwrote(report, path, std::move(verdict));
    return true;
}

std::string CountedList(const std::string& head, const std::vector<std::string>& lines,
                        std::size_t shown) {
    std::string text = head;
    for (std::size_t i = 0; i < lines.size() && i < shown; ++i)
        text += "\n" + lines[i];
    if (lines.size() > shown)
        text += "\n(and " + std::to_string(lines.size() - shown) + " more)";
    return text;
}

// Why the old data of a file may survive, and what it then is under encryption.
std::string SurvivalReason(const platform::OverwriteVerdict& verdict) {
    if (verdict.encryption.empty())
        return verdict.reason;
    return verdict.reason + "; under " + verdict.encryption + " what remains is ciphertext";
}

std::string Files(std::size_t n) {
    return std::to_string(n) + (n == 1 ? " file" : " files");
}

// The folder-tree wipe as a visitor of the walk: files are wiped as they are met, folders go
// once the walk left them, and only as the caller asked.
class WipeVisitor : public platform::TreeVisitor {
public:
    WipeVisitor(std::string top, FolderRemoval removal) : top_(std::move(top)), removal_(removal) {}

    void File(const platform::WalkEntry& entry) override {
        if (vanished_)
            ++unreached_;
        else
            vanished_ = !WipeAt(entry.folder, entry.folderFacts, entry.name,
                                PathOf(entry.trail, entry.name), report_);
    }
    void Leave(const platform::WalkEntry& entry) override {
        if (removal_ != FolderRemoval::None && !vanished_)
            FileSystem().RemoveAt(entry.folder, entry.name, true); // only succeeds when empty
    }
    void OtherMount(const platform::WalkEntry& entry) override {
        Fail(report_, PathOf(entry.trail, entry.name),
             "not entered: another file system is mounted here");
    }
    void Lost(std::span<const std::string> trail) override {
        Fail(report_, PathOf(trail, ""), "not finished: the folder was moved during the wipe");
    }

    WipeReport Run() {
        platform::FileService& fs = FileSystem();
        FileHandle top = fs.OpenFolder(top_);
        FileFacts facts;
        if (!top.IsOpen() || !fs.Facts(top, facts) || !facts.IsFolder())
            return report_;
        if (platform::WalkTree(fs, std::move(top), *this) && removal_ == FolderRemoval::All &&
            !vanished_)
            RemoveTop(facts);
        if (unreached_ > 0)
            Fail(report_, top_,
                 "not finished: " + Files(unreached_) +
                     " not reached, as its file system was unmounted during the wipe");
        return report_;
    }

private:
    // The Windows path of a name below the top folder, built only when a report needs it.
    std::string PathOf(std::span<const std::string> trail, const std::string& name) const {
        std::string path = top_;
        for (const std::string& folder : trail)
            path = JoinWindows(path, folder);
        return name.empty() ? path : JoinWindows(path, name);
    }

    void RemoveTop(const FileFacts& facts) {
        platform::FileService& fs = FileSystem();
        const std::string posix = world::ToPosix(top_);
        const std::filesystem::path p(posix);
        FileHandle parent = fs.OpenFolder(world::ToWindows(p.parent_path().string()));
        FileFacts now;
        const std::string name = p.filename().string();
        if (parent.IsOpen() && fs.FactsAt(parent, name, now) && now.SameFile(facts))
            fs.RemoveAt(parent, name, true);
    }

    std::string top_;
    FolderRemoval removal_;
    WipeReport report_;
    bool vanished_ = false;
    std::size_t unreached_ = 0;
};

void ShowRootRefusal(const std::string& text, const ShredChooser& chooser) {
    platform::MsgBox(text, platform::vbOKOnly + platform::vbExclamation, chooser.Caption,
                     chooser.Owner);
}

// One box for what a shred left: the files not overwritten, then those whose old data may
// survive, then what may keep traces of the rest. Nothing is shown when every file was
// overwritten in place.
void ShowWhatWasLeft(const WipeReport& report, const ShredChooser& chooser) {
    std::string text = FailureSummary(report);
    if (const std::string survivors = SurvivorSummary(report); !survivors.empty())
        text += (text.empty() ? "" : "\n\n") + survivors;
    if (text.empty())
        return;
    for (const std::string& note : WipeNotes(report))
        text += "\n\nNote: " + note;
    platform::MsgBox(text, platform::vbOKOnly + platform::vbExclamation, chooser.Caption,
                     chooser.Owner);
}

bool IsWithin(const std::filesystem::path& inner, const std::filesystem::path& outer) {
    auto o = outer.begin();
    for (auto i = inner.begin(); o != outer.end(); ++i, ++o)
        if (i == inner.end() || *i != *o)
            return false;
    return true;
}

} // namespace

std::vector<const WipeVerdict*> WipeReport::MaySurvive() const {
    std::vector<const WipeVerdict*> left;
    for (const WipeVerdict& v : Verdicts)
        if (!v.Verdict.InPlace())
            left.push_back(&v);
    return left;
}

void WipeReport::Add(const WipeReport& other) {
    Overwritten += other.Overwritten;
    Verdicts.insert(Verdicts.end(), other.Verdicts.begin(), other.Verdicts.end());
    Failures.insert(Failures.end(), other.Failures.begin(), other.Failures.end());
}

std::string VerdictText(const platform::OverwriteVerdict& verdict) {
    if (verdict.InPlace())
        return "overwritten in place";
    return "deleted; the old data may survive: " + SurvivalReason(verdict);
}

std::vector<std::string> WipeNotes(const WipeReport& report) {
    std::vector<std::string> notes;
    const auto note = [&](const std::string& text) {
        if (!text.empty() && std::find(notes.begin(), notes.end(), text) == notes.end())
            notes.push_back(text);
    };
    for (const WipeVerdict& v : report.Verdicts) {
        // A removed name stays readable in the folder's blocks until they are reused, and in
        // the copies of them that a journal or copy-on-write keeps; the renames before the
        // removal only shorten what is left. Memory keeps no blocks to read.
        if (v.Verdict.reach != platform::Reach::Memory)
            note("the names of removed files may survive in their folders' blocks and in the "
                 "file system's journal, though each was renamed to 0s first");
        note(v.Verdict.caveat);
    }
    return notes;
}

std::string FailureSummary(const WipeReport& report, std::size_t shown) {
    if (report.Complete())
        return {};
    std::vector<std::string> lines;
    for (const WipeFailure& f : report.Failures)
        lines.push_back(f.Path + ": " + f.Reason);
    return CountedList(Files(lines.size()) + " could not be overwritten:", lines, shown);
}

std::string SurvivorSummary(const WipeReport& report, std::size_t shown) {
    std::vector<std::string> lines;
    for (const WipeVerdict* v : report.MaySurvive())
        lines.push_back(v->Path + ": " + SurvivalReason(v->Verdict));
    if (lines.empty())
        return {};
    return CountedList(Files(lines.size()) + " deleted, but the old data may survive:", lines,
                       shown);
}

std::int64_t WipeBlockCount(std::int64_t length) {
    if (length <= 0)
        return 0;
    std::int64_t blocks = length / kWipeBlockSize;
    const std::int64_t rest = length % kWipeBlockSize;
    const std::int64_t half = kWipeBlockSize / 2;
    if (rest > half || (rest == half && (blocks & 1) != 0))
        ++blocks;
    return blocks;
}

WipeReport WipeFile(const std::string& path) {
    WipeReport report;
    const std::string posix = path.empty() ? std::string() : world::ToPosix(path);
    const std::filesystem::path p(posix);
    const std::string name = p.filename().string();
    if (posix.empty() || name.empty() || name == "." || name == "..")
        return report;
    platform::FileService& fs = FileSystem();
    const FileHandle folder = fs.OpenFolder(world::ToWindows(p.parent_path().string()));
    FileFacts folderFacts;
    if (!folder.IsOpen() || !fs.Facts(folder, folderFacts)) {
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(p, ec)))
            Fail(report, path, "not overwritten: its folder could not be opened");
        return report;
    }
    WipeAt(folder, folderFacts, name, path, report);
    return report;
}

WipeReport WipeFolderTree(const std::string& folder, FolderRemoval removal) {
    if (platform::IsDriveRootPath(folder))
        return {};
    return WipeVisitor(folder, removal).Run();
}

std::string RootRefusalText(const std::string& path) {
    return path + " is the root folder of a drive. The root folder of a drive is never shredded.";
}

std::string ShredRefusal(const std::string& windowsPath) {
    if (platform::IsDriveRootPath(windowsPath))
        return RootRefusalText(windowsPath.empty() ? std::string("C:\\") : windowsPath);
    const std::string posix = world::ToPosix(windowsPath);
    if (posix.empty())
        return {};
    std::error_code ec;
    const auto target = std::filesystem::weakly_canonical(posix, ec);
    const auto prefix = std::filesystem::weakly_canonical(world::Prefix(), ec);
    const auto driveC = std::filesystem::weakly_canonical(world::DriveC(), ec);
    if (IsWithin(prefix, target) || (IsWithin(target, prefix) && !IsWithin(target, driveC)))
        return windowsPath + " holds the world's own folder (its drive C: and its stores). It is "
                             "never shredded.";
    if (platform::IsOnVirtualFileSystem(target.string()))
        return windowsPath + " is on a virtual file system of the kernel. It is never shredded.";
    return {};
}

ShredOutcome ShredSelectedFile(const ShredChooser& chooser) {
    ShredOutcome outcome;
    std::string error;
    std::string refused;
    {
        platform::Hourglass hourglass;
        const std::string path =
            modNormalisePath::NormalisePath(chooser.FilePath) + chooser.FileName;
        refused = ShredRefusal(path);
        if (refused.empty() &&
            platform::MsgBox("Shred " + path + " ?", platform::vbYesNo + platform::vbQuestion,
                             chooser.Caption, chooser.Owner) == platform::vbYes) {
            outcome.Confirmed = true;
            outcome.Report = WipeFile(path);
            if (chooser.RefreshFileList)
                error = chooser.RefreshFileList();
        }
    }
    // The pointer is back to normal (the hourglass ended above) before any box is shown.
    if (!refused.empty())
        ShowRootRefusal(refused, chooser);
    else if (!error.empty())
        platform::MsgBox(error, platform::vbOKOnly + platform::vbExclamation, chooser.Caption,
                         chooser.Owner);
    ShowWhatWasLeft(outcome.Report, chooser);
    return outcome;
}

ShredOutcome ShredFolder(const ShredChooser& chooser) {
    ShredOutcome outcome;
    std::string refused;
    {
        platform::Hourglass hourglass;
        refused = ShredRefusal(chooser.DirPath);
        if (refused.empty() &&
            platform::MsgBox("Shred " + chooser.DirPath + " and all its contents?",
                             platform::vbYesNo + platform::vbExclamation, chooser.Caption,
                             chooser.Owner) == platform::vbYes) {
            outcome.Confirmed = true;
            // The folders go with the walk, each once it is empty: a removal by force would
            // delete the files that could not be overwritten.
            outcome.Report = WipeFolderTree(chooser.DirPath, FolderRemoval::All);
            if (chooser.DriveChange)
                chooser.DriveChange();
        }
    }
    if (!refused.empty())
        ShowRootRefusal(refused, chooser);
    ShowWhatWasLeft(outcome.Report, chooser);
    return outcome;
}

} // namespace corvane::eraser

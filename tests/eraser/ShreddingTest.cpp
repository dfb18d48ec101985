// The file wipe, the folder-tree wipe and the two confirmed shredding actions, on real files
// in a temporary world, with a recording files service where counts matter.

#include "eraser/Shredding.h"
#include "platform/messageloop.h"
#include "platform/world.h"
#include "support/InPlace.h"
#include "support/RecordingFiles.h"
#include "support/TempWorld.h"
#include "support/Unprivileged.h"

#include <QCursor>
#include <QGuiApplication>
#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corvane::eraser {
namespace {

namespace fs = std::filesystem;
using testing::RecordingFiles;
using testing::TempWorld;

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Answers every box with a fixed code and keeps what was asked.
struct BoxLog {
    std::vector<platform::MessageBoxRequest> boxes;
    std::vector<bool> hourglassShown;
    platform::ScopedAnswerer scope;
    explicit BoxLog(int answer)
        : scope([this, answer](const platform::MessageBoxRequest& r) {
              boxes.push_back(r);
              const QCursor* c = QGuiApplication::overrideCursor();
              hourglassShown.push_back(c != nullptr && c->shape() == Qt::WaitCursor);
              return answer;
          }) {}
};

class WipeTest : public ::testing::Test {
protected:
    TempWorld world;
    fs::path dir = world.Posix("C:\\shred");
    void SetUp() override { fs::create_directories(dir); }
    std::string Win(const fs::path& p) const { return world::ToWindows(p.string()); }
};

TEST(WipeBlockCount, RoundsHalfToEven) {
    EXPECT_EQ(WipeBlockCount(0), 0);
    EXPECT_EQ(WipeBlockCount(100), 0);
    EXPECT_EQ(WipeBlockCount(4096), 0);
    EXPECT_EQ(WipeBlockCount(4097), 1);
    EXPECT_EQ(WipeBlockCount(8192), 1);
    EXPECT_EQ(WipeBlockCount(12000), 1);
    EXPECT_EQ(WipeBlockCount(12288), 2);
    EXPECT_EQ(WipeBlockCount(20480), 2); // 2.5 rounds down to the even 2
    EXPECT_EQ(WipeBlockCount(28672), 4); // 3.5 rounds up to the even 4
    EXPECT_EQ(WipeBlockCount(std::int64_t{1} << 40), std::int64_t{1} << 27);
}

// Each edge case: the blocks per pass, and the length the file reaches before it is deleted.
TEST_F(WipeTest, PassesBlocksAndFinalLengthFollowTheRoundedBlockCount) {
    struct Case {
        std::size_t size;
        int blocksPerPass;
        std::int64_t lengthAtDelete;
    };
    for (const Case& c : {Case{0, 1, 8192}, Case{100, 1, 8192}, Case{4096, 1, 8192},
                          Case{8192, 2, 16384}, Case{12000, 2, 16384}, Case{12288, 3, 24576}}) {
        SCOPED_TRACE(c.size);
        const fs::path file = TempWorld::Write(dir / "f.bin", std::string(c.size, 'a'));
        const std::string win = Win(file);
        RecordingFiles rec;
        const WipeReport report = WipeFile(win);
        EXPECT_TRUE(report.Complete());
        EXPECT_EQ(report.Overwritten, 1u);
        // One descriptor carries every pass: the path is never resolved again.
        EXPECT_EQ(rec.Count("readwrite", win), 1);
        EXPECT_EQ(rec.Count("flush", win), kWipePasses);
        EXPECT_EQ(rec.Count("write", win), kWipePasses * c.blocksPerPass);
        EXPECT_EQ(rec.sizeAtDelete[win], c.lengthAtDelete);
        EXPECT_FALSE(fs::exists(file));
        // Within a pass the blocks run from offset 0 upward, and a flush ends every pass.
        std::vector<std::int64_t> offsets;
        for (const auto& call : rec.calls) {
            if (call.op == "write")
                offsets.push_back(call.offset);
            if (call.op == "flush") {
                ASSERT_EQ(offsets.size(), static_cast<size_t>(c.blocksPerPass));
                for (int k = 0; k < c.blocksPerPass; ++k)
                    EXPECT_EQ(offsets[k], std::int64_t{k} * kWipeBlockSize);
                offsets.clear();
            }
        }
        EXPECT_TRUE(offsets.empty());
        EXPECT_EQ(rec.calls.back().op, "delete");
    }
}

TEST_F(WipeTest, TheFileHoldsOnlyHashesToTheRoundedLengthBeforeItIsDeleted) {
    const fs::path file = TempWorld::Write(dir / "secret.txt", std::string(12000, 's'));
    const std::string win = Win(file);
    RecordingFiles rec;
    std::string seen;
    rec.before = [&](const std::string& op, const std::string&) {
        if (op == "rename" && seen.empty()) // the last moment the file has its own name
            seen = Read(file);
    };
    WipeFile(win);
    EXPECT_EQ(seen, std::string(16384, '#'));
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(WipeTest, AVanishedPathIsCreatedWipedWithOneBlockAndLeavesNothing) {
    const std::string win = Win(dir / "gone.txt");
    RecordingFiles rec;
    WipeFile(win);
    EXPECT_EQ(rec.Count("write", win), kWipePasses);
    EXPECT_EQ(rec.sizeAtDelete[win], 8192);
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(WipeTest, AReadOnlyFileIsWipedBecauseItsAttributesAreClearedFirst) {
    const fs::path file = TempWorld::Write(dir / "ro.txt", "read only");
    fs::permissions(file, fs::perms::owner_read);
    RecordingFiles rec;
    std::string seen;
    rec.before = [&](const std::string& op, const std::string&) {
        if (op == "rename" && seen.empty()) // the last moment the file has its own name
            seen = Read(file);
    };
    WipeFile(Win(file));
    EXPECT_EQ(seen, std::string(8192, '#'));
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(WipeTest, ALinkIsRemovedAndItsTargetLeftUntouched) {
    const fs::path target = TempWorld::Write(world.Root() / "target.txt", "keep me");
    fs::permissions(target, fs::perms::owner_read);
    fs::create_symlink(target, dir / "link.txt");
    const fs::path folderTarget = world.Root() / "folder-target";
    TempWorld::Write(folderTarget / "inner.txt", "keep me too");
    fs::create_directory_symlink(folderTarget, dir / "link-dir");

    WipeFile(Win(dir / "link.txt"));
    WipeFolderTree(Win(dir));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "link.txt")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "link-dir")));
    EXPECT_EQ(Read(target), "keep me");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(Read(folderTarget / "inner.txt"), "keep me too");
}

TEST_F(WipeTest, FifosAndSocketsAreNeverOpenedForOverwriting) {
    const fs::path fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path sock = dir / "sock";
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sock.c_str());
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    RecordingFiles rec;
    // A FIFO opened for writing would block for ever; reaching the end proves it never was.
    WipeFile(Win(fifo));
    WipeFile(Win(sock));
    ::close(s);
    EXPECT_EQ(rec.Count("write"), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(fifo)));
    EXPECT_FALSE(fs::exists(fs::symlink_status(sock)));
}

TEST_F(WipeTest, RefusedAccessLeavesTheFileAsItWas) {
    const fs::path file = TempWorld::Write(dir / "locked.txt", "in use");
    const std::string win = Win(file);
    RecordingFiles rec;
    rec.refuse[win] = {"readwrite"};
    const WipeReport report = WipeFile(win);
    EXPECT_EQ(Read(file), "in use");
    EXPECT_EQ(rec.Count("write"), 0);
    // A file that was not overwritten is left in place and said so, never deleted unwiped.
    EXPECT_EQ(rec.Count("delete", win), 0);
    ASSERT_EQ(report.Failures.size(), 1u);
    EXPECT_EQ(report.Failures[0].Path, win);
    EXPECT_NE(report.Failures[0].Reason.find("not overwritten"), std::string::npos);
    EXPECT_EQ(report.Overwritten, 0u);
}

// Any failing write or flush, on any pass, leaves the file where it is and says which.
TEST_F(WipeTest, AFailedWriteOrFlushLeavesTheFileInPlace) {
    for (const std::string op : {"write", "flush"}) {
        SCOPED_TRACE(op);
        const fs::path file = TempWorld::Write(dir / "f.txt", "data");
        const std::string win = Win(file);
        RecordingFiles rec;
        rec.refuse[win] = {op};
        const WipeReport report = WipeFile(win);
        EXPECT_TRUE(fs::exists(file));
        EXPECT_EQ(rec.Count("delete"), 0);
        ASSERT_EQ(report.Failures.size(), 1u);
        EXPECT_NE(report.Failures[0].Reason.find(op == "write" ? "write failed" : "flushing"),
                  std::string::npos);
        // The wipe stops at the first failure instead of pretending the other passes help.
        EXPECT_EQ(rec.Count("flush"), op == "write" ? 0 : 1);
        fs::remove(file);
    }
}

// Really refused access: an unprivileged process shreds a file it may read but not change, in a
// folder it may write: the file stays whole, and the command says so.
TEST_F(WipeTest, AnUnprivilegedShredderCannotChangeAnotherUsersFile) {
    testing::Unprivileged nobody;
    if (const std::string why = nobody.Unavailable(); !why.empty())
        GTEST_SKIP() << why;
    const fs::path prefix = world.Root() / "nobody-world";
    fs::create_directories(prefix);
    ASSERT_EQ(::chown(prefix.c_str(), nobody.Uid(), nobody.Gid()), 0);
    const fs::path file = TempWorld::Write(dir / "root-owned.txt", "root's data");
    fs::permissions(dir, fs::perms::all); // nobody may delete names here, but not write the file
    fs::permissions(world.Prefix(), fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(world.Root(), fs::perms::others_exec, fs::perm_options::add);

    const auto r = nobody.Run({"--prefix", prefix.string(), "--yes", "shred", file.string()});
    EXPECT_EQ(r.exitCode, 1) << r.err; // the shred did not happen, and says so
    EXPECT_NE(r.err.find("root-owned.txt: not overwritten"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("is still there"), std::string::npos) << r.err;
    EXPECT_EQ(Read(file), "root's data");
}

// A file the user owns but may neither read nor write is still wiped: the owner may give
// themselves read and write first, as clearing the read-only attribute would.
TEST_F(WipeTest, AnUnprivilegedOwnerWipesTheirOwnUnreadableFile) {
    testing::Unprivileged nobody;
    if (const std::string why = nobody.Unavailable(); !why.empty())
        GTEST_SKIP() << why;
    const fs::path prefix = world.Root() / "nobody-world";
    fs::create_directories(prefix);
    ASSERT_EQ(::chown(prefix.c_str(), nobody.Uid(), nobody.Gid()), 0);
    fs::permissions(world.Root(), fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(world.Prefix(), fs::perms::others_exec, fs::perm_options::add);
    ASSERT_EQ(::chown(dir.c_str(), nobody.Uid(), nobody.Gid()), 0);
    for (const auto mode : {0000, 0200, 0400}) {
        SCOPED_TRACE(mode);
        const fs::path file = TempWorld::Write(dir / "mine.txt", "my secret");
        ASSERT_EQ(::chown(file.c_str(), nobody.Uid(), nobody.Gid()), 0);
        ASSERT_EQ(::chmod(file.c_str(), static_cast<mode_t>(mode)), 0);
        const auto r = nobody.Run({"--prefix", prefix.string(), "shred", file.string(), "--yes"});
        EXPECT_EQ(r.exitCode, testing::ShredStatusIn(world.Root())) << r.err;
        EXPECT_FALSE(fs::exists(file));
    }
}

// Before it goes the name becomes 0s, one shorter each time, skipping a name that is taken,
// whose file stays as it was; where the renames are refused the file still goes by its name.
TEST_F(WipeTest, TheNameBecomesZerosOfDecreasingLengthNeverOverAnotherFile) {
    const fs::path taken = TempWorld::Write(dir / "000", "another file");
    const fs::path file = TempWorld::Write(dir / "abcde", "secret");
    RecordingFiles rec;
    std::vector<std::string> namesAtDelete;
    rec.before = [&](const std::string& op, const std::string&) {
        if (op == "delete")
            for (const auto& e : fs::directory_iterator(dir))
                namesAtDelete.push_back(e.path().filename().string());
    };
    EXPECT_TRUE(WipeFile(Win(file)).Complete());
    EXPECT_EQ(rec.Count("rename", Win(file)), 5); // 00000, 0000, 000 (taken), 00, 0
    std::sort(namesAtDelete.begin(), namesAtDelete.end());
    EXPECT_EQ(namesAtDelete, (std::vector<std::string>{"0", "000"}));
    EXPECT_EQ(Read(taken), "another file");

    const fs::path refused = TempWorld::Write(dir / "kept-name", "secret");
    rec.refuse[Win(refused)] = {"rename"};
    const WipeReport report = WipeFile(Win(refused));
    EXPECT_TRUE(report.Complete()) << FailureSummary(report);
    EXPECT_FALSE(fs::exists(refused));
    EXPECT_EQ(Read(taken), "another file");
}

TEST_F(WipeTest, FolderTreeWipesFilesBeforeSubfoldersAndRemovesNoFolder) {
    TempWorld::Write(dir / "a.txt", "a");
    TempWorld::Write(dir / "sub" / "b.txt", "b");
    TempWorld::Write(dir / "sub" / "deeper" / "c.txt", "c");
    TempWorld::Write(dir / "other" / "d.txt", "d");
    RecordingFiles rec;
    EXPECT_EQ(WipeFolderTree(Win(dir)).Overwritten, 4u);
    std::vector<std::string> deleted;
    for (const auto& c : rec.calls)
        if (c.op == "delete")
            deleted.push_back(world::ToPosix(c.path));
    ASSERT_EQ(deleted.size(), 4u);
    EXPECT_EQ(deleted[0], (dir / "a.txt").string());
    // Depth first: c.txt follows b.txt directly, whichever subfolder comes first.
    const auto b = std::find(deleted.begin(), deleted.end(), (dir / "sub" / "b.txt").string());
    ASSERT_NE(b, deleted.end());
    EXPECT_EQ(*(b + 1), (dir / "sub" / "deeper" / "c.txt").string());
    EXPECT_TRUE(fs::is_directory(dir / "sub" / "deeper"));
    EXPECT_TRUE(fs::is_directory(dir / "other"));
    EXPECT_EQ(rec.Count("deletefolder") + rec.Count("removefolder"), 0);
}

TEST_F(WipeTest, AFileThatVanishesDuringTheWalkLeavesNothingBehind) {
    TempWorld::Write(dir / "one.txt", "1");
    TempWorld::Write(dir / "two.txt", "2");
    RecordingFiles rec;
    bool removed = false;
    rec.before = [&](const std::string& op, const std::string&) {
        if (op == "readwrite" && !removed) {
            removed = true;
            fs::remove(dir / "one.txt");
            fs::remove(dir / "two.txt");
        }
    };
    // Nothing is left, so nothing is reported, and no file is made again.
    const WipeReport report = WipeFolderTree(Win(dir));
    EXPECT_TRUE(report.Complete()) << FailureSummary(report);
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_EQ(rec.Count("write"), 0);
}

TEST_F(WipeTest, TheRootOfADriveIsNeverWalked) {
    TempWorld::Write(world.Posix("C:\\top.txt"), "top");
    RecordingFiles rec;
    WipeFolderTree("C:\\");
    WipeFolderTree("Z:\\");
    WipeFolderTree("");
    EXPECT_TRUE(rec.calls.empty());
    EXPECT_EQ(Read(world.Posix("C:\\top.txt")), "top");
}

class ShredActionTest : public WipeTest {
protected:
    ShredChooser Chooser() {
        ShredChooser c;
        c.FilePath = Win(dir);
        c.DirPath = Win(dir / "tree");
        c.RefreshFileList = [this] {
            ++refreshes;
            return refreshError;
        };
        c.DriveChange = [this] { ++driveChanges; };
        return c;
    }
    int refreshes = 0;
    int driveChanges = 0;
    std::string refreshError;
    // A shred ends with a box of its own where the file system keeps the old data.
    std::size_t verdictBox = testing::OverwritesInPlace(world.Root()) ? 0 : 1;
};

TEST_F(ShredActionTest, ShredSelectedFileAsksThenWipesAndRefreshes) {
    const fs::path file = TempWorld::Write(dir / "pick.txt", "x");
    ShredChooser c = Chooser();
    c.FileName = "pick.txt";
    BoxLog log(platform::vbYes);
    ShredSelectedFile(c);
    ASSERT_EQ(log.boxes.size(), 1u + verdictBox);
    EXPECT_EQ(log.boxes[0].text, "Shred " + Win(dir) + "\\pick.txt ?");
    EXPECT_EQ(log.boxes[0].title, "Corvane");
    EXPECT_EQ(log.boxes[0].style, platform::vbYesNo + platform::vbQuestion);
    EXPECT_TRUE(log.hourglassShown[0]);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(refreshes, 1);
}

TEST_F(ShredActionTest, NoAnswerChangesNothingAndRestoresThePointer) {
    const fs::path file = TempWorld::Write(dir / "pick.txt", "x");
    TempWorld::Write(dir / "tree" / "t.txt", "t");
    ShredChooser c = Chooser();
    c.FileName = "pick.txt";
    RecordingFiles rec;
    BoxLog log(platform::vbNo);
    ShredSelectedFile(c);
    ShredFolder(c);
    EXPECT_EQ(log.boxes.size(), 2u);
    EXPECT_TRUE(rec.calls.empty());
    EXPECT_EQ(Read(file), "x");
    EXPECT_EQ(Read(dir / "tree" / "t.txt"), "t");
    EXPECT_EQ(refreshes + driveChanges, 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(ShredActionTest, WithNoFileSelectedTheQuestionShowsTheFolderPath) {
    ShredChooser c = Chooser();
    c.FilePath = Win(dir) + "\\";
    BoxLog log(platform::vbNo);
    ShredSelectedFile(c);
    ASSERT_EQ(log.boxes.size(), 1u);
    EXPECT_EQ(log.boxes[0].text, "Shred " + Win(dir) + "\\ ?");
}

TEST_F(ShredActionTest, ARefreshErrorIsShownAfterThePointerIsRestored) {
    TempWorld::Write(dir / "pick.txt", "x");
    ShredChooser c = Chooser();
    c.FileName = "pick.txt";
    refreshError = "Path not found";
    BoxLog log(platform::vbYes);
    ShredSelectedFile(c);
    ASSERT_EQ(log.boxes.size(), 2u + verdictBox);
    EXPECT_EQ(log.boxes[1].text, "Path not found");
    EXPECT_EQ(log.boxes[1].style, platform::vbOKOnly + platform::vbExclamation);
    EXPECT_EQ(log.boxes[1].title, "Corvane");
    EXPECT_FALSE(log.hourglassShown[1]);
}

TEST_F(ShredActionTest, ShredFolderWipesEveryFileThenRemovesTheTree) {
    const fs::path tree = dir / "tree";
    TempWorld::Write(tree / "a.txt", std::string(100, 'a'));
    TempWorld::Write(tree / "x" / "y" / "b.txt", std::string(9000, 'b'));
    RecordingFiles rec;
    BoxLog log(platform::vbYes);
    ShredFolder(Chooser());
    ASSERT_EQ(log.boxes.size(), 1u + verdictBox);
    EXPECT_EQ(log.boxes[0].text, "Shred " + Win(tree) + " and all its contents?");
    EXPECT_EQ(log.boxes[0].style, platform::vbYesNo + platform::vbExclamation);
    EXPECT_TRUE(log.hourglassShown[0]);
    EXPECT_FALSE(fs::exists(tree));
    EXPECT_EQ(rec.Count("readwrite"), 2);
    EXPECT_EQ(rec.Count("flush"), 2 * kWipePasses);
    // Both files were overwritten before the folder went.
    ASSERT_EQ(rec.calls.back().op, "removefolder");
    EXPECT_EQ(rec.calls.back().path, Win(tree));
    EXPECT_EQ(rec.Count("delete"), 2);
    EXPECT_EQ(driveChanges, 1);
}

// Files that could not be overwritten stay, with the folders that hold them, and one box
// counts them and names the first few; the files that could be wiped are gone.
TEST_F(ShredActionTest, FilesLeftBehindAreCountedInOneBoxAndKept) {
    const fs::path tree = dir / "tree";
    const fs::path kept1 = TempWorld::Write(tree / "a" / "kept1.txt", "one");
    const fs::path kept2 = TempWorld::Write(tree / "kept2.txt", "two");
    TempWorld::Write(tree / "gone.txt", "gone");
    RecordingFiles rec;
    rec.refuse[Win(kept1)] = {"readwrite"};
    rec.refuse[Win(kept2)] = {"flush"};
    BoxLog log(platform::vbYes);
    const ShredOutcome outcome = ShredFolder(Chooser());
    EXPECT_TRUE(outcome.Confirmed);
    EXPECT_EQ(outcome.Report.Overwritten, 1u);
    ASSERT_EQ(log.boxes.size(), 2u);
    EXPECT_EQ(log.boxes[1].text.rfind("2 files could not be overwritten:", 0), 0u)
        << log.boxes[1].text;
    EXPECT_NE(log.boxes[1].text.find(Win(kept1)), std::string::npos);
    EXPECT_NE(log.boxes[1].text.find(Win(kept2)), std::string::npos);
    EXPECT_EQ(log.boxes[1].style, platform::vbOKOnly + platform::vbExclamation);
    EXPECT_FALSE(log.hourglassShown[1]);
    EXPECT_EQ(Read(kept1), "one");
    EXPECT_FALSE(fs::exists(tree / "gone.txt"));

    // The single-file action names its one file the same way.
    ShredChooser c = Chooser();
    c.FilePath = Win(tree);
    c.FileName = "kept2.txt";
    BoxLog again(platform::vbYes);
    ShredSelectedFile(c);
    ASSERT_EQ(again.boxes.size(), 2u);
    EXPECT_EQ(again.boxes[1].text.rfind("1 file could not be overwritten:\n" + Win(kept2), 0), 0u);
    // A pass whose flush failed may have changed the bytes, but the file stays to say so.
    EXPECT_TRUE(fs::exists(kept2));
}

TEST(FailureSummary, NamesTheFirstFewAndCountsTheRest) {
    WipeReport report;
    EXPECT_EQ(FailureSummary(report), "");
    for (int i = 0; i < 7; ++i)
        report.Failures.push_back({"C:\\f" + std::to_string(i), "why"});
    const std::string text = FailureSummary(report, 5);
    EXPECT_EQ(text.rfind("7 files could not be overwritten:\nC:\\f0: why\n", 0), 0u) << text;
    EXPECT_NE(text.find("C:\\f4: why\n(and 2 more)"), std::string::npos) << text;
    EXPECT_EQ(text.find("C:\\f5"), std::string::npos);
}

// Files only deleted are listed, in place ones never; what survives under encryption is said
// to be ciphertext, and memory keeps no names in blocks.
TEST(SurvivorSummary, ListsOnlyWhatWasNotOverwrittenInPlace) {
    platform::OverwriteVerdict inPlace, cow, memory;
    inPlace.reach = platform::Reach::InPlace;
    cow = {platform::Reach::CopyOnWrite, "btrfs", "copy-on-write", "", "dm-crypt"};
    memory = {platform::Reach::Memory, "tmpfs", "in memory", "", ""};
    WipeReport report;
    report.Verdicts = {{"C:\\a", inPlace}, {"C:\\b", cow}, {"C:\\c", memory}};
    EXPECT_EQ(SurvivorSummary(report), "2 files deleted, but the old data may survive:\nC:\\b: "
                                       "copy-on-write; under dm-crypt what remains is ciphertext\n"
                                       "C:\\c: in memory");
    report.Verdicts = {{"C:\\a", inPlace}, {"C:\\c", memory}};
    EXPECT_EQ(WipeNotes(report).size(), 1u); // the name note, for the file in place
    report.Verdicts.pop_back();
    EXPECT_EQ(SurvivorSummary(report), "");
}

// A yield inside the wipe can run the same action again (a second click); the inner run takes
// the tree, and the outer walk skips what is gone without harm.
TEST_F(ShredActionTest, AShredReenteredThroughAYieldFinishesCleanly) {
    const fs::path tree = dir / "tree";
    for (int i = 0; i < 4; ++i)
        TempWorld::Write(tree / ("f" + std::to_string(i)) / "data.txt", "d");
    RecordingFiles rec;
    BoxLog log(platform::vbYes);
    int depth = 0;
    rec.before = [&](const std::string& op, const std::string&) {
        if (op == "readwrite" && depth == 0) {
            ++depth;
            ShredFolder(Chooser());
        }
    };
    ShredFolder(Chooser());
    EXPECT_FALSE(fs::exists(tree));
    EXPECT_EQ(std::count_if(log.boxes.begin(), log.boxes.end(),
                            [](const auto& box) { return box.text.rfind("Shred ", 0) == 0; }),
              2);
    EXPECT_LE(log.boxes.size(), 2u + 2 * verdictBox);
    EXPECT_EQ(driveChanges, 2);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(ShredActionTest, TheRootOfADriveIsRefusedWithABoxAndNothingTouched) {
    TempWorld::Write(world.Posix("C:\\top.txt"), "top");
    for (const std::string root : {"C:\\", "Z:\\", "c:", "Z:\\tmp\\.."}) {
        SCOPED_TRACE(root);
        ShredChooser c = Chooser();
        c.FilePath = root;
        c.DirPath = root;
        RecordingFiles rec;
        BoxLog log(platform::vbYes);
        ShredFolder(c);
        ShredSelectedFile(c);
        EXPECT_TRUE(rec.calls.empty());
        ASSERT_EQ(log.boxes.size(), 2u);
        for (const auto& box : log.boxes) {
            EXPECT_NE(box.text.find("root folder of a drive"), std::string::npos);
            EXPECT_EQ(box.style, platform::vbOKOnly + platform::vbExclamation);
            EXPECT_EQ(box.title, "Corvane");
        }
        EXPECT_EQ(driveChanges + refreshes, 0);
    }
    EXPECT_EQ(Read(world.Posix("C:\\top.txt")), "top");
}

} // namespace
} // namespace corvane::eraser

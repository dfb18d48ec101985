// Erasing rows from a database another program owns: nothing erased is left in the file, its log
// or the disk's free blocks, whatever journal the file keeps, even when there is no room to
// compact it; and a file that cannot be trusted is left exactly as it was.

#include "browsers/StoreDatabase.h"
#include "browsers/BrowserHome.h"
#include "support/LoopDisk.h"
#include "support/TempWorld.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace corvane::browsers {
namespace {

using testing::Exec;
using testing::LoopDisk;
using testing::Query;
using testing::ReadBytes;
namespace fs = std::filesystem;

// `kept` rows that stay, then rows enough to span many pages, each holding the marker, then one
// more row that stays.
std::string Fill(const std::string& mode, const char* marker, int kept = 0) {
    const auto rows = [](int count, const std::string& value) {
        return "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
               std::to_string(count) + ") INSERT INTO t SELECT " + value + " FROM n;";
    };
    return "PRAGMA journal_mode=" + mode + "; CREATE TABLE t (v TEXT);" +
           (kept ? rows(kept, "'bulk' || hex(randomblob(200))") : "") +
           rows(400, std::string("'") + marker + "-' || i || hex(randomblob(40))") +
           "INSERT INTO t VALUES ('kept-row');";
}

bool EraseMarked(sqlite::Database& db, long& count, std::string& error) {
    return EraseRows(db, "DELETE FROM t WHERE v LIKE 'corvmark%'", count, error);
}

// A file a crashed browser left: its last rows only in the write-ahead log beside it.
void LeaveLogBehind(const fs::path& file, const char* marker) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((file.string() + ".live").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, ("PRAGMA wal_autocheckpoint=0;" + Fill("WAL", marker)).c_str(),
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    fs::copy_file(file.string() + ".live", file);
    fs::copy_file(file.string() + ".live-wal", file.string() + "-wal");
    sqlite3_close(db);
    fs::remove(file.string() + ".live");
}

TEST(StoreDatabase, NoErasedByteIsLeftOnTheDiskWhateverTheJournal) {
    // The stores are made elsewhere and copied in, so the disk holds no copy of its own making.
    testing::TempWorld world;
    const fs::path mount = world.Root() / "mnt";
    LoopDisk image(world.Root() / "image", mount, "ext4", {}, 64);
    if (!image.Unavailable().empty())
        GTEST_SKIP() << image.Unavailable();
    const std::string modes[] = {"WAL", "DELETE", "TRUNCATE", "PERSIST"};
    for (const std::string& mode : modes) {
        const fs::path file = world.Root() / ("store-" + mode + ".sqlite");
        ASSERT_TRUE(Exec(file, Fill(mode, ("corvmark-" + mode).c_str()))) << mode;
    }
    LeaveLogBehind(world.Root() / "crashed.sqlite", "corvmark-crashed");
    for (const auto& entry : fs::directory_iterator(world.Root()))
        if (entry.path().string().find(".sqlite") != std::string::npos)
            fs::copy_file(entry.path(), mount / entry.path().filename());
    ::sync();
    for (const auto& entry : fs::directory_iterator(mount)) {
        if (entry.path().extension() != ".sqlite")
            continue;
        const DatabaseClean done = CleanDatabase(entry.path(), EraseMarked);
        EXPECT_TRUE(done.ok) << done.problem;
        EXPECT_EQ(done.count, 400) << entry.path();
        EXPECT_EQ(Query(entry.path(), "SELECT group_concat(v) FROM t"), "kept-row");
    }
    EXPECT_EQ(Query(mount / "store-DELETE.sqlite", "PRAGMA journal_mode"), "delete");
    image.Detach();
    const std::string raw = ReadBytes(world.Root() / "image");
    EXPECT_NE(raw.find("kept-row"), std::string::npos); // the search does see the disk
    for (const char* marker : {"corvmark-WAL", "corvmark-DELETE", "corvmark-TRUNCATE",
                               "corvmark-PERSIST", "corvmark-crashed"})
        EXPECT_EQ(raw.find(marker), std::string::npos) << marker;
}

TEST(StoreDatabase, WithoutRoomToCompactTheRowsAreStillOverwritten) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "a small file system of its own needs root";
    testing::TempWorld world;
    const fs::path mount = world.Root() / "small";
    fs::create_directories(mount);
    const testing::ScopedMount disk("tmpfs", mount, "tmpfs", "size=4m");
    ASSERT_TRUE(disk.Mounted());
    const fs::path file = mount / "full.sqlite";
    ASSERT_TRUE(Exec(file, Fill("WAL", "corvmark-full", 4000)));
    // What is left free holds the changed pages, but not the copy of the whole file that
    // compacting needs.
    const auto size = fs::file_size(file);
    std::ofstream(mount / "filler", std::ios::binary)
        << std::string(static_cast<size_t>(fs::space(mount).available - size / 4), 'f');
    const DatabaseClean done = CleanDatabase(file, EraseMarked);
    EXPECT_TRUE(done.ok) << done.problem;
    EXPECT_NE(done.note.find("not compacted"), std::string::npos) << done.note;
    EXPECT_EQ(Query(file, "SELECT count(*) FROM t WHERE v LIKE 'corvmark%'"), "0");
    EXPECT_EQ((ReadBytes(file) + ReadBytes(file.string() + "-wal")).find("corvmark-full"),
              std::string::npos);
}

TEST(StoreDatabase, WhatCannotBeTrustedIsLeftExactlyAsItWas) {
    testing::TempWorld world;
    const fs::path root = world.Root();
    // A sound header over a page that is not: SQLite's check finds it, the clean keeps out.
    const fs::path broken = root / "broken.sqlite";
    ASSERT_TRUE(Exec(broken, Fill("DELETE", "corvmark-broken")));
    {
        std::fstream f(broken, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4096 * 3 + 100);
        f << std::string(600, '\xee');
    }
    // A FIFO would block whoever opens it; a link leads elsewhere, and so does a log that is one.
    ASSERT_EQ(::mkfifo((root / "fifo.sqlite").c_str(), 0600), 0);
    ASSERT_TRUE(Exec(root / "target.sqlite", Fill("DELETE", "corvmark-target")));
    fs::create_symlink(root / "target.sqlite", root / "link.sqlite");
    ASSERT_TRUE(Exec(root / "logged.sqlite", Fill("DELETE", "corvmark-logged")));
    fs::create_symlink(root / "elsewhere", root / "logged.sqlite-journal");
    const std::string before =
        ReadBytes(broken) + ReadBytes(root / "target.sqlite") + ReadBytes(root / "logged.sqlite");

    for (const char* name : {"broken.sqlite", "fifo.sqlite", "link.sqlite", "logged.sqlite"}) {
        const DatabaseClean done = CleanDatabase(root / name, EraseMarked);
        EXPECT_FALSE(done.ok) << name;
        EXPECT_NE(done.problem.find("left alone"), std::string::npos) << done.problem;
    }
    EXPECT_EQ(ReadBytes(broken) + ReadBytes(root / "target.sqlite") +
                  ReadBytes(root / "logged.sqlite"),
              before);
    EXPECT_FALSE(fs::exists(root / "elsewhere"));
    // A missing store is no work and no fault.
    EXPECT_TRUE(CleanDatabase(root / "missing.sqlite", EraseMarked).ok);
    EXPECT_FALSE(fs::exists(root / "missing.sqlite"));
}

} // namespace
} // namespace corvane::browsers

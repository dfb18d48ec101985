#include "platform/shell.h"

#include "platform/world.h"
#include "support/TempWorld.h"

#include <QFile>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace corvane::platform;
using corvane::testing::TempWorld;
namespace fs = std::filesystem;
namespace world = corvane::world;

TEST(RecentDocs, EmptyingTheListClearsRecentWithoutFollowingLinks) {
    TempWorld w;
    const fs::path recent = w.Posix(world::ProfilePath() + "\\Recent");
    const fs::path outside = w.Root() / "outside";
    TempWorld::Write(outside / "precious.txt", "keep me");
    TempWorld::Write(recent / "a.doc.lnk", "link");
    TempWorld::Write(recent / "Sub" / "b.lnk", "link");
    fs::create_symlink(outside, recent / "to-outside");
    fs::create_symlink(outside / "precious.txt", recent / "file-link");
    ::mkfifo((recent / "pipe").c_str(), 0600);

    SHAddToRecentDocs(0, nullptr);
    EXPECT_TRUE(fs::is_directory(recent));
    EXPECT_TRUE(fs::is_empty(recent));
    EXPECT_TRUE(fs::exists(outside / "precious.txt"));

    // An item to add is not something this world keeps; nothing is touched.
    TempWorld::Write(recent / "c.lnk", "link");
    SHAddToRecentDocs(SHARD_PATHA, "C:\\x.txt");
    EXPECT_TRUE(fs::exists(recent / "c.lnk"));
}

TEST(RecentDocs, DesktopListBecomesAnEmptyValidList) {
    TempWorld w;
    const fs::path xbel = w.Root() / "data" / "recently-used.xbel";
    TempWorld::Write(xbel, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xbel version=\"1.0\">"
                           "<bookmark href=\"file:///home/u/secret.pdf\"/></xbel>\n");
    fs::permissions(xbel, fs::perms::owner_read | fs::perms::owner_write);
    SHAddToRecentDocs(0, nullptr);

    QFile file(QString::fromStdString(xbel.string()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    int elements = 0;
    QString root;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement) {
            if (elements++ == 0)
                root = xml.name().toString();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(root, "xbel");
    EXPECT_EQ(elements, 1);
    EXPECT_EQ(fs::status(xbel).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    // No temporary file is left beside it.
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(xbel.parent_path()))
        ++entries;
    EXPECT_EQ(entries, 1u);
}

TEST(RecentDocs, ADesktopWithoutAListStaysWithoutOne) {
    TempWorld w;
    SHAddToRecentDocs(0, nullptr);
    EXPECT_FALSE(fs::exists(w.Root() / "data" / "recently-used.xbel"));
    // Without XDG_DATA_HOME the list lives under the home folder.
    const fs::path home = fs::path(std::getenv("HOME"));
    const fs::path xbel = home / ".local/share/recently-used.xbel";
    ::unsetenv("XDG_DATA_HOME"); // TempWorld puts it back
    TempWorld::Write(xbel, "<xbel version=\"1.0\"><bookmark href=\"file:///x\"/></xbel>");
    SHAddToRecentDocs(0, nullptr);
    QFile file(QString::fromStdString(xbel.string()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("bookmark href"));
    fs::remove(xbel);
}

#include "controls/ByteItems.h"

#include <QListWidget>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using corvane::controls::AddByteItem;
using corvane::controls::AddByteItems;
using corvane::controls::ItemBytes;

namespace {

// A run added at once keeps each entry's exact bytes, in order, after what the list held, and
// shows the same text the one-at-a-time path shows; the view learns of the rows all the same.
TEST(ByteItems, RunKeepsBytesOrderAndTextOfSingleAdds) {
    const std::vector<std::string> run = {"http://caf\xe9.example/", "",
                                          "http://b.example/\xff\xfe",
                                          "http://\xc3\xa9t\xc3\xa9.example/"};
    QListWidget bulk;
    QListWidget single;
    AddByteItem(bulk, "first");
    AddByteItem(single, "first");
    QSignalSpy inserted(bulk.model(), &QAbstractItemModel::rowsInserted);
    AddByteItems(bulk, run);
    for (const std::string& bytes : run)
        AddByteItem(single, bytes);

    EXPECT_EQ(inserted.count(), 1) << "one insertion for the whole run";
    ASSERT_EQ(bulk.count(), 5);
    ASSERT_EQ(single.count(), 5);
    for (int row = 0; row < bulk.count(); ++row) {
        EXPECT_EQ(ItemBytes(bulk.item(row)), ItemBytes(single.item(row))) << row;
        EXPECT_EQ(bulk.item(row)->text(), single.item(row)->text()) << row;
    }
    EXPECT_EQ(ItemBytes(bulk.item(1)), run[0]);
    EXPECT_EQ(ItemBytes(bulk.item(3)), run[2]);

    AddByteItems(bulk, {});
    EXPECT_EQ(bulk.count(), 5);
}

} // namespace

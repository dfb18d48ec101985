#pragma once
// List items that carry the system's own bytes. A cache address is 8-bit text that need not be
// valid UTF-8; the list can only show it in a readable form, so each item keeps the exact bytes
// beside the text, and whatever is done with the item (deleting the cache entry, opening the
// address) uses those bytes and never the text shown.

#include <QListWidget>

#include <string>
#include <vector>

namespace corvane::controls {

/// The item data role that holds an item's exact bytes (a QByteArray).
inline constexpr int kItemBytesRole = Qt::UserRole + 1;

/// Adds an item that shows `bytes` readably and keeps them exactly.
void AddByteItem(QListWidget& list, const std::string& bytes);

/// Adds one such item per entry of `all`, in order, with one insertion for the whole run.
void AddByteItems(QListWidget& list, const std::vector<std::string>& all);

/// The exact bytes of `item` (its text as UTF-8 when it was added as plain text; "" for null).
std::string ItemBytes(const QListWidgetItem* item);

} // namespace corvane::controls

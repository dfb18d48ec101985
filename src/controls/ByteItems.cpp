#include "controls/ByteItems.h"

#include <QByteArray>

namespace corvane::controls {

void AddByteItem(QListWidget& list, const std::string& bytes) {
    const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
    // Bytes that are not UTF-8 show as replacement characters; the item still holds them all.
    auto* item = new QListWidgetItem(QString::fromUtf8(raw)); // owned by `list` once added
    item->setData(kItemBytesRole, raw);
    list.addItem(item);
}

std::string ItemBytes(const QListWidgetItem* item) {
    if (item == nullptr)
        return {};
    const QVariant data = item->data(kItemBytesRole);
    if (data.isValid()) {
        const QByteArray raw = data.toByteArray();
        return std::string(raw.constData(), static_cast<std::size_t>(raw.size()));
    }
    return item->text().toStdString();
}

} // namespace corvane::controls

#include "controls/ByteItems.h"

#include <QByteArray>
#include <QSignalBlocker>
#include <QStringList>

namespace corvane::controls {

namespace {

QByteArray RawBytes(const std::string& bytes) {
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

void AddByteItem(QListWidget& list, const std::string& bytes) {
    const QByteArray raw = RawBytes(bytes);
    // Bytes that are not UTF-8 show as replacement characters; the item still holds them all.
    auto* item = new QListWidgetItem(QString::fromUtf8(raw)); // owned by `list` once added
    item->setData(kItemBytesRole, raw);
    list.addItem(item);
}

void AddByteItems(QListWidget& list, const std::vector<std::string>& all) {
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(all.size()));
    for (const std::string& bytes : all)
        texts.append(QString::fromUtf8(RawBytes(bytes)));
    const int first = list.count();
    list.addItems(texts); // one row insertion for the run, not one per item
    // The kept bytes are never drawn, so the views need no change notice for them: the model is
    // silenced while they are stored rather than announcing one change per item.
    const QSignalBlocker quiet(list.model());
    for (std::size_t i = 0; i < all.size(); ++i)
        list.item(first + static_cast<int>(i))->setData(kItemBytesRole, RawBytes(all[i]));
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

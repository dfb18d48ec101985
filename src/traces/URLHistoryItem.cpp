#include "traces/URLHistoryItem.h"

#include <cstring>

namespace corvane {

void URLHistoryItem::InitFromStatUrl(platform::STATURL&& record) {
    // The texts move: the record the enumerator reuses no longer holds them, so each text has
    // exactly one owner and is freed once.
    stat_ = std::move(record);
}

std::string URLHistoryItem::StringFromPointer(const char* text) {
    return text ? std::string(text, std::strlen(text)) : std::string();
}

std::string URLHistoryItem::Url() const {
    return StringFromPointer(stat_.pwcsUrl.Get());
}

std::string URLHistoryItem::Title() const {
    std::string title = StringFromPointer(stat_.pwcsTitle.Get());
    if (title.empty())
        title = "     (No Title Given)";
    return title;
}

} // namespace corvane

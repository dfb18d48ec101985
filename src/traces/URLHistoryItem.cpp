#include "traces/URLHistoryItem.h"

#include <cstring>

namespace corvane {

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

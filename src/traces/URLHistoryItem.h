#pragma once
// One visited URL of the history store, as the enumerator returned it. The item owns the store's
// two texts and frees them when it ends.

#include "platform/urlhistory.h"

#include <string>

namespace corvane {

/// One entry of a CURLHistory collection.
class URLHistoryItem {
public:
    /// Takes over the record the enumerator filled (its texts move into the item).
    void InitFromStatUrl(platform::STATURL&& record) {
        // The texts move: the record the enumerator reuses no longer holds them, so each text has
        // exactly one owner and is freed once.
        stat_ = std::move(record);
    }
    /// The entry's URL.
    std::string Url() const;
    /// The entry's title, or "     (No Title Given)" when it has none.
    std::string Title() const;

private:
    static std::string StringFromPointer(const char* text);
    platform::STATURL stat_;
};

} // namespace corvane

#pragma once
// The browser's URL history as an ordered collection of URLHistoryItem, counted from 1, with
// deletion of one URL and of the whole history. The eraser window holds one for its whole life.

#include "platform/urlhistory.h"
#include "traces/URLHistoryItem.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace corvane {

/// The URL history store and the items of its last Refresh.
class CURLHistory {
public:
    /// A shared handle on an item: an item lives while the collection or a caller holds it.
    using ItemPtr = std::shared_ptr<const URLHistoryItem>;

    /// Opens the history store and refreshes with no filter, so the object holds the whole
    /// history. Status() tells whether the store could be opened.
    CURLHistory();

    /// The result of opening the store and of the first Refresh.
    platform::HRESULT Status() const { return status_; }
    /// Clears the whole history (errors ignored), then refreshes with no filter.
    void Clear();
    /// Replaces the items by the store's entries whose URL starts with `URLStartsWith` (empty:
    /// all). On a failure part-way the items appended so far stay and the failure is returned.
    platform::HRESULT Refresh(std::string_view URLStartsWith, std::uint32_t flags);
    /// The item at position `Index` (from 1); DISP_E_BADINDEX (and no item) outside 1..Count().
    platform::HRESULT Item(std::int32_t Index, ItemPtr& item) const;
    /// Deletes the item's URL from the store and removes it; later items move up one position.
    /// Outside 1..Count(), or when the store fails, nothing changes and the error is returned.
    platform::HRESULT Remove(std::int32_t Index);
    /// Deletes the URL from the store, then refreshes with no filter.
    platform::HRESULT DeleteURL(std::string_view Url, std::uint32_t flags);
    /// The items in collection order, for range-for.
    const std::vector<ItemPtr>& NewEnum() const { return items_; }
    /// The number of items.
    std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }

private:
    std::unique_ptr<platform::IUrlHistoryStg2> store_;
    std::vector<ItemPtr> items_;
    platform::HRESULT status_ = platform::S_OK;
};

} // namespace corvane

#include "traces/CURLHistory.h"

#include <vector>

namespace corvane {

using namespace platform;

CURLHistory::CURLHistory() {
    status_ = IUrlHistoryStg2::Create(store_);
    if (SUCCEEDED(status_))
        status_ = Refresh("", 0);
}

void CURLHistory::Clear() {
    // The cleared rows must not live on in the store's log either.
    if (store_ && SUCCEEDED(store_->ClearHistory()))
        store_->FlushErased();
    Refresh("", 0);
}

HRESULT CURLHistory::Refresh(std::string_view URLStartsWith, std::uint32_t flags) {
    if (!store_)
        return E_FAIL;
    std::unique_ptr<IEnumSTATURL> enumerator;
    if (const HRESULT hr = store_->EnumUrls(enumerator); FAILED(hr))
        return hr;
    if (const HRESULT hr = enumerator->SetFilter(URLStartsWith, flags); FAILED(hr))
        return hr;
    // The old items that nobody else holds are filled again instead of being freed and made
    // anew: each takes the new record's texts and frees its old ones. An item a caller still
    // holds is left as it is and a new one takes its place.
    std::vector<ItemPtr> old;
    old.swap(items_);
    items_.reserve(old.size());
    std::size_t reused = 0;
    // The records are fetched a batch at a time and serve every batch: each item takes its
    // texts over, leaving its record empty again. Records filled before a failure still become
    // items, as they would one at a time. A batch this long is filled straight from the store,
    // its texts copied once.
    constexpr std::uint32_t kBatch = kStatUrlDirectBatch;
    std::vector<STATURL> records(kBatch);
    for (;;) {
        std::uint32_t fetched = 0;
        const HRESULT hr = enumerator->Next(kBatch, records.data(), &fetched);
        for (std::uint32_t i = 0; i < fetched; ++i) {
            std::shared_ptr<URLHistoryItem> item;
            if (reused < old.size() && old[reused].use_count() == 1)
                // Every item is made here as a writable object and handed out read-only; with
                // no other holder, nobody can see it change.
                item = std::const_pointer_cast<URLHistoryItem>(std::move(old[reused]));
            else
                item = std::make_shared<URLHistoryItem>();
            ++reused;
            item->InitFromStatUrl(std::move(records[i]));
            items_.push_back(std::move(item));
        }
        if (FAILED(hr))
            return hr;
        if (hr == S_FALSE)
            return S_OK;
    }
}

HRESULT CURLHistory::Item(std::int32_t Index, ItemPtr& item) const {
    item.reset();
    if (Index < 1 || Index > Count())
        return DISP_E_BADINDEX;
    item = items_[static_cast<std::size_t>(Index - 1)];
    return S_OK;
}

HRESULT CURLHistory::Remove(std::int32_t Index) {
    ItemPtr item;
    if (const HRESULT hr = Item(Index, item); FAILED(hr))
        return hr;
    if (!store_)
        return E_FAIL;
    if (const HRESULT hr = store_->DeleteUrl(item->Url(), 0); FAILED(hr))
        return hr;
    items_.erase(items_.begin() + (Index - 1));
    return S_OK;
}

HRESULT CURLHistory::DeleteURL(std::string_view Url, std::uint32_t flags) {
    if (!store_)
        return E_FAIL;
    if (const HRESULT hr = store_->DeleteUrl(Url, flags); FAILED(hr))
        return hr;
    return Refresh("", 0);
}

} // namespace corvane

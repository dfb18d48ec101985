#include "traces/CURLHistory.h"

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
    items_.clear(); // the old items end here and free their texts
    // One record serves every step: each item takes its texts over, leaving it empty again.
    STATURL record;
    for (;;) {
        std::uint32_t fetched = 0;
        const HRESULT hr = enumerator->Next(1, &record, &fetched);
        if (FAILED(hr))
            return hr;
        if (fetched == 0)
            return S_OK;
        auto item = std::make_shared<URLHistoryItem>();
        item->InitFromStatUrl(std::move(record));
        items_.push_back(std::move(item));
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

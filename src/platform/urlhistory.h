#pragma once
// The browser's URL history store in the shape of its COM interfaces: a store object with
// EnumUrls, DeleteUrl and ClearHistory, and an enumerator with SetFilter and Next. The visited
// URLs live in the world's urlhistory.sqlite, one row per URL. Every call answers with an
// HRESULT-like status; nothing throws.

#include "platform/wintypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::platform {

/// The COM status value: negative for failure.
using HRESULT = std::int32_t;

/// Success.
constexpr HRESULT S_OK = 0;
/// Success with less than asked for (fewer records, nothing to delete).
constexpr HRESULT S_FALSE = 1;
/// An unspecified failure (the store's file failed).
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
/// A required pointer is null.
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
/// Memory for a result text could not be had.
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
/// An argument is malformed.
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
/// An index lies outside the collection.
constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);

/// True for a success status.
constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
/// True for a failure status.
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

/// Allocates memory that the store hands to its caller; null when it cannot be had.
void* CoTaskMemAlloc(std::size_t size);
/// Frees memory from CoTaskMemAlloc; null is ignored.
void CoTaskMemFree(void* block);
/// How many blocks CoTaskMemAlloc has handed out in this process.
std::uint64_t CoTaskMemAllocations();
/// How many blocks CoTaskMemFree has freed in this process.
std::uint64_t CoTaskMemFrees();
/// Makes CoTaskMemAlloc fail after `successes` more successful calls (negative: never fail).
void SetCoTaskMemFailureForTesting(int successes);

/// A NUL-terminated text in store memory that its owner frees exactly once, when the owner ends.
/// It can be moved but not copied, so no two owners ever free the same block.
class CoTaskText {
public:
    CoTaskText() = default;
    CoTaskText(CoTaskText&& other) noexcept : text_(other.text_) { other.text_ = nullptr; }
    CoTaskText& operator=(CoTaskText&& other) noexcept {
        if (this != &other) {
            CoTaskMemFree(text_);
            text_ = other.text_;
            other.text_ = nullptr;
        }
        return *this;
    }
    CoTaskText(const CoTaskText&) = delete;
    CoTaskText& operator=(const CoTaskText&) = delete;
    ~CoTaskText() { CoTaskMemFree(text_); }

    /// Copies the bytes into a new block; false (and no text) when memory cannot be had.
    bool Assign(std::string_view bytes);
    /// Frees the text now; the owner then holds none.
    void Reset() {
        if (text_ != nullptr) {
            CoTaskMemFree(text_);
            text_ = nullptr;
        }
    }
    /// The text, or null when there is none.
    const char* Get() const { return text_; }

private:
    char* text_ = nullptr;
};

/// The record of one visited URL. It owns its two texts (null when absent); when it ends it frees
/// the title first, then the URL.
struct STATURL {
    DWORD cbSize = 0;
    CoTaskText pwcsUrl;
    CoTaskText pwcsTitle;
    FILETIME ftLastVisited;
    FILETIME ftLastUpdated;
    FILETIME ftExpires;
    DWORD dwFlags = 0;
};

/// A call to IEnumSTATURL::Next asking for at least this many records is filled straight from
/// the store (one query kept open from batch to batch, each text copied once) instead of
/// through pages read ahead.
constexpr std::uint32_t kStatUrlDirectBatch = 1024;

/// Filter flag: the records carry no title.
constexpr DWORD STATURL_QUERYFLAG_NOTITLE = 0x00040000;

class IUrlHistoryStg2;

/// An enumerator over the visited URLs in the order they were first visited. It reads the store
/// in pages and goes on after the last record it returned, so deletions meanwhile are safe.
class IEnumSTATURL {
public:
    /// Limits the walk to URLs that start with `urlStartsWith` (exact bytes; empty: all).
    HRESULT SetFilter(std::string_view urlStartsWith, DWORD flags);
    /// Fills up to `count` records; S_OK when all were filled, S_FALSE at the end. `fetched` may be
    /// null only when `count` is 1. On failure the records filled so far stay filled.
    HRESULT Next(std::uint32_t count, STATURL* records, std::uint32_t* fetched);
    /// Starts the walk again from the first record.
    HRESULT Reset();

private:
    friend class IUrlHistoryStg2;
    struct Impl;
    explicit IEnumSTATURL(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}
    std::shared_ptr<Impl> impl_;
};

/// The history store of the current world.
class IUrlHistoryStg2 {
public:
    /// Opens the store of the current world (a damaged file is moved aside and replaced).
    static HRESULT Create(std::unique_ptr<IUrlHistoryStg2>& store);
    ~IUrlHistoryStg2();
    IUrlHistoryStg2(const IUrlHistoryStg2&) = delete;
    IUrlHistoryStg2& operator=(const IUrlHistoryStg2&) = delete;

    /// Gives an enumerator over every visited URL.
    HRESULT EnumUrls(std::unique_ptr<IEnumSTATURL>& enumerator);
    /// Deletes the URL (exact bytes); S_FALSE when it was not in the history.
    HRESULT DeleteUrl(std::string_view url, DWORD flags);
    /// Deletes every URL.
    HRESULT ClearHistory();
    /// Records a visit now: adds the URL, or updates the title and time of the one recorded.
    HRESULT AddUrl(std::string_view url, std::string_view title, DWORD flags);
    /// Empties the store's write-ahead log into the file, so URLs deleted before leave no copy in
    /// the log; S_FALSE when another program kept the log in use.
    HRESULT FlushErased();
    /// One visit for AddUrls: the URL and its title (may be empty).
    struct Visit {
        std::string url;
        std::string title;
    };
    /// Records many visits now, in order, as one change: all of them or, on failure, none.
    HRESULT AddUrls(const std::vector<Visit>& visits);

private:
    friend class IEnumSTATURL;
    struct Impl;
    explicit IUrlHistoryStg2(std::shared_ptr<Impl> impl);
    std::shared_ptr<Impl> impl_;
};

} // namespace corvane::platform

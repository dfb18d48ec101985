#include "traces/modCache.h"

#include "platform/urlcache.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace corvane::modCache {
namespace {

using platform::DWORD;
using platform::INTERNET_CACHE_ENTRY_INFOA;

int g_allocationsLeft = -1;

struct FreeBlock {
    void operator()(std::byte* p) const { std::free(p); }
};

// A block of fixed memory standing for LocalAlloc and LocalFree: the old block is freed when a new
// one is asked for, and the last one when the program ends.
class LocalBuffer {
public:
    /// Replaces the block with one of `size` bytes; false (and no block) when that fails.
    bool Allocate(std::size_t size) {
        block_.reset();
        size_ = 0;
        if (g_allocationsLeft == 0)
            return false;
        if (g_allocationsLeft > 0)
            --g_allocationsLeft;
        block_.reset(static_cast<std::byte*>(std::malloc(size)));
        if (!block_)
            return false;
        size_ = size;
        return true;
    }
    std::byte* Data() const { return block_.get(); }
    std::size_t Size() const { return size_; }

private:
    std::unique_ptr<std::byte, FreeBlock> block_;
    std::size_t size_ = 0;
};

// The module's one walk: its handle, the current entry's buffer and the copy of its head. A
// zeroed head means no entry is current.
struct State {
    platform::HANDLE handle = nullptr;
    LocalBuffer buffer;
    INTERNET_CACHE_ENTRY_INFOA header;
};

State& Module() {
    static State state;
    return state;
}

// Replaces the entry buffer with one of the size the cache reported, writes the size field and
// lets `fetch` fill it. The head is copied only from a filled buffer, and no size smaller than the
// head is ever allocated, so nothing is written or copied past the buffer's end. When another
// program grew the entry between the two calls, the larger size it reports is tried once more.
template <typename Fetch> bool FetchInto(DWORD reported, Fetch fetch) {
    State& s = Module();
    s.header = INTERNET_CACHE_ENTRY_INFOA{};
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (reported < sizeof(INTERNET_CACHE_ENTRY_INFOA))
            return false; // no size reported: the walk is at its end or failed
        if (!s.buffer.Allocate(reported))
            return false;
        DWORD size = reported;
        std::memcpy(s.buffer.Data(), &size, sizeof size);
        auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(s.buffer.Data());
        if (fetch(info, &size)) {
            std::memcpy(&s.header, s.buffer.Data(), sizeof s.header);
            return true;
        }
        if (platform::GetLastError() != platform::ERROR_INSUFFICIENT_BUFFER || size <= reported)
            return false;
        reported = size;
    }
    return false;
}

// True when the size query failed only because it gave no buffer, i.e. an entry is waiting.
bool SizeReported() {
    return platform::GetLastError() == platform::ERROR_INSUFFICIENT_BUFFER;
}

} // namespace

bool FindFirstCacheEntry() {
    State& s = Module();
    CloseCacheEnum();
    s.header = INTERNET_CACHE_ENTRY_INFOA{};
    DWORD size = 0;
    s.handle = platform::FindFirstUrlCacheEntryA(nullptr, nullptr, &size);
    if (s.handle != nullptr || !SizeReported())
        return s.handle != nullptr;
    FetchInto(size, [&](INTERNET_CACHE_ENTRY_INFOA* info, DWORD* sz) {
        s.handle = platform::FindFirstUrlCacheEntryA(nullptr, info, sz);
        return s.handle != nullptr;
    });
    return s.handle != nullptr;
}

bool FindNextCacheEntry() {
    State& s = Module();
    if (s.handle == nullptr)
        return false;
    DWORD size = 0;
    if (platform::FindNextUrlCacheEntryA(s.handle, nullptr, &size) || !SizeReported()) {
        s.header = INTERNET_CACHE_ENTRY_INFOA{};
        return false;
    }
    return FetchInto(size, [&](INTERNET_CACHE_ENTRY_INFOA* info, DWORD* sz) {
        return platform::FindNextUrlCacheEntryA(s.handle, info, sz) != 0;
    });
}

void CloseCacheEnum() {
    State& s = Module();
    if (s.handle != nullptr) {
        platform::FindCloseUrlCache(s.handle);
        s.handle = nullptr;
    }
}

std::uint32_t GetCacheEntryType() {
    return Module().header.CacheEntryType;
}

std::string GetCacheEntryUrl() {
    const State& s = Module();
    const char* url = s.header.lpszSourceUrlName;
    const auto* begin = reinterpret_cast<const char*>(s.buffer.Data());
    if (url == nullptr || begin == nullptr || url < begin || url >= begin + s.buffer.Size())
        return {};
    // The text ends at its NUL, and never later than the buffer does.
    const std::size_t room = static_cast<std::size_t>(begin + s.buffer.Size() - url);
    return std::string(url, strnlen(url, room));
}

bool DeleteCacheEntry(const std::string& url) {
    if (url.find('\0') != std::string::npos)
        return false; // such a text cannot name an entry; the cache would see a shorter URL
    return platform::DeleteUrlCacheEntryA(url.c_str()) != 0;
}

std::vector<std::string> ListCacheUrls() {
    // The list is rebuilt every 200 ms during a scan; sizing it as the last one was saves growing
    // a large list step by step each time.
    static std::size_t lastCount = 0;
    std::vector<std::string> urls;
    urls.reserve(lastCount);
    if (!FindFirstCacheEntry()) {
        CloseCacheEnum();
        return urls;
    }
    urls.push_back(GetCacheEntryUrl());
    while (FindNextCacheEntry()) {
        if (GetCacheEntryType() & platform::NORMAL_CACHE_ENTRY)
            urls.push_back(GetCacheEntryUrl());
    }
    CloseCacheEnum();
    lastCount = urls.size();
    return urls;
}

std::size_t CountCacheUrls() {
    std::uint64_t count = 0;
    return platform::CountListedUrlCacheEntries(count) ? static_cast<std::size_t>(count) : 0;
}

void SetAllocationFailureForTesting(int successes) {
    g_allocationsLeft = successes;
}

} // namespace corvane::modCache

// Store memory: the blocks that hold the texts the history store hands to its callers.
//
// A refresh of the history list frees the texts of the list it replaces while it allocates the
// next list's, a hundred or so at a time. The system allocator keeps only a few freed blocks of
// a size per thread and sends the rest through its shared bins, so each thread here keeps a small
// cache of freed blocks by size and hands them out again. The counts of blocks handed out and
// freed are kept per thread, without a locked instruction on every call, and summed when asked.

#include "platform/urlhistory.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>

namespace corvane::platform {

namespace {

#if defined(__SANITIZE_ADDRESS__)
// Under the address checker every block goes straight back to the system, so a text freed twice
// or used after its free is still caught there.
constexpr bool kCacheBlocks = false;
#else
constexpr bool kCacheBlocks = true;
#endif

// Each block starts with a header that names its size class and, while the block is cached,
// links it to the next cached block. Sixteen bytes keep the text aligned as malloc's blocks are.
struct alignas(16) Header {
    std::uint32_t sizeClass = 0;
    Header* next = nullptr;
};
static_assert(sizeof(Header) == 16);

constexpr std::size_t kGrain = 16;
constexpr std::uint32_t kClasses = 16; // texts of up to 256 bytes, NUL included, are cached
constexpr std::uint32_t kUncached = kClasses;
// Enough for the texts of a refresh's batch of a thousand records; what a thread frees beyond it
// goes back to the system at once.
constexpr std::size_t kCacheBytes = 512 * 1024;

// The counts of one thread. Only that thread writes them, so a plain store of the next value is
// enough; other threads read them when they sum the counts.
struct Counts {
    std::atomic<std::uint64_t> allocations{0};
    std::atomic<std::uint64_t> frees{0};
};

// A thread's cache and counts. Trivially destructible and constant-initialised, so it can still
// be used after the thread's exit hook emptied it, by objects that end later.
struct ThreadState {
    Counts counts;
    Header* cached[kClasses] = {};
    std::size_t cachedBytes = 0;
    bool registered = false;
    bool closed = false; // the exit hook ran: nothing more is cached or counted here
    ThreadState* prevLive = nullptr;
    ThreadState* nextLive = nullptr;
};

// The threads whose counts are live, and the counts of threads that ended. Everything here is
// constant-initialised and has no destructor that matters, so threads ending after the program's
// static objects still find it.
std::mutex g_liveMutex;
ThreadState* g_live = nullptr;
std::atomic<std::uint64_t> g_endedAllocations{0};
std::atomic<std::uint64_t> g_endedFrees{0};

std::atomic<int> g_allocationsLeft{-1};

thread_local ThreadState t_state;

void Bump(std::atomic<std::uint64_t>& own, std::atomic<std::uint64_t>& ended, bool closed) {
    if (closed)
        ended.fetch_add(1, std::memory_order_relaxed);
    else
        own.store(own.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

void ReturnCachedBlocks(ThreadState& state) {
    for (Header*& head : state.cached) {
        while (head != nullptr) {
            Header* block = head;
            head = block->next;
            std::free(block);
        }
    }
    state.cachedBytes = 0;
}

// Ends a thread's part: its cached blocks go back to the system and its counts join the ended
// threads' counts.
struct ThreadExit {
    ~ThreadExit() {
        ThreadState& state = t_state;
        ReturnCachedBlocks(state);
        std::lock_guard lock(g_liveMutex);
        g_endedAllocations.fetch_add(state.counts.allocations.load(), std::memory_order_relaxed);
        g_endedFrees.fetch_add(state.counts.frees.load(), std::memory_order_relaxed);
        (state.prevLive ? state.prevLive->nextLive : g_live) = state.nextLive;
        if (state.nextLive)
            state.nextLive->prevLive = state.prevLive;
        state.closed = true;
    }
};

// Puts the thread's counts on the live list and arranges for its exit hook.
void Register(ThreadState& state) {
    state.registered = true;
    {
        std::lock_guard lock(g_liveMutex);
        state.nextLive = g_live;
        if (g_live)
            g_live->prevLive = &state;
        g_live = &state;
    }
    // Made on the thread's first call, so its destructor runs when the thread ends.
    thread_local ThreadExit exitHook;
    (void)exitHook;
}

constexpr std::size_t BlockBytes(std::uint32_t sizeClass) {
    return sizeof(Header) + (sizeClass + 1) * kGrain;
}

// The size class of a text of `size` bytes, or kUncached.
constexpr std::uint32_t SizeClass(std::size_t size) {
    const std::size_t bytes = size == 0 ? 1 : size;
    return kCacheBlocks && bytes <= kClasses * kGrain
               ? static_cast<std::uint32_t>((bytes - 1) / kGrain)
               : kUncached;
}

// Takes a block of the class from the thread's cache, which holds one.
Header* TakeCached(ThreadState& state, std::uint32_t sizeClass) {
    Header* block = state.cached[sizeClass];
    state.cached[sizeClass] = block->next;
    state.cachedBytes -= BlockBytes(sizeClass);
    block->next = nullptr;
    return block;
}

// Whether a thread's cache and counts serve: once known and until its exit hook ran.
bool Serving(const ThreadState& state) {
    return state.registered && !state.closed;
}

// Everything but a cached block for a known thread: a first call, a test's failure, a block
// beyond the cached sizes, an empty cache, a thread that is ending.
[[gnu::noinline]] void* AllocateSlowly(std::size_t size) {
    int left = g_allocationsLeft.load(std::memory_order_relaxed);
    while (left >= 0) {
        if (left == 0)
            return nullptr;
        if (g_allocationsLeft.compare_exchange_weak(left, left - 1))
            break;
    }
    ThreadState& state = t_state;
    if (!state.registered)
        Register(state);
    const std::uint32_t sizeClass = SizeClass(size);
    Header* block = nullptr;
    if (sizeClass != kUncached && state.cached[sizeClass] != nullptr) {
        block = TakeCached(state, sizeClass);
    } else {
        const std::size_t total =
            sizeClass != kUncached ? BlockBytes(sizeClass) : sizeof(Header) + size;
        if (total < size) // the size overflowed
            return nullptr;
        block = static_cast<Header*>(std::malloc(total));
        if (block == nullptr)
            return nullptr;
    }
    block->sizeClass = sizeClass;
    block->next = nullptr;
    Bump(state.counts.allocations, g_endedAllocations, state.closed);
    return block + 1;
}

[[gnu::noinline]] void FreeSlowly(Header* block) {
    ThreadState& state = t_state;
    if (!state.registered)
        Register(state);
    Bump(state.counts.frees, g_endedFrees, state.closed);
    std::free(block);
}

std::uint64_t Sum(std::atomic<std::uint64_t> Counts::*field,
                  const std::atomic<std::uint64_t>& ended) {
    std::lock_guard lock(g_liveMutex);
    std::uint64_t total = ended.load();
    for (const ThreadState* state = g_live; state != nullptr; state = state->nextLive)
        total += (state->counts.*field).load(std::memory_order_relaxed);
    return total;
}

} // namespace

void* CoTaskMemAlloc(std::size_t size) {
    ThreadState& state = t_state;
    const std::uint32_t sizeClass = SizeClass(size);
    if (sizeClass == kUncached || !Serving(state) || state.cached[sizeClass] == nullptr ||
        g_allocationsLeft.load(std::memory_order_relaxed) >= 0)
        return AllocateSlowly(size);
    Header* block = TakeCached(state, sizeClass);
    Bump(state.counts.allocations, g_endedAllocations, false);
    return block + 1;
}

void CoTaskMemFree(void* text) {
    if (text == nullptr)
        return;
    ThreadState& state = t_state;
    Header* block = static_cast<Header*>(text) - 1;
    const std::uint32_t sizeClass = block->sizeClass;
    if (sizeClass == kUncached || !Serving(state) ||
        state.cachedBytes + BlockBytes(sizeClass) > kCacheBytes)
        return FreeSlowly(block);
    block->next = state.cached[sizeClass];
    state.cached[sizeClass] = block;
    state.cachedBytes += BlockBytes(sizeClass);
    Bump(state.counts.frees, g_endedFrees, false);
}

std::uint64_t CoTaskMemAllocations() {
    return Sum(&Counts::allocations, g_endedAllocations);
}

std::uint64_t CoTaskMemFrees() {
    return Sum(&Counts::frees, g_endedFrees);
}

void SetCoTaskMemFailureForTesting(int successes) {
    g_allocationsLeft.store(successes);
}

} // namespace corvane::platform

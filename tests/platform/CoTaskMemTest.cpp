#include "platform/urlhistory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace corvane::platform;

// Blocks freed by one text are handed to the next: every size gets a block of its own that is
// large enough, aligned as malloc's, and never the block of a text still in use.
TEST(CoTaskMem, ReusedBlocksFitTheirTextsAndAreNeverShared) {
    std::vector<CoTaskText> texts;
    for (int round = 0; round < 3; ++round) {
        for (std::size_t size = 0; size < 600; size += 7) {
            CoTaskText text;
            ASSERT_TRUE(text.Assign(std::string(size, static_cast<char>('a' + size % 26))));
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(text.Get()) % 16, 0u);
            texts.push_back(std::move(text));
        }
        for (std::size_t i = 0; i < texts.size(); ++i) {
            if (texts[i].Get() == nullptr)
                continue; // freed in an earlier round
            const std::size_t size = i % 86 * 7;
            ASSERT_EQ(std::strlen(texts[i].Get()), size) << "round " << round << " text " << i;
            ASSERT_EQ(std::string(texts[i].Get()), std::string(size, char('a' + size % 26)));
        }
        // Free every other text; the next round's texts take their blocks.
        for (std::size_t i = 0; i < texts.size(); i += 2)
            texts[i].Reset();
    }
    EXPECT_EQ(CoTaskMemAlloc(SIZE_MAX), nullptr);
}

// The counts are the process's: blocks allocated and freed on other threads count, also after
// those threads ended, and a block may be freed on another thread than the one that made it.
TEST(CoTaskMem, CountsAddUpAcrossThreadsThatEnd) {
    const auto allocs = CoTaskMemAllocations();
    const auto frees = CoTaskMemFrees();
    std::vector<void*> made(100);
    std::thread maker([&] {
        for (void*& block : made)
            block = CoTaskMemAlloc(40);
        // A few made and freed here stay cached by this thread until it ends.
        for (int i = 0; i < 10; ++i)
            CoTaskMemFree(CoTaskMemAlloc(24));
    });
    maker.join();
    EXPECT_EQ(CoTaskMemAllocations() - allocs, 110u);
    EXPECT_EQ(CoTaskMemFrees() - frees, 10u);
    std::thread freer([&] {
        for (void* block : made)
            CoTaskMemFree(block);
    });
    freer.join();
    EXPECT_EQ(CoTaskMemFrees() - frees, 110u);
    for (int i = 0; i < 5; ++i)
        CoTaskMemFree(CoTaskMemAlloc(8));
    EXPECT_EQ(CoTaskMemAllocations() - allocs, 115u);
    EXPECT_EQ(CoTaskMemFrees() - frees, 115u);
}

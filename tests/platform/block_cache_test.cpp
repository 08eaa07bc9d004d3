// The bookkeeping of kept blocks: best fit within twice the request, the
// limits on count and bytes, and draining. Blocks are stand-in addresses: the
// cache never touches the memory it keeps.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/block_cache.hpp"

namespace quilbet {
namespace {

constexpr std::size_t K = 1024;

void* block(std::uintptr_t n) { return reinterpret_cast<void*>(n * 4096); }

TEST(BlockCache, TakesTheSmallestFitWithinTwiceTheRequest) {
    BlockCache cache;
    ASSERT_TRUE(cache.keep(block(1), 200 * K));
    ASSERT_TRUE(cache.keep(block(2), 300 * K));
    ASSERT_TRUE(cache.keep(block(3), 1024 * K));
    ASSERT_TRUE(cache.keep(block(4), 128 * K));
    struct Step {
        std::size_t request;
        void* expected;  // null: nothing fits
        std::size_t size;
    };
    const Step steps[] = {
        {150 * K, block(1), 200 * K},   // 200 K and 300 K fit; the smaller goes
        {150 * K, block(2), 300 * K},   // exactly twice the request still fits
        {150 * K, nullptr, 0},          // 128 K is too small, 1 M more than twice
        {129 * K, nullptr, 0},
        {128 * K, block(4), 128 * K},
        {513 * K, block(3), 1024 * K},
        {128 * K, nullptr, 0},          // empty
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::to_string(s.request / K) + " K");
        std::size_t size = 0;
        EXPECT_EQ(cache.take(s.request, &size), s.expected);
        EXPECT_EQ(size, s.size);
    }
    EXPECT_EQ(cache.blocks(), 0);
    EXPECT_EQ(cache.bytes(), 0u);
}

TEST(BlockCache, KeepsWithinItsLimitsAndDrainsEverything) {
    BlockCache cache;
    EXPECT_FALSE(cache.keep(block(1), BlockCache::min_size - 1));
    EXPECT_FALSE(cache.keep(nullptr, BlockCache::min_size));
    // Bytes: one block may fill the whole allowance, not more.
    EXPECT_FALSE(cache.keep(block(1), BlockCache::max_bytes + 1));
    ASSERT_TRUE(cache.keep(block(1), BlockCache::max_bytes - BlockCache::min_size));
    EXPECT_FALSE(cache.keep(block(2), BlockCache::min_size + 1));
    EXPECT_TRUE(cache.keep(block(2), BlockCache::min_size));
    EXPECT_EQ(cache.bytes(), BlockCache::max_bytes);

    std::set<void*> released;
    cache.drain([&](void* p) { released.insert(p); });
    EXPECT_EQ(released, (std::set<void*>{block(1), block(2)}));
    EXPECT_EQ(cache.blocks(), 0);
    EXPECT_EQ(cache.bytes(), 0u);

    // Count: max_blocks of the smallest size, then no more.
    for (int i = 0; i < BlockCache::max_blocks; ++i) ASSERT_TRUE(cache.keep(block(10 + i), BlockCache::min_size));
    EXPECT_FALSE(cache.keep(block(99), BlockCache::min_size));
    std::size_t size = 0;
    EXPECT_NE(cache.take(BlockCache::min_size, &size), nullptr);
    EXPECT_TRUE(cache.keep(block(99), BlockCache::min_size));
    std::vector<void*> rest;
    cache.drain([&](void* p) { rest.push_back(p); });
    EXPECT_EQ(rest.size(), static_cast<std::size_t>(BlockCache::max_blocks));
}

}  // namespace
}  // namespace quilbet

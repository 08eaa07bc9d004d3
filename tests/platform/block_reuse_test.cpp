// The module's operator new and delete on Windows while a BlockReuse is
// alive: freed large blocks come back for requests they fit, small ones and
// blocks freed outside every scope go back to the heap, nested scopes keep
// their blocks until the outermost ends, and two threads may share a scope.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "platform/block_cache.hpp"
#include "platform/block_reuse.hpp"

namespace quilbet {
namespace {

#if defined(_WIN32)

constexpr std::size_t big = std::size_t(1) << 20;

void* volatile escape = nullptr;

// A block from the module's operator new; its address escapes so that the
// compiler cannot leave the allocation out.
std::unique_ptr<uint8_t[]> allocate(std::size_t n) {
    std::unique_ptr<uint8_t[]> p(new uint8_t[n]);
    escape = p.get();
    return p;
}

TEST(BlockReuse, KeepsLargeBlocksOnlyWhileAScopeIsAlive) {
    const long long reused_before = block_reuse_counts().reused;
    {
        auto outside = allocate(big);
        outside.reset();
        EXPECT_EQ(block_reuse_counts().kept_blocks, 0);
    }
    {
        const BlockReuse outer;
        auto first = allocate(big);
        const void* address = first.get();
        first.reset();
        EXPECT_EQ(block_reuse_counts().kept_blocks, 1);
        EXPECT_GE(block_reuse_counts().kept_bytes, big);

        // Small blocks are never kept.
        allocate(BlockCache::min_size / 2).reset();
        EXPECT_EQ(block_reuse_counts().kept_blocks, 1);

        {
            const BlockReuse inner;
            auto again = allocate(big - 4096);  // fits the kept block
            EXPECT_EQ(again.get(), address);
            EXPECT_EQ(block_reuse_counts().kept_blocks, 0);
            EXPECT_EQ(block_reuse_counts().reused, reused_before + 1);
            again.reset();
        }
        // The inner scope's end keeps what the outer one still holds.
        EXPECT_EQ(block_reuse_counts().kept_blocks, 1);
    }
    EXPECT_EQ(block_reuse_counts().kept_blocks, 0);
    EXPECT_EQ(block_reuse_counts().kept_bytes, 0u);
}

TEST(BlockReuse, ABlockOutlivingItsScopeIsFreedPlainly) {
    std::unique_ptr<uint8_t[]> survivor;
    {
        const BlockReuse scope;
        allocate(big).reset();
        survivor = allocate(big);  // taken from the cache
        EXPECT_EQ(block_reuse_counts().kept_blocks, 0);
    }
    survivor.reset();
    EXPECT_EQ(block_reuse_counts().kept_blocks, 0);
}

TEST(BlockReuse, TwoThreadsShareAScope) {
    const BlockReuse scope;
    auto churn = [](std::size_t base) {
        for (int i = 0; i < 200; ++i) {
            auto a = allocate(base + std::size_t(i % 7) * 4096);
            auto b = allocate(base * 2);
            a.reset();
            b.reset();
        }
    };
    std::thread other(churn, big / 2);
    churn(big / 4);
    other.join();
    EXPECT_LE(block_reuse_counts().kept_blocks, BlockCache::max_blocks);
    EXPECT_LE(block_reuse_counts().kept_bytes, BlockCache::max_bytes);
}

#endif

}  // namespace
}  // namespace quilbet

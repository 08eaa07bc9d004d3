// Large blocks of memory reused while a build runs, on Windows.
//
// The Windows heap gives blocks of a few hundred kilobytes and more back to
// the system when they are freed (Wine's from about 128 KB), so the next such
// block is made of fresh pages that the system zeroes one by one on first
// touch: about 1.5 µs per 4 KB page under Wine. A habitat hull asks for some
// 8 MB this way, the catalogue at start-up for some 60 MB. While a
// BlockReuse is alive, the module's operator delete keeps freed blocks of
// BlockCache::min_size and more (within BlockCache's limits) and operator new
// hands them out again for requests they fit; when the last one ends, the
// kept blocks are freed. A reused block holds what its last owner left there,
// as any block from the heap may. Outside every BlockReuse the module
// allocates plainly. Elsewhere (glibc keeps such blocks itself) BlockReuse
// does nothing.
#pragma once

#include <cstddef>

namespace quilbet {

class BlockReuse {
public:
    // Starts keeping freed large blocks (scopes nest, on any thread).
    BlockReuse();
    // The last scope to end frees every kept block.
    ~BlockReuse();
    BlockReuse(const BlockReuse&) = delete;
    BlockReuse& operator=(const BlockReuse&) = delete;
};

// What the reuse holds now and has handed out so far (all 0 where it does nothing).
struct BlockReuseCounts {
    int kept_blocks = 0;
    std::size_t kept_bytes = 0;
    long long reused = 0;   // allocations served from kept blocks since load
};
BlockReuseCounts block_reuse_counts();

}  // namespace quilbet

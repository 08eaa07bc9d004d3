// Freed memory blocks of 128 KB and more, kept for the next allocation they
// fit. The bookkeeping only: it owns no memory of its own, allocates nothing
// and takes no lock (block_reuse_win32.cpp feeds it under one).
#pragma once

#include <cstddef>

namespace quilbet {

class BlockCache {
public:
    // Below this the heap keeps freed blocks well by itself.
    static constexpr std::size_t min_size = std::size_t(128) * 1024;
    static constexpr int max_blocks = 16;
    static constexpr std::size_t max_bytes = std::size_t(32) << 20;

    // Removes and returns the smallest kept block of at least n and at most
    // 2 n bytes, its size in *size; null (nothing removed) when none fits.
    void* take(std::size_t n, std::size_t* size);
    // Keeps block p of size bytes. False, keeping nothing, when size is below
    // min_size or the block would pass max_blocks or max_bytes: the caller
    // then frees it.
    bool keep(void* p, std::size_t size);
    // Removes every kept block and hands it to release(p).
    template <typename Release>
    void drain(Release&& release) {
        for (int i = 0; i < count_; ++i) release(slots_[i].p);
        count_ = 0;
        bytes_ = 0;
    }

    int blocks() const { return count_; }
    std::size_t bytes() const { return bytes_; }

private:
    struct Slot {
        void* p;
        std::size_t size;
    };
    Slot slots_[max_blocks] = {};
    int count_ = 0;
    std::size_t bytes_ = 0;
};

}  // namespace quilbet

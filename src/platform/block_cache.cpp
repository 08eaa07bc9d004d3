// Best fit over a handful of slots: the blocks that come back during a build
// are few and large (lattice arrays, merge tables, grown vertex arrays).
#include "platform/block_cache.hpp"

namespace quilbet {

void* BlockCache::take(std::size_t n, std::size_t* size) {
    int best = -1;
    for (int i = 0; i < count_; ++i) {
        const std::size_t s = slots_[i].size;
        // Up to twice the request: a much larger block is left for a request its size.
        if (s < n || s / 2 > n) continue;
        if (best < 0 || s < slots_[best].size) best = i;
    }
    if (best < 0) return nullptr;
    void* p = slots_[best].p;
    *size = slots_[best].size;
    bytes_ -= slots_[best].size;
    slots_[best] = slots_[--count_];
    return p;
}

bool BlockCache::keep(void* p, std::size_t size) {
    if (p == nullptr || size < min_size || count_ == max_blocks || size > max_bytes - bytes_) return false;
    slots_[count_++] = Slot{p, size};
    bytes_ += size;
    return true;
}

}  // namespace quilbet

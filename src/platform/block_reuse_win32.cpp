// The module's global operator new and delete on Windows: malloc and free,
// except that while a BlockReuse is alive freed blocks of 128 KB and more go
// to a BlockCache and requests of that size are served from it first.
//
// These replace the C++ runtime's own operators (the DLL links its runtime
// statically, so they cover everything the module allocates); aligned forms
// are left to the runtime. Blocks are always the C runtime's malloc blocks,
// so a kept block freed after its scope has ended is simply freed.
#include "platform/block_reuse.hpp"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

#include "platform/block_cache.hpp"

namespace quilbet {

namespace {

SRWLOCK cache_lock = SRWLOCK_INIT;
BlockCache cache;                  // under cache_lock
std::atomic<long> open_scopes{0};  // changed under cache_lock; read without it as a hint
long long reused_count = 0;        // under cache_lock

void* plain_new(std::size_t n) {
    for (;;) {
        if (void* p = std::malloc(n != 0 ? n : 1)) return p;
        const std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

void* reuse_new(std::size_t n) {
    if (n >= BlockCache::min_size && open_scopes.load(std::memory_order_relaxed) > 0) {
        std::size_t size = 0;
        AcquireSRWLockExclusive(&cache_lock);
        void* p = cache.take(n, &size);
        if (p != nullptr) ++reused_count;
        ReleaseSRWLockExclusive(&cache_lock);
        if (p != nullptr) return p;
    }
    return plain_new(n);
}

// size: the size the block was asked for (sized delete), or 0 when unknown.
void reuse_delete(void* p, std::size_t size) noexcept {
    if (p == nullptr) return;
    if (open_scopes.load(std::memory_order_relaxed) > 0 && (size == 0 || size >= BlockCache::min_size)) {
        // A block taken from the cache may be larger than its request: keep all of it.
        const std::size_t capacity = _msize(p);
        if (capacity >= BlockCache::min_size) {
            AcquireSRWLockExclusive(&cache_lock);
            const bool kept = open_scopes > 0 && cache.keep(p, capacity);
            ReleaseSRWLockExclusive(&cache_lock);
            if (kept) return;
        }
    }
    std::free(p);
}

}  // namespace

BlockReuse::BlockReuse() {
    AcquireSRWLockExclusive(&cache_lock);
    ++open_scopes;
    ReleaseSRWLockExclusive(&cache_lock);
}

BlockReuse::~BlockReuse() {
    AcquireSRWLockExclusive(&cache_lock);
    if (--open_scopes == 0) cache.drain([](void* p) { std::free(p); });
    ReleaseSRWLockExclusive(&cache_lock);
}

BlockReuseCounts block_reuse_counts() {
    AcquireSRWLockExclusive(&cache_lock);
    const BlockReuseCounts c{cache.blocks(), cache.bytes(), reused_count};
    ReleaseSRWLockExclusive(&cache_lock);
    return c;
}

}  // namespace quilbet

void* operator new(std::size_t n) { return quilbet::reuse_new(n); }
void* operator new[](std::size_t n) { return quilbet::reuse_new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return quilbet::reuse_new(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return quilbet::reuse_new(n);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept { quilbet::reuse_delete(p, 0); }
void operator delete[](void* p) noexcept { quilbet::reuse_delete(p, 0); }
void operator delete(void* p, std::size_t n) noexcept { quilbet::reuse_delete(p, n); }
void operator delete[](void* p, std::size_t n) noexcept { quilbet::reuse_delete(p, n); }
void operator delete(void* p, const std::nothrow_t&) noexcept { quilbet::reuse_delete(p, 0); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { quilbet::reuse_delete(p, 0); }

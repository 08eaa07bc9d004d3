// Memory that crosses to the host: the vertex and index arrays of the mesh
// hand-over and the blocks behind the vessel lists. Both sides must use the
// same allocator, so these three functions are the only way such memory is
// obtained, resized and released: the process heap (GetProcessHeap) on
// Windows, malloc / realloc / free elsewhere.
#pragma once

#include <cstddef>

namespace quilbet {

// A new block of n bytes (contents undefined), or null when the heap is exhausted.
void* host_alloc(std::size_t n);
// Resizes block p (null: a new block) to n bytes, keeping the common prefix.
// Returns the new address, or null (p still valid) when the heap is exhausted.
void* host_realloc(void* p, std::size_t n);
// Releases a block from host_alloc / host_realloc; null is ignored.
void host_free(void* p);

}  // namespace quilbet

// Host-owned memory outside Windows: the C heap.
#include "platform/host_memory.hpp"

#include <cstdlib>

namespace quilbet {

void* host_alloc(std::size_t n) { return std::malloc(n == 0 ? 1 : n); }

void* host_realloc(void* p, std::size_t n) { return std::realloc(p, n == 0 ? 1 : n); }

void host_free(void* p) { std::free(p); }

}  // namespace quilbet

// Host-owned memory on Windows: the process heap, which the host can free too.
#include "platform/host_memory.hpp"

#include <windows.h>

namespace quilbet {

void* host_alloc(std::size_t n) { return HeapAlloc(GetProcessHeap(), 0, n == 0 ? 1 : n); }

void* host_realloc(void* p, std::size_t n) {
    if (p == nullptr) return host_alloc(n);
    return HeapReAlloc(GetProcessHeap(), 0, p, n == 0 ? 1 : n);
}

void host_free(void* p) {
    if (p != nullptr) HeapFree(GetProcessHeap(), 0, p);
}

}  // namespace quilbet

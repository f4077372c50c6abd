#include "AllocationCounter.h"

#include <atomic>
#include <cerrno>
#include <cstddef>

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace {
std::atomic<long long> g_allocations{0};
}

long long AllocationCounter::count() {
    return g_allocations.load(std::memory_order_relaxed);
}

extern "C" {

void* malloc(size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}

void* calloc(size_t n, size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(n, size);
}

void* realloc(void* p, size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, size);
}

void free(void* p) {
    __libc_free(p);
}

int posix_memalign(void** out, size_t alignment, size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    void* p = __libc_memalign(alignment, size);
    if (!p) {
        return ENOMEM;
    }
    *out = p;
    return 0;
}

void* aligned_alloc(size_t alignment, size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_memalign(alignment, size);
}

void* memalign(size_t alignment, size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_memalign(alignment, size);
}
}

// Replaces the C allocator's entry points with counting ones that hand the
// work to the C library's own allocator.
#include "bench/HeapCounter.h"

#include <atomic>
#include <cerrno>
#include <malloc.h>

extern "C" {
void* __libc_malloc(size_t);
void __libc_free(void*);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void* __libc_valloc(size_t);
void* __libc_pvalloc(size_t);
}

namespace {

std::atomic<long long> inUse{0};
std::atomic<long long> peak{0};

void* counted(void* p) {
    if (p) {
        const long long now = inUse.fetch_add(static_cast<long long>(malloc_usable_size(p))) +
                              static_cast<long long>(malloc_usable_size(p));
        long long seen = peak.load(std::memory_order_relaxed);
        while (now > seen && !peak.compare_exchange_weak(seen, now)) {
        }
    }
    return p;
}

void uncount(void* p) {
    if (p) inUse.fetch_sub(static_cast<long long>(malloc_usable_size(p)));
}

}  // namespace

extern "C" {

void* malloc(size_t n) { return counted(__libc_malloc(n)); }
void free(void* p) {
    uncount(p);
    __libc_free(p);
}
void* calloc(size_t n, size_t size) { return counted(__libc_calloc(n, size)); }
void* realloc(void* p, size_t n) {
    uncount(p);
    void* q = __libc_realloc(p, n);
    if (!q && p && n) {
        counted(p);  // the old block stays
        return nullptr;
    }
    return counted(q);
}
void* reallocarray(void* p, size_t n, size_t size) {
    if (size && n > static_cast<size_t>(-1) / size) {
        errno = ENOMEM;
        return nullptr;
    }
    return realloc(p, n * size);
}
void* memalign(size_t align, size_t n) { return counted(__libc_memalign(align, n)); }
void* aligned_alloc(size_t align, size_t n) { return counted(__libc_memalign(align, n)); }
int posix_memalign(void** out, size_t align, size_t n) {
    void* p = __libc_memalign(align, n);
    if (!p) return ENOMEM;
    *out = counted(p);
    return 0;
}
void* valloc(size_t n) { return counted(__libc_valloc(n)); }
void* pvalloc(size_t n) { return counted(__libc_pvalloc(n)); }
}

namespace jotanor::bench {

long long heapInUse() { return inUse.load(); }
void resetHeapPeak() { peak.store(inUse.load()); }
long long heapPeak() { return peak.load(); }

}  // namespace jotanor::bench

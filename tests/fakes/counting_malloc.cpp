// A malloc that counts: the C allocator's entry points, interposed in the test program, forward to
// glibc's own and count every call made while counting is on.
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <malloc.h>

#include "counting_malloc.h"

extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* block, size_t size);
extern "C" void* __libc_memalign(size_t alignment, size_t size);
extern "C" void __libc_free(void* block);

std::atomic<bool> allocation_counting { false };
std::atomic<long> allocation_count { 0 };

static void count()
{
    if (allocation_counting.load(std::memory_order_relaxed))
        allocation_count.fetch_add(1, std::memory_order_relaxed);
}

extern "C" void* malloc(size_t size)
{
    count();
    return __libc_malloc(size);
}

extern "C" void* calloc(size_t n, size_t size)
{
    count();
    return __libc_calloc(n, size);
}

extern "C" void* realloc(void* block, size_t size)
{
    count();
    return __libc_realloc(block, size);
}

extern "C" void* memalign(size_t alignment, size_t size)
{
    count();
    return __libc_memalign(alignment, size);
}

extern "C" int posix_memalign(void** out, size_t alignment, size_t size)
{
    count();
    void* block = __libc_memalign(alignment, size);
    if (!block)
        return 12; // ENOMEM
    *out = block;
    return 0;
}

extern "C" void* aligned_alloc(size_t alignment, size_t size)
{
    count();
    return __libc_memalign(alignment, size);
}

extern "C" void free(void* block) { __libc_free(block); }

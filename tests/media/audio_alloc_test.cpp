// The audio thread allocates nothing while the tune plays: the C allocator is interposed in this
// test program and counts every call made while counting is on.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <malloc.h>
#include <thread>

#include "assets.h"
#include "platform.h"

extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* block, size_t size);
extern "C" void* __libc_memalign(size_t alignment, size_t size);

static std::atomic<bool> counting{false};
static std::atomic<long> allocations{0};

static void count()
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
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

extern "C" void* aligned_alloc(size_t alignment, size_t size)
{
    count();
    return __libc_memalign(alignment, size);
}

extern "C" int posix_memalign(void** out, size_t alignment, size_t size)
{
    count();
    *out = __libc_memalign(alignment, size);
    return *out != nullptr ? 0 : 12; // ENOMEM
}

namespace {

TEST(AudioThread, AllocatesNothingWhileTheTunePlays)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_TRUE(player_open(44100));
    ASSERT_TRUE(player_start());
    ASSERT_TRUE(player_load(music_module, music_module_size));
    ASSERT_TRUE(player_play());
    // the first buffers may set up the mixer; after that every buffer must come without the heap
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    counting = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    counting = false;
    player_stop();
    player_free();
    EXPECT_EQ(allocations.load(), 0);
}

} // namespace

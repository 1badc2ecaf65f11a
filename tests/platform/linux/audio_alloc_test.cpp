// The audio thread allocates nothing while the tune plays, under the counting allocator.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "assets.h"
#include "counting_malloc.h"
#include "platform.h"

namespace
{

TEST(AudioThread, AllocatesNothingWhileTheTunePlays)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_TRUE(player_open(44100));
    ASSERT_TRUE(player_start());
    ASSERT_TRUE(player_load(music_module, music_module_size));
    ASSERT_TRUE(player_play());
    // the first buffers may set up the mixer; after that every buffer must come without the heap
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    allocation_count = 0;
    allocation_counting = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    allocation_counting = false;
    player_stop();
    player_free();
    EXPECT_EQ(allocation_count.load(), 0);
}

} // namespace

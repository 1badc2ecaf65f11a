// The frame allocates nothing: draw_frame and all it calls, over thousands of frames.
#include <gtest/gtest.h>

#include "counting_malloc.h"
#include "fakes.h"
#include "scene.h"
#include "scene_test_support.h"

namespace
{

TEST(FrameAllocations, NoneOverThousandsOfFrames)
{
    reset_scene();

    fake_log.recording = false;
    allocation_count = 0;
    allocation_counting = true;
    // 5000 frames: every slot spawned at least three times, the scroller well into the text
    for (int frame = 0; frame < 5000; frame++)
        draw_frame();
    allocation_counting = false;
    fake_log.recording = true;

    EXPECT_EQ(allocation_count.load(), 0);
    int alive = 0;
    for (const OrnamentSlot& slot : scene.ornament_slots)
        alive += slot.active;
    EXPECT_GT(alive, 0); // the frames really ran the flock
}

TEST(FrameAllocations, TheCounterSeesAnAllocation)
{
    allocation_count = 0;
    allocation_counting = true;
    char* volatile block = new char[64];
    allocation_counting = false;
    delete[] block;
    EXPECT_EQ(allocation_count.load(), 1);
}

} // namespace

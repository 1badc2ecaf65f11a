// The frame timer under the pacing, on the real clock: stale expiries dropped, no endless wait.
#include <gtest/gtest.h>

#include <algorithm>

#include "fakes.h"
#include "platform.h"

namespace
{

void sleep_ms(long ms)
{
    timespec t = { ms / 1000, (ms % 1000) * 1000000L };
    nanosleep(&t, nullptr);
}

// How long one reset, arm and wait takes, the least of a few tries (load only lengthens it).
double least_wait_ms(unsigned delay_ms, int tries)
{
    double least = 1e9;
    for (int i = 0; i < tries; i++) {
        frame_timer_reset();
        const double start = now_ms();
        frame_timer_arm(delay_ms);
        frame_timer_wait();
        least = std::min(least, now_ms() - start);
        frame_timer_cancel();
    }
    return least;
}

// Each case starts with no timer and closes the one it made, so they pass in one process too.
class FrameTimer : public ::testing::Test
{
protected:
    void TearDown() override { frame_timer_destroy(); }
};

// The run asks for a 1 ms resolution and 10 ms frames: both lie within what the clock reports.
TEST_F(FrameTimer, TheClockOffersTheOneMillisecondPeriodAndTheTenMillisecondFrame)
{
    unsigned period_min = 0;
    unsigned period_max = 0;
    ASSERT_TRUE(frame_timer_query(&period_min, &period_max));
    EXPECT_EQ(period_min, 1u); // CLOCK_MONOTONIC is finer than a millisecond everywhere we run
    EXPECT_GE(period_max, 10u);
}

TEST_F(FrameTimer, AnArmedWaitLastsTheDelayFromTheArming)
{
    ASSERT_TRUE(frame_timer_create());
    frame_timer_reset();
    const double start = now_ms();
    EXPECT_TRUE(frame_timer_arm(10));
    frame_timer_wait();
    EXPECT_GE(now_ms() - start, 9.9);
    frame_timer_cancel();
    EXPECT_LT(least_wait_ms(10, 5), 12.0);
}

TEST_F(FrameTimer, AnExpiryLeftFromAnEarlierFrameDoesNotCutTheNextWaitShort)
{
    ASSERT_TRUE(frame_timer_create());
    frame_timer_reset();
    frame_timer_arm(1);
    sleep_ms(5); // it expires unread, as after a frame that ended without waiting
    frame_timer_reset();
    const double start = now_ms();
    frame_timer_arm(10);
    frame_timer_wait();
    EXPECT_GE(now_ms() - start, 9.9);
}

TEST_F(FrameTimer, WithoutATimerTheWaitStillEndsAtTheFramesDeadline)
{
    // never created: arming fails, and the wait sleeps to the deadline instead of blocking for ever
    frame_timer_reset();
    const double start = now_ms();
    EXPECT_FALSE(frame_timer_arm(10));
    frame_timer_wait();
    EXPECT_GE(now_ms() - start, 9.9);
    EXPECT_LT(least_wait_ms(10, 5), 12.0);
}

TEST_F(FrameTimer, AWaitAfterTheDeadlineReturnsAtOnce)
{
    ASSERT_TRUE(frame_timer_create());
    double least = 1e9;
    for (int i = 0; i < 5; i++) {
        frame_timer_reset();
        frame_timer_arm(2);
        sleep_ms(6);
        const double start = now_ms();
        frame_timer_wait();
        least = std::min(least, now_ms() - start);
        frame_timer_cancel();
    }
    EXPECT_LT(least, 1.0);
}

} // namespace

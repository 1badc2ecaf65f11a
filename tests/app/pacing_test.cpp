// Frame pacing on the real frame timer: 10 ms from the arming, drawing time inside the period.
#include <gtest/gtest.h>

#include <time.h>

#include <algorithm>
#include <vector>

#include "app.h"
#include "fakes.h"
#include "scene.h"

namespace {

double draw_ms = 0;

double now_ms()
{
    timespec t = {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1000.0 + (double)t.tv_nsec / 1e6;
}

// Periods of on_display over a run of frames whose drawing takes `drawing` ms (busy, like a GPU-bound frame).
std::vector<double> frame_periods(double drawing, int frames)
{
    draw_ms = drawing;
    std::vector<double> periods;
    double last = now_ms();
    for (int i = 0; i < frames; i++) {
        on_display();
        double t = now_ms();
        periods.push_back(t - last);
        last = t;
        fake_calls_clear();
    }
    return periods;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

class Pacing : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(init_frame_timer()); }
};

TEST_F(Pacing, AnEmptyFrameLastsTenMilliseconds)
{
    std::vector<double> periods = frame_periods(0, 30);
    for (double p : periods)
        EXPECT_GE(p, 9.9);
    EXPECT_LT(median(periods), 14.0);
}

TEST_F(Pacing, DrawingTimeIsInsideThePeriod)
{
    std::vector<double> periods = frame_periods(3, 30);
    for (double p : periods)
        EXPECT_GE(p, 9.9);
    EXPECT_LT(median(periods), 14.0); // 10 ms, not 13
}

TEST_F(Pacing, ASlowFrameIsFollowedAtOnce)
{
    std::vector<double> periods = frame_periods(25, 10);
    for (double p : periods)
        EXPECT_GE(p, 24.9);
    EXPECT_LT(median(periods), 29.0); // no extra 10 ms wait after a slow frame
}

} // namespace

// Stands in for the scene: a frame that keeps the CPU busy for draw_ms.
void draw_frame()
{
    double end = now_ms() + draw_ms;
    while (now_ms() < end) {
    }
}

// Frame pacing on the real frame timer: 10 ms from the arming, drawing time inside the period.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app.h"
#include "fakes.h"

namespace
{

// One frame as seen from outside: how long it lasted, and how much of that came after the drawing.
struct Frame {
    double period;
    double after_drawing;
};

// A run of frames whose drawing takes `drawing` ms (busy, like a GPU-bound frame).
std::vector<Frame> run_frames(double drawing, int frames)
{
    scene_stand_in.draw_ms = drawing;
    std::vector<Frame> run;
    double last = now_ms();
    for (int i = 0; i < frames; i++) {
        on_display();
        double t = now_ms();
        run.push_back(Frame { t - last, t - scene_stand_in.draw_end_ms });
        last = t;
        fake_calls_clear();
    }
    return run;
}

// The shortest frame of a run: a loaded machine only ever lengthens frames, so this is the steady
// measure of how long a frame is made to last.
double least_period(const std::vector<Frame>& run)
{
    double least = run.at(0).period;
    for (const Frame& frame : run)
        least = std::min(least, frame.period);
    return least;
}

// The least a frame spent after its drawing (flush, swap, wait): the part a late-armed timer would
// stretch. The least, since a loaded machine only ever adds to it.
double least_after_drawing(const std::vector<Frame>& run)
{
    double least = run.at(0).after_drawing;
    for (const Frame& frame : run)
        least = std::min(least, frame.after_drawing);
    return least;
}

class Pacing : public testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(init_frame_timer()); }
};

TEST_F(Pacing, AnEmptyFrameLastsTenMilliseconds)
{
    std::vector<Frame> run = run_frames(0, 30);
    for (const Frame& frame : run)
        EXPECT_GE(frame.period, 9.9);
    EXPECT_LT(least_period(run), 11.0);
}

TEST_F(Pacing, DrawingTimeIsInsideThePeriod)
{
    std::vector<Frame> run = run_frames(3, 30);
    for (const Frame& frame : run)
        EXPECT_GE(frame.period, 9.9);
    EXPECT_LT(least_period(run), 11.0);
    // about 7 ms of the 10 are left after 3 ms of drawing; a timer armed after the drawing leaves 10
    EXPECT_LT(least_after_drawing(run), 9.0);
}

TEST_F(Pacing, ASlowFrameIsFollowedAtOnce)
{
    std::vector<Frame> run = run_frames(25, 10);
    for (const Frame& frame : run)
        EXPECT_GE(frame.period, 24.9);
    // the timer ran out during the drawing: no wait after it, and no extra 10 ms
    EXPECT_LT(least_after_drawing(run), 5.0);
}

} // namespace

// The frame timer in the browser: a deadline on the page clock and a wait that hands the thread back
// to the page until the deadline has passed (a timeout of the remaining milliseconds).
#include "platform.h"
#include "web_page.h"

#include <emscripten.h>

struct FrameTimerWeb {
    double deadline_ms; // the page clock at arming plus the delay
};

static FrameTimerWeb frame_timer_web;

void frame_timer_web_reset() { frame_timer_web = FrameTimerWeb(); }

// Called by init_frame_timer: the page's timeouts count whole milliseconds.
bool frame_timer_query(unsigned* period_min, unsigned* period_max)
{
    *period_min = 1;
    *period_max = 1000000;
    return true;
}

// Called once by init_frame_timer: the page clock is always there.
bool frame_timer_create()
{
    frame_timer_web_reset();
    return true;
}

// Called by run_intro and on_key: the page's timeouts have no resolution to raise.
bool frame_timer_begin_period(unsigned period)
{
    (void)period;
    return true;
}

void frame_timer_end_period(unsigned period) { (void)period; }

// Called by on_display first thing in a frame: the arming alone replaces the last deadline.
void frame_timer_reset() { }

// Called by on_display right after the reset: the deadline delay_ms from now.
bool frame_timer_arm(unsigned delay_ms)
{
    frame_timer_web.deadline_ms = emscripten_get_now() + delay_ms;
    return true;
}

// Called by on_display after the swap. The page must get the thread back once a frame even when the
// frame took longer than its period: only then does it show the frame and deliver keys.
void frame_timer_wait() { web_sleep_until(frame_timer_web.deadline_ms); }

// Called by on_display last: a deadline that has passed needs no cancelling.
void frame_timer_cancel() { }

// Called by tests between cases.
void frame_timer_destroy() { frame_timer_web_reset(); }

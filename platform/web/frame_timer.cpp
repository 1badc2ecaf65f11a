// The frame timer in the browser. A page shows at most one frame per display refresh (60 Hz on most
// screens, less on a phone saving power, more on a fast one), when the browser calls its animation
// frame; the intro's steps stay 10 ms apart on the page clock whatever the refresh. At each shown frame
// the steps that have come due run back to back, each one whole step in order, and only the last of
// them is drawn: glut_web drops the others' GL calls (gl_web_drop_calls), so their state still moves
// on exactly. A step never runs before it is due. A stall (the tab hidden, a debugger, a slow frame)
// is not raced through: at most MAX_STEPS_A_FRAME steps (250 ms of the intro) run in one shown frame
// and the rest are let go, the next step keeping the 10 ms grid. A frame slower than that is a stall,
// not a slow machine: a page drawing in software on a loaded machine takes up to a tenth of a second.
// A step that came due but could not run (the context lost, so nothing was drawn) is let go too.
#include "platform.h"
#include "web_page.h"

#include <emscripten.h>

static const int MAX_STEPS_A_FRAME = 25;

struct FrameTimerWeb {
    double period_ms; // the delay of the last arming: one step
    double next_ms; // the page clock at which the next step is due; 0 before the first arming
    int more_due; // steps still to run in this shown frame after the coming one
    bool step_ran; // the step the last wait gave its turn to has run (frame_timer_web_step_ran)
    int unrun; // steps whose turn came and went with nothing run, not yet told
};

static FrameTimerWeb frame_timer_web;

void frame_timer_web_reset() { frame_timer_web = FrameTimerWeb(); }

bool frame_timer_web_more_due() { return frame_timer_web.more_due > 0; }

void frame_timer_web_step_ran() { frame_timer_web.step_ran = true; }

// Called by init_frame_timer: the page clock counts fractions of milliseconds.
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

// Called by run_intro and on_key: the page has no timer resolution to raise.
bool frame_timer_begin_period(unsigned period)
{
    (void)period;
    return true;
}

void frame_timer_end_period(unsigned period) { (void)period; }

// Called by on_display first thing in a frame: the steps keep their grid, nothing to forget.
void frame_timer_reset() { }

// Called by on_display right after the reset. The first step runs at once, each later one delay_ms
// after the one before it on the grid.
bool frame_timer_arm(unsigned delay_ms)
{
    frame_timer_web.period_ms = delay_ms;
    if (frame_timer_web.next_ms == 0)
        frame_timer_web.next_ms = emscripten_get_now() + delay_ms;
    return true;
}

// Called by on_display after the swap: returns at once while this shown frame has steps left to run,
// else hands the thread to the page, which shows the frame, until a shown frame has steps due.
void frame_timer_wait()
{
    FrameTimerWeb& t = frame_timer_web;
    if (!t.step_ran)
        t.unrun++; // on_idle waits out a turn in which no frame could be made
    t.step_ran = false;
    if (t.more_due > 0) {
        t.more_due--;
        return;
    }
    for (;;) {
        const double now = web_wait_frame();
        if (now < t.next_ms)
            continue; // a display faster than the steps: this refresh has none due
        const int due = (int)((now - t.next_ms) / t.period_ms) + 1;
        t.next_ms += due * t.period_ms;
        t.more_due = (due < MAX_STEPS_A_FRAME ? due : MAX_STEPS_A_FRAME) - 1;
        const int let_go = t.unrun + (due > MAX_STEPS_A_FRAME ? due - MAX_STEPS_A_FRAME : 0);
        t.unrun = 0;
        if (let_go > 0)
            web_steps_let_go(let_go);
        return;
    }
}

// Called by on_display last: nothing is pending.
void frame_timer_cancel() { }

// Called by tests between cases.
void frame_timer_destroy() { frame_timer_web_reset(); }

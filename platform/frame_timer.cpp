// The frame timer: one timerfd on CLOCK_MONOTONIC, armed once per frame.
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>

#include "platform.h"

static int timer_fd = -1;
static bool timer_armed = false;
static timespec frame_deadline = {};

static const unsigned LARGEST_PERIOD_MS = 1000000;

// Called by init_frame_timer: the clock's resolution rounded up to whole milliseconds.
bool frame_timer_query(unsigned* period_min, unsigned* period_max)
{
    timespec resolution = {};
    if (clock_getres(CLOCK_MONOTONIC, &resolution) != 0)
        return false;
    long long ns = (long long)resolution.tv_sec * 1000000000LL + resolution.tv_nsec;
    long long ms = (ns + 999999) / 1000000;
    *period_min = (unsigned)(ms < 1 ? 1 : ms);
    *period_max = LARGEST_PERIOD_MS;
    return true;
}

// Called once by init_frame_timer; the descriptor lives until the process ends.
bool frame_timer_create()
{
    timer_fd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    return timer_fd >= 0;
}

// Called by run_intro once the timer exists. The clock is already fine-grained; what still blurs a
// 10 ms expiry is the timer slack the kernel may add to every sleep of this thread (50 us by
// default), so the run asks for none. Nothing here can fail the start.
bool frame_timer_begin_period(unsigned period)
{
    (void)period;
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    return true;
}

// Called by on_key on the way out: the thread's default slack again.
void frame_timer_end_period(unsigned period)
{
    (void)period;
    prctl(PR_SET_TIMERSLACK, 0UL, 0UL, 0UL, 0UL);
}

static void disarm()
{
    itimerspec off = {};
    if (timer_fd >= 0)
        timerfd_settime(timer_fd, 0, &off, nullptr);
}

// Called by on_display first thing in a frame: setting the timer again also drops an expiry
// that was not read.
void frame_timer_reset()
{
    disarm();
    timer_armed = false;
}

bool frame_timer_arm(unsigned delay_ms)
{
    itimerspec once = {};
    once.it_value.tv_sec = (time_t)(delay_ms / 1000);
    once.it_value.tv_nsec = (long)(delay_ms % 1000) * 1000000L;
    // the fallback wait sleeps until this moment
    clock_gettime(CLOCK_MONOTONIC, &frame_deadline);
    frame_deadline.tv_sec += once.it_value.tv_sec;
    frame_deadline.tv_nsec += once.it_value.tv_nsec;
    if (frame_deadline.tv_nsec >= 1000000000L) {
        frame_deadline.tv_sec += 1;
        frame_deadline.tv_nsec -= 1000000000L;
    }
    timer_armed = timer_fd >= 0 && timerfd_settime(timer_fd, 0, &once, nullptr) == 0;
    return timer_armed;
}

// Called by on_display after the swap. Never waits without limit: when the timer is not armed, or
// cannot be read, a sleep to the frame's deadline takes its place.
void frame_timer_wait()
{
    if (timer_armed) {
        uint64_t expiries = 0;
        for (;;) {
            if (read(timer_fd, &expiries, sizeof expiries) == (ssize_t)sizeof expiries)
                return;
            if (errno != EINTR)
                break;
        }
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &frame_deadline, nullptr) == EINTR) {
    }
}

void frame_timer_cancel()
{
    disarm();
    timer_armed = false;
}

// The frame timer: one timerfd on CLOCK_MONOTONIC, armed once per frame.
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>

#include "platform.h"

// The timer's state, in one record: as at program start and after frame_timer_destroy.
struct FrameTimer {
    int fd; // the timerfd, -1 before frame_timer_create
    bool armed; // armed for this frame
    bool expiry_read; // this frame's expiry was read, which disarmed it
    timespec deadline; // the frame's end on CLOCK_MONOTONIC: the fallback wait sleeps to it
};
static const FrameTimer FRAME_TIMER_START = { -1, false, false, {} };
static FrameTimer timer = FRAME_TIMER_START;

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

// Called once by init_frame_timer; the intro keeps the descriptor until it ends.
bool frame_timer_create()
{
    timer.fd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    return timer.fd >= 0;
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
    if (timer.fd >= 0)
        timerfd_settime(timer.fd, 0, &off, nullptr);
}

// Called by on_display first thing in a frame. No system call: arming sets the timer again, and
// setting a timerfd drops an expiry that was not read.
void frame_timer_reset()
{
    timer.armed = false;
    timer.expiry_read = false;
}

// Called by on_display right after the reset: the expiry delay_ms from now, on the timerfd as an
// absolute time, which the fallback wait also sleeps to.
bool frame_timer_arm(unsigned delay_ms)
{
    clock_gettime(CLOCK_MONOTONIC, &timer.deadline);
    timer.deadline.tv_sec += (time_t)(delay_ms / 1000);
    timer.deadline.tv_nsec += (long)(delay_ms % 1000) * 1000000L;
    if (timer.deadline.tv_nsec >= 1000000000L) {
        timer.deadline.tv_sec += 1;
        timer.deadline.tv_nsec -= 1000000000L;
    }
    itimerspec once = {};
    once.it_value = timer.deadline;
    timer.armed = timer.fd >= 0 && timerfd_settime(timer.fd, TFD_TIMER_ABSTIME, &once, nullptr) == 0;
    return timer.armed;
}

// Called by on_display after the swap. Never waits without limit: when the timer is not armed, or
// cannot be read, a sleep to the frame's deadline takes its place.
void frame_timer_wait()
{
    if (timer.armed) {
        uint64_t expiries = 0;
        for (;;) {
            if (read(timer.fd, &expiries, sizeof expiries) == (ssize_t)sizeof expiries) {
                timer.expiry_read = true;
                return;
            }
            if (errno != EINTR)
                break;
        }
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &timer.deadline, nullptr) == EINTR) { }
}

// Called by on_display last. A one-shot timer whose expiry was read is already disarmed: only a
// timer still running needs the system call.
void frame_timer_cancel()
{
    if (timer.armed && !timer.expiry_read)
        disarm();
    timer.armed = false;
}

// Called by tests between cases: the timer is gone, as before frame_timer_create.
void frame_timer_destroy()
{
    if (timer.fd >= 0)
        close(timer.fd);
    timer = FRAME_TIMER_START;
}

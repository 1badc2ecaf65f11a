// The frame timer on Windows: the multimedia timer's one-shot that sets an event, and a wait on it.
#include "platform.h"

#include <windows.h>
#include <mmsystem.h>

// The timer's state, in one record: all zero at program start and after frame_timer_destroy.
struct FrameTimer {
    HANDLE event; // manual reset, made once by frame_timer_create
    MMRESULT id; // the armed one-shot, 0 when none is armed
    ULONGLONG deadline; // GetTickCount64 at arming plus the delay: the fallback wait's end
};
static FrameTimer timer;

// Called by init_frame_timer: the smallest and largest period the timer device supports.
bool frame_timer_query(unsigned* period_min, unsigned* period_max)
{
    TIMECAPS caps = {};
    if (timeGetDevCaps(&caps, sizeof caps) != TIMERR_NOERROR)
        return false;
    *period_min = caps.wPeriodMin;
    *period_max = caps.wPeriodMax;
    return true;
}

// Called once by init_frame_timer: the event the timer sets, manual reset, not signalled.
bool frame_timer_create()
{
    timer.event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return timer.event != nullptr;
}

// Called by run_intro: the timer resolution for the whole run.
bool frame_timer_begin_period(unsigned period) { return timeBeginPeriod(period) == TIMERR_NOERROR; }

// Called by on_key on the way out.
void frame_timer_end_period(unsigned period) { timeEndPeriod(period); }

// Called by on_display first thing in a frame: a signal left from the last frame is cleared.
void frame_timer_reset() { ResetEvent(timer.event); }

// Called by on_display right after the reset: a one-shot of delay_ms at the timer's best accuracy
// that sets the event.
bool frame_timer_arm(unsigned delay_ms)
{
    timer.deadline = GetTickCount64() + delay_ms;
    timer.id = timer.event
        ? timeSetEvent(delay_ms, 0, (LPTIMECALLBACK)timer.event, 0, TIME_ONESHOT | TIME_CALLBACK_EVENT_SET)
        : 0;
    return timer.id != 0;
}

// Called by on_display after the swap. Waits for the event only when a timer will set it; otherwise
// sleeps out what is left of the frame, so it never waits without limit.
void frame_timer_wait()
{
    if (timer.id != 0) {
        WaitForSingleObject(timer.event, INFINITE);
        return;
    }
    const ULONGLONG now = GetTickCount64();
    if (now < timer.deadline)
        Sleep((DWORD)(timer.deadline - now));
}

// Called by on_display last: the one-shot has fired by now; killing it is harmless either way.
void frame_timer_cancel()
{
    if (timer.id != 0)
        timeKillEvent(timer.id);
    timer.id = 0;
}

// Called by tests between cases: the event is gone, as before frame_timer_create.
void frame_timer_destroy()
{
    frame_timer_cancel();
    if (timer.event)
        CloseHandle(timer.event);
    timer.event = nullptr;
}

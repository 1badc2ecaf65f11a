// The frame timer on Windows: the multimedia timer's one-shot that sets an event, and a wait on it.
#include "platform.h"

#include <windows.h>
#include <mmsystem.h>

static HANDLE frame_event; // manual reset, made once by frame_timer_create
static MMRESULT frame_timer_id; // the armed one-shot, 0 when none is armed
static ULONGLONG frame_deadline; // GetTickCount64 at arming plus the delay: the fallback wait's end

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
    frame_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return frame_event != nullptr;
}

// Called by run_intro: the timer resolution for the whole run.
bool frame_timer_begin_period(unsigned period) { return timeBeginPeriod(period) == TIMERR_NOERROR; }

// Called by on_key on the way out.
void frame_timer_end_period(unsigned period) { timeEndPeriod(period); }

// Called by on_display first thing in a frame: a signal left from the last frame is cleared.
void frame_timer_reset() { ResetEvent(frame_event); }

// Called by on_display right after the reset: a one-shot of delay_ms at the timer's best accuracy
// that sets the event.
bool frame_timer_arm(unsigned delay_ms)
{
    frame_deadline = GetTickCount64() + delay_ms;
    frame_timer_id = frame_event ? timeSetEvent(delay_ms, 0, (LPTIMECALLBACK)frame_event, 0,
                                       TIME_ONESHOT | TIME_CALLBACK_EVENT_SET)
                                 : 0;
    return frame_timer_id != 0;
}

// Called by on_display after the swap. Waits for the event only when a timer will set it; otherwise
// sleeps out what is left of the frame, so it never waits without limit.
void frame_timer_wait()
{
    if (frame_timer_id != 0) {
        WaitForSingleObject(frame_event, INFINITE);
        return;
    }
    const ULONGLONG now = GetTickCount64();
    if (now < frame_deadline)
        Sleep((DWORD)(frame_deadline - now));
}

// Called by on_display last: the one-shot has fired by now; killing it is harmless either way.
void frame_timer_cancel()
{
    if (frame_timer_id != 0)
        timeKillEvent(frame_timer_id);
    frame_timer_id = 0;
}

// Called by tests between cases: the event is gone, as before frame_timer_create.
void frame_timer_destroy()
{
    frame_timer_cancel();
    if (frame_event)
        CloseHandle(frame_event);
    frame_event = nullptr;
}

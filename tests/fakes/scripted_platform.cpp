// A scripted stand-in for the platform layer: every call is logged, every answer comes from the script.
#include "fakes.h"
#include "platform.h"

PlatformScript platform_script;

void fake_platform_reset() { platform_script = PlatformScript(); }

int message_box_show(const char* text, const char* caption, int style)
{
    // the text is "caption|text" so one string shows both
    fake_record("message_box_show", { (double)style }, std::string(caption) + "|" + text);
    if ((style & 0x0F) == MB_YESNO)
        return platform_script.question_answer;
    return IDOK;
}

bool frame_timer_query(unsigned* period_min, unsigned* period_max)
{
    fake_record("frame_timer_query");
    if (!platform_script.query_ok)
        return false;
    *period_min = platform_script.period_min;
    *period_max = platform_script.period_max;
    return true;
}
bool frame_timer_create()
{
    fake_record("frame_timer_create");
    return platform_script.create_ok;
}
bool frame_timer_begin_period(unsigned period)
{
    fake_record("frame_timer_begin_period", { (double)period });
    return platform_script.begin_period_ok;
}
void frame_timer_end_period(unsigned period) { fake_record("frame_timer_end_period", { (double)period }); }
void frame_timer_reset() { fake_record("frame_timer_reset"); }
bool frame_timer_arm(unsigned delay_ms)
{
    fake_record("frame_timer_arm", { (double)delay_ms });
    return platform_script.arm_ok;
}
void frame_timer_wait() { fake_record("frame_timer_wait"); }
void frame_timer_cancel() { fake_record("frame_timer_cancel"); }
void frame_timer_destroy() { fake_record("frame_timer_destroy"); }

void display_mode_set(int width, int height, int bpp)
{
    fake_record("display_mode_set", { (double)width, (double)height, (double)bpp });
}
void display_mode_set_on_window() { fake_record("display_mode_set_on_window"); }
void window_class_set(const char* instance, const char* class_name)
{
    fake_record("window_class_set", {}, std::string(instance) + "|" + class_name);
}
void swap_control_disable() { fake_record("swap_control_disable"); }

bool player_open(int rate)
{
    fake_record("player_open", { (double)rate });
    return platform_script.player_open_ok;
}
bool player_start()
{
    fake_record("player_start");
    return platform_script.player_start_ok;
}
bool player_load(const void* module, size_t size)
{
    fake_record("player_load", { (double)size }, std::string(), module);
    return platform_script.player_load_ok;
}
bool player_play()
{
    fake_record("player_play");
    return platform_script.player_play_ok;
}
void player_stop() { fake_record("player_stop"); }
void player_free() { fake_record("player_free"); }

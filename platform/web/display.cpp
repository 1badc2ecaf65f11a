// The display in the browser: a page cannot switch the screen's mode, name a window class or set a
// swap interval, so these do nothing; the canvas is scaled to the screen instead (glut.cpp).
#include "platform.h"

// Called by set_display_mode: the intro runs on the screen's own mode, as where a switch fails.
void display_mode_set(int width, int height, int bpp)
{
    (void)width;
    (void)height;
    (void)bpp;
}

void display_mode_set_on_window() { }

void window_class_set(const char* instance, const char* class_name)
{
    (void)instance;
    (void)class_name;
}

// The page shows frames when the program hands the thread back: the frame timer alone sets the pace.
void swap_control_disable() { }

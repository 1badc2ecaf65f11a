// The main window's WM_CLASS, by which panels and docks find its menu entry and icon.
#include <GL/glx.h>
#include <X11/Xutil.h>

#include <cstdio>

#include "platform.h"

// Called by run_intro right after the window is made, its context current: freeglut names no class.
void window_class_set(const char* instance, const char* class_name)
{
    Display* display = glXGetCurrentDisplay();
    GLXDrawable window = glXGetCurrentDrawable();
    if (!display || !window)
        return;
    // Xlib takes the names as char *, though it only reads them
    char instance_copy[64];
    char class_copy[64];
    snprintf(instance_copy, sizeof instance_copy, "%s", instance);
    snprintf(class_copy, sizeof class_copy, "%s", class_name);
    XClassHint hint = { instance_copy, class_copy };
    XSetClassHint(display, window, &hint);
}

// The display mode on Windows: the pointer hidden and the primary display switched for this run.
#include "platform.h"

#include <windows.h>

#include <GL/gl.h>

#include <cstdlib>

// The size display_mode_set asked for, which the picture is drawn in: zero until it is called.
struct DisplayModeState {
    int requested_width;
    int requested_height;
};
static DisplayModeState mode_switch;

// At exit (the exit key, or GLUT's own exit): the desktop's mode back. Windows does that itself for a
// CDS_FULLSCREEN change when the process ends; Wine does not.
static void display_mode_restore() { ChangeDisplaySettingsA(nullptr, 0); }

// Called by set_display_mode before the window exists. CDS_FULLSCREEN makes the change temporary:
// Windows puts the desktop's mode back when the process ends, however it ends. Failure is not
// reported: without the mode the intro runs on the desktop's.
void display_mode_set(int width, int height, int bpp)
{
    mode_switch.requested_width = width;
    mode_switch.requested_height = height;
    ShowCursor(FALSE);
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    mode.dmBitsPerPel = (DWORD)bpp;
    mode.dmPelsWidth = (DWORD)width;
    mode.dmPelsHeight = (DWORD)height;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL)
        atexit(display_mode_restore);
}

// Called by run_intro once the window exists, its context current; the switch itself was made before.
// Windows shrinks a window with a caption that does not fit the screen, so on an 800 x 600 screen the
// window's 800 x 600 client area came out short of 600 rows, and the context's viewport with it. The
// window loses its frame as the full-screen request will have it, at the size asked for, and the
// viewport gets that size.
void display_mode_set_on_window()
{
    HWND window = WindowFromDC(wglGetCurrentDC());
    if (window == nullptr || mode_switch.requested_width <= 0 || mode_switch.requested_height <= 0)
        return;
    SetWindowLongPtrA(
        window, GWL_STYLE, GetWindowLongPtrA(window, GWL_STYLE) & ~(LONG_PTR)(WS_CAPTION | WS_THICKFRAME));
    SetWindowPos(window, nullptr, 0, 0, mode_switch.requested_width, mode_switch.requested_height,
        SWP_FRAMECHANGED | SWP_NOZORDER);
    glViewport(0, 0, mode_switch.requested_width, mode_switch.requested_height);
}

// The window's icon comes with the program (its GLUT_ICON resource, which freeglut's window class
// loads); Windows has no class names for panels to match.
void window_class_set(const char* instance, const char* class_name)
{
    (void)instance;
    (void)class_name;
}

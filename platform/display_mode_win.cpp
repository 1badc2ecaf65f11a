// The display mode on Windows: the pointer hidden and the primary display switched for this run.
#include "platform.h"

#include <windows.h>

// Called by set_display_mode before the window exists. CDS_FULLSCREEN makes the change temporary:
// Windows puts the desktop's mode back when the process ends, however it ends. Results are not
// looked at: without the mode the intro runs on the desktop's.
void display_mode_set(int width, int height, int bpp)
{
    ShowCursor(FALSE);
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    mode.dmBitsPerPel = (DWORD)bpp;
    mode.dmPelsWidth = (DWORD)width;
    mode.dmPelsHeight = (DWORD)height;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
}

// The switch is made before the window exists; nothing is left for afterwards.
void display_mode_set_on_window() { }

// The window's icon comes with the program (its GLUT_ICON resource, which freeglut's window class
// loads); Windows has no class names for panels to match.
void window_class_set(const char* instance, const char* class_name)
{
    (void)instance;
    (void)class_name;
}

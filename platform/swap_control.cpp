// Swap interval 0, so that the frame timer alone sets the pace.
#include <GL/glx.h>

#include <cstring>

#include "platform.h"

// Whole-word search: one extension name may be the prefix of another.
static bool has_extension(const char* list, const char* name)
{
    if (!list)
        return false;
    const size_t length = strlen(name);
    for (const char* at = strstr(list, name); at; at = strstr(at + length, name)) {
        const bool starts = at == list || at[-1] == ' ';
        const bool ends = at[length] == ' ' || at[length] == '\0';
        if (starts && ends)
            return true;
    }
    return false;
}

// Called by run_intro once the window and its context exist. The extension string is asked first:
// glXGetProcAddress hands out a stub even for functions the server lacks, and calling one crashes.
void swap_control_disable()
{
    Display* display = glXGetCurrentDisplay();
    GLXDrawable drawable = glXGetCurrentDrawable();
    if (!display || !drawable)
        return;
    const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    if (has_extension(extensions, "GLX_EXT_swap_control")) {
        auto set_interval
            = (PFNGLXSWAPINTERVALEXTPROC)glXGetProcAddress((const GLubyte*)"glXSwapIntervalEXT");
        if (set_interval)
            set_interval(display, drawable, 0);
    } else if (has_extension(extensions, "GLX_MESA_swap_control")) {
        auto set_interval
            = (PFNGLXSWAPINTERVALMESAPROC)glXGetProcAddress((const GLubyte*)"glXSwapIntervalMESA");
        if (set_interval)
            set_interval(0);
    }
}

// Swap interval 0, so that the frame timer alone sets the pace.
#include <GL/glx.h>

#include "platform.h"

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

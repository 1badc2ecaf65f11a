// Swap interval 0 through WGL_EXT_swap_control, so that the frame timer alone sets the pace.
#include "platform.h"

#include <windows.h>

#include <GL/gl.h>

typedef const char*(WINAPI* ExtensionsStringExt)();
typedef const char*(WINAPI* ExtensionsStringArb)(HDC);
typedef BOOL(WINAPI* SwapIntervalExt)(int);

// wglGetProcAddress returns a function pointer as PROC; the cast to the real type goes through void*.
template <typename Function> static Function wgl_function(const char* name)
{
    return (Function)(void*)wglGetProcAddress(name);
}

// Called by run_intro once the window and its context exist. The extension is looked up in the WGL
// extension string first (and, with older drivers, in GL's own).
void swap_control_disable()
{
    HDC dc = wglGetCurrentDC();
    if (!dc)
        return;
    const char* extensions = nullptr;
    if (auto arb = wgl_function<ExtensionsStringArb>("wglGetExtensionsStringARB"))
        extensions = arb(dc);
    else if (auto ext = wgl_function<ExtensionsStringExt>("wglGetExtensionsStringEXT"))
        extensions = ext();
    if (!has_extension(extensions, "WGL_EXT_swap_control")
        && !has_extension((const char*)glGetString(GL_EXTENSIONS), "WGL_EXT_swap_control"))
        return;
    if (auto set_interval = wgl_function<SwapIntervalExt>("wglSwapIntervalEXT"))
        set_interval(0);
}

// The layer's OpenGL ES 2 functions natively: Mesa's EGL hands out the core ES functions by name, so
// a program can use the layer without linking libGLESv2, whose glEnable and the rest would clash.
#include <EGL/egl.h>

#include <cstdio>
#include <cstdlib>

#include "gles_backend.h"

namespace gles
{

static void (*find(const char* name))()
{
    void (*function)() = eglGetProcAddress(name);
    if (function == nullptr) {
        fprintf(stderr, "gl_web: EGL has no %s\n", name);
        abort();
    }
    return function;
}

void load(Backend* backend)
{
#define GLES_FIND(name) backend->name = (decltype(backend->name))find("gl" #name);
    GLES_BACKEND_FUNCTIONS(GLES_FIND)
#undef GLES_FIND
}

} // namespace gles

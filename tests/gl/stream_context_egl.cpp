// An OpenGL ES 2 context with no window (Mesa's surfaceless EGL), drawing into an 800 x 600 pbuffer.
#include <EGL/egl.h>

#include <cstdio>
#include <string>

#include "gl_web.h"

bool stream_context_open();
bool stream_context_open()
{
    EGLDisplay display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    const EGLint wanted[] = { EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES2_BIT,
        EGL_RED_SIZE, 8, EGL_DEPTH_SIZE, 24, EGL_NONE };
    const EGLint size[] = { EGL_WIDTH, 800, EGL_HEIGHT, 600, EGL_NONE };
    const EGLint version[] = { EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE };
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr) || !eglBindAPI(EGL_OPENGL_ES_API)
        || !eglChooseConfig(display, wanted, &config, 1, &count) || count == 0) {
        fprintf(stderr, "gl_stream: no OpenGL ES 2 pbuffer (EGL error 0x%04x)\n", eglGetError());
        return false;
    }
    EGLSurface surface = eglCreatePbufferSurface(display, config, size);
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, version);
    return eglMakeCurrent(display, surface, surface, context) == EGL_TRUE;
}

// The traced layer logs GL and GLU calls alone.
std::string stream_context_take();
std::string stream_context_take() { return gl_web_trace_take(); }

// For the frames, the same context in either mode, as a web page's canvas has 8 bits a channel in both;
// the layer draws through the ES 2 functions EGL hands out by name, and so does the reading back.
bool frame_context_open(bool truecolor);
void frame_context_read(unsigned char* pixels);
bool frame_context_open(bool) { return stream_context_open(); }
void frame_context_read(unsigned char* pixels)
{
    auto read = (void (*)(int, int, int, int, unsigned, unsigned, void*))eglGetProcAddress("glReadPixels");
    read(0, 0, 800, 600, 0x1908 /* GL_RGBA */, 0x1401 /* GL_UNSIGNED_BYTE */, pixels);
}

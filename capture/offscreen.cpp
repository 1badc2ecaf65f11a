// Off-screen drawing: EGL with no window system, desktop OpenGL, a pbuffer to draw into.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>

#include "capture.h"
#include "platform.h"
#include "scene.h"

static EGLDisplay offscreen_display = EGL_NO_DISPLAY;
static EGLSurface offscreen_surface = EGL_NO_SURFACE;
static EGLSurface offscreen_backdrop = EGL_NO_SURFACE; // the backdrop pass's picture, kept
static EGLContext offscreen_context = EGL_NO_CONTEXT;
static int offscreen_width;
static int offscreen_height;

static bool offscreen_fail(const char* what)
{
    fprintf(
        stderr, "glimmerhorn-capture: cannot draw off screen: %s (EGL error 0x%04x)\n", what, eglGetError());
    offscreen_close();
    return false;
}

// The pbuffer configuration with exactly the buffers the intro's window has on an X server of the
// mode's depth: 8 bits a channel with 8 of alpha, or 5-6-5 bits, over a 32-bit depth buffer, with no
// stencil and no multisampling. EGL sorts what it offers by its own rules, so each is checked.
static bool choose_config(bool truecolor, EGLConfig* chosen)
{
    const EGLint wanted[]
        = { EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE };
    EGLConfig configs[256];
    EGLint count = 0;
    if (!eglChooseConfig(offscreen_display, wanted, configs, 256, &count))
        return false;
    // clang-format off
    //                             red  green  blue  alpha  depth  stencil  samples
    const EGLint sizes[2][7] = { {   5,     6,    5,     0,    32,       0,       0 },   // 16-bit mode
                                 {   8,     8,    8,     8,    32,       0,       0 } }; // 32-bit mode
    // clang-format on
    const EGLint names[7] = { EGL_RED_SIZE, EGL_GREEN_SIZE, EGL_BLUE_SIZE, EGL_ALPHA_SIZE, EGL_DEPTH_SIZE,
        EGL_STENCIL_SIZE, EGL_SAMPLES };
    for (EGLint i = 0; i < count; i++) {
        bool matches = true;
        for (int n = 0; n < 7 && matches; n++) {
            EGLint value = -1;
            matches = eglGetConfigAttrib(offscreen_display, configs[i], names[n], &value)
                && value == sizes[truecolor ? 1 : 0][n];
        }
        if (matches) {
            *chosen = configs[i];
            return true;
        }
    }
    return false;
}

// Called by capture_run before init_scene. Makes the context current on the calling thread, on a
// pbuffer of width x height, with the viewport over all of it. A pbuffer rather than a framebuffer
// object: Mesa draws window-system buffers with y running downwards, so only a pbuffer rasterises
// every edge and every texel the way the intro's window does.
bool offscreen_open(int width, int height, bool truecolor)
{
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!has_extension(client, "EGL_MESA_platform_surfaceless"))
        return offscreen_fail("EGL has no surfaceless platform (Mesa's libegl-mesa0 gives one)");
    auto get_platform_display
        = (PFNEGLGETPLATFORMDISPLAYEXTPROC)eglGetProcAddress("eglGetPlatformDisplayEXT");
    if (get_platform_display == nullptr)
        return offscreen_fail("EGL cannot open a display of a given platform");
    offscreen_display = get_platform_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (offscreen_display == EGL_NO_DISPLAY || !eglInitialize(offscreen_display, nullptr, nullptr)) {
        offscreen_display = EGL_NO_DISPLAY;
        return offscreen_fail("EGL's surfaceless display does not start");
    }
    if (!eglBindAPI(EGL_OPENGL_API))
        return offscreen_fail("EGL offers no desktop OpenGL");
    EGLConfig config = nullptr;
    if (!choose_config(truecolor, &config))
        return offscreen_fail(truecolor ? "EGL has no pbuffer of 8 bits a channel with alpha and 32-bit depth"
                                        : "EGL has no pbuffer of 5-6-5 bits with 32-bit depth");
    const EGLint surface_attributes[] = { EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE };
    offscreen_surface = eglCreatePbufferSurface(offscreen_display, config, surface_attributes);
    offscreen_backdrop = eglCreatePbufferSurface(offscreen_display, config, surface_attributes);
    if (offscreen_surface == EGL_NO_SURFACE || offscreen_backdrop == EGL_NO_SURFACE)
        return offscreen_fail("EGL cannot make a pbuffer of that size");
    // the scene is OpenGL 1.1, which the compatibility profile keeps
    const EGLint context_attributes[]
        = { EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE };
    offscreen_context = eglCreateContext(offscreen_display, config, EGL_NO_CONTEXT, context_attributes);
    if (offscreen_context == EGL_NO_CONTEXT)
        return offscreen_fail("EGL gives no OpenGL compatibility context");
    if (!eglMakeCurrent(offscreen_display, offscreen_surface, offscreen_surface, offscreen_context))
        return offscreen_fail("the OpenGL context cannot be made current");
    // the scene sets no viewport of its own: the projections fill whatever the buffer is, so at
    // --scale 2 the same picture comes out twice as wide and twice as high
    glViewport(0, 0, width, height);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    offscreen_width = width;
    offscreen_height = height;
    return true;
}

// Called by capture_run once after init_scene: draws the backdrop pass, which no frame changes, into
// the second pbuffer, the twin of the first, where it stays for offscreen_put_backdrop.
// Says why on stderr and returns false when the context will not take the second pbuffer, for
// drawing or for reading beside the first.
bool offscreen_keep_backdrop()
{
    if (!eglMakeCurrent(offscreen_display, offscreen_backdrop, offscreen_backdrop, offscreen_context))
        return offscreen_fail("the OpenGL context cannot draw into a second pbuffer");
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw_backdrop();
    glFinish();
    if (!eglMakeCurrent(offscreen_display, offscreen_surface, offscreen_backdrop, offscreen_context)
        || !eglMakeCurrent(offscreen_display, offscreen_surface, offscreen_surface, offscreen_context))
        return offscreen_fail("the OpenGL context cannot read from one pbuffer while drawing into another");
    return true;
}

// Called by the drawing loop at the start of each frame: the kept backdrop copied into the colour
// buffer, as the clear and the backdrop pass would leave it. The two pbuffers have one format, one
// size and one orientation, so the copy is a plain copy of the pixels.
void offscreen_put_backdrop()
{
    eglMakeCurrent(offscreen_display, offscreen_surface, offscreen_backdrop, offscreen_context);
    glBlitFramebuffer(0, 0, offscreen_width, offscreen_height, 0, 0, offscreen_width, offscreen_height,
        GL_COLOR_BUFFER_BIT, GL_NEAREST);
    eglMakeCurrent(offscreen_display, offscreen_surface, offscreen_surface, offscreen_context);
}

// Called by the drawing loop after a frame that goes into the video: waits for it and copies it out.
void offscreen_read(unsigned char* pixels)
{
    glReadPixels(0, 0, offscreen_width, offscreen_height, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
}

// Called by capture_run at the end, and by offscreen_open when it fails half way.
void offscreen_close()
{
    if (offscreen_display == EGL_NO_DISPLAY)
        return;
    eglMakeCurrent(offscreen_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (offscreen_context != EGL_NO_CONTEXT)
        eglDestroyContext(offscreen_display, offscreen_context);
    if (offscreen_surface != EGL_NO_SURFACE)
        eglDestroySurface(offscreen_display, offscreen_surface);
    if (offscreen_backdrop != EGL_NO_SURFACE)
        eglDestroySurface(offscreen_display, offscreen_backdrop);
    eglTerminate(offscreen_display);
    offscreen_display = EGL_NO_DISPLAY;
    offscreen_surface = EGL_NO_SURFACE;
    offscreen_backdrop = EGL_NO_SURFACE;
    offscreen_context = EGL_NO_CONTEXT;
}

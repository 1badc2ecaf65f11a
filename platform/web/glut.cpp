// The GLUT subset of the browser build over emscripten/html5.h: one WebGL context on #canvas, keys,
// visibility and context loss from the page, and a main loop that draws only while the page is shown.
#include "gl_web.h"
#include "platform.h"
#include "web_page.h"

#include <GL/glut.h>
#include <emscripten.h>
#include <emscripten/html5.h>

static const int KEY_QUEUE_SIZE = 64;

static const char NO_WEBGL[]
    = "This browser cannot draw the intro: WebGL is turned off or not available here.\n"
      "Turn on WebGL, or hardware acceleration, in the browser's settings and open the "
      "page again, or watch it in another browser.";

struct GlutWeb {
    unsigned display_mode;
    int width, height; // the window size asked for
    void (*error)(const char* format, va_list args);
    void (*display)();
    void (*reshape)(int width, int height);
    void (*keyboard)(unsigned char key, int x, int y);
    void (*idle)();
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context; // 0 until the window exists
    bool redisplay; // a redisplay was posted
    bool hidden; // the page is not shown
    bool reshape_due; // the canvas changed size since the reshape callback last heard
    int canvas_width, canvas_height;
    unsigned char keys[KEY_QUEUE_SIZE]; // keys waiting for the main loop, oldest first
    int key_count;
    unsigned frame; // frames swapped so far: the intro's steps, drawn or not
    bool dropping; // the frame being made is not shown (frame_timer_web_more_due)
};

static GlutWeb glut_web;

// The page's keydown: Esc, Return and the keys of one Latin-1 character reach the keyboard callback.
static EM_BOOL on_page_key(int type, const EmscriptenKeyboardEvent* event, void* data)
{
    (void)type;
    (void)data;
    const unsigned char* name = (const unsigned char*)event->key;
    int key = -1;
    if (name[0] != 0 && name[1] == 0 && name[0] < 0x80)
        key = name[0];
    else if ((name[0] & 0xFE) == 0xC2 && (name[1] & 0xC0) == 0x80 && name[2] == 0) // U+0080..U+00FF
        key = ((name[0] & 0x03) << 6) | (name[1] & 0x3F);
    else if (__builtin_strcmp(event->key, "Escape") == 0)
        key = 27;
    else if (__builtin_strcmp(event->key, "Enter") == 0)
        key = 13;
    if (key < 0)
        return EM_FALSE;
    glut_web_key(key);
    return EM_TRUE;
}

static EM_BOOL on_page_visibility(int type, const EmscriptenVisibilityChangeEvent* event, void* data)
{
    (void)type;
    (void)data;
    glut_web.hidden = event->hidden;
    return EM_FALSE;
}

EMSCRIPTEN_KEEPALIVE void glut_web_key(int key)
{
    if (glut_web.context == 0 || glut_web.key_count == KEY_QUEUE_SIZE)
        return; // before the window exists keys go nowhere, as on the desktop
    glut_web.keys[glut_web.key_count++] = (unsigned char)key;
}

EMSCRIPTEN_KEEPALIVE void glut_web_resized(int width, int height)
{
    glut_web.canvas_width = width;
    glut_web.canvas_height = height;
    glut_web.reshape_due = true;
}

// The canvas's context is lost (a GPU reset, the tab put to sleep): the page's default is prevented,
// so the browser will restore it; until then the main loop draws nothing.
static EM_BOOL on_context_lost(int type, const void* reserved, void* data)
{
    (void)type;
    (void)reserved;
    (void)data;
    gl_web_context_lost();
    return EM_TRUE;
}

static EM_BOOL on_context_restored(int type, const void* reserved, void* data)
{
    (void)type;
    (void)reserved;
    (void)data;
    emscripten_webgl_make_context_current(glut_web.context);
    gl_web_context_restored();
    return EM_TRUE;
}

static bool context_lost() { return emscripten_is_webgl_context_lost(glut_web.context); }

void glutInit(int* argc, char** argv)
{
    (void)argc;
    (void)argv;
    EmscriptenVisibilityChangeEvent visibility = {};
    if (emscripten_get_visibility_status(&visibility) == EMSCRIPTEN_RESULT_SUCCESS)
        glut_web.hidden = visibility.hidden;
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, on_page_visibility);
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, on_page_key);
}

void glutInitDisplayMode(unsigned mode) { glut_web.display_mode = mode; }

void glutInitWindowSize(int width, int height)
{
    glut_web.width = width;
    glut_web.height = height;
}

void glutInitErrorFunc(void (*callback)(const char* format, va_list args)) { glut_web.error = callback; }

// Full screen was asked for in the question's answer, the one gesture the page gets before the window
// exists; a request here, outside any gesture, would be refused.
void glutFullScreen() { }

void glutSetCursor(int cursor)
{
    if (cursor == GLUT_CURSOR_NONE)
        web_cursor_hide();
}

void glutDisplayFunc(void (*callback)()) { glut_web.display = callback; }
void glutReshapeFunc(void (*callback)(int width, int height)) { glut_web.reshape = callback; }
void glutKeyboardFunc(void (*callback)(unsigned char key, int x, int y)) { glut_web.keyboard = callback; }
void glutIdleFunc(void (*callback)()) { glut_web.idle = callback; }
void glutPostRedisplay() { glut_web.redisplay = true; }

// The window is the page's #canvas: a WebGL 1 context with alpha and depth as the display mode asks,
// no multisampling; the tests' hooks read frames back, so then the drawing buffer is kept.
int glutCreateWindow(const char* title)
{
    emscripten_set_window_title(title);
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = (glut_web.display_mode & GLUT_ALPHA) != 0;
    attributes.depth = (glut_web.display_mode & GLUT_DEPTH) != 0;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.preserveDrawingBuffer = web_hooked();
    attributes.majorVersion = 1;
    glut_web.context = emscripten_webgl_create_context("#canvas", &attributes);
    if (glut_web.context <= 0) {
        // the viewer is told in the page, as the desktop tells its terminal that there is no display
        message_box_show(NO_WEBGL, "Glimmerhorn", MB_ICONERROR);
        va_list none = {};
        if (glut_web.error)
            glut_web.error("the browser gives no WebGL context", none);
        emscripten_force_exit(1);
    }
    emscripten_webgl_make_context_current(glut_web.context);
    emscripten_set_webglcontextlost_callback("#canvas", nullptr, EM_FALSE, on_context_lost);
    emscripten_set_webglcontextrestored_callback("#canvas", nullptr, EM_FALSE, on_context_restored);
    web_canvas_fit(glut_web.width, glut_web.height);
    glut_web.redisplay = true; // as a new window's first expose: the main loop's first pass draws
    return 1;
}

// Called by on_display after the frame: the tests' hooks see a shown frame (and, in the traced build,
// the GL calls that made it) before the page shows it, when the thread goes back to the page.
void glutSwapBuffers()
{
    glut_web.frame++;
    frame_timer_web_step_ran();
    const char* lines = gl_web_trace_take();
    if (glut_web.dropping)
        return;
    if (lines)
        web_gl_lines(lines);
    web_frame_shown(glut_web.frame);
}

// Before each frame: a frame that another due step follows in the same shown frame is made with the
// GL layer dropping its calls, unless the tests' hooks want it drawn.
static void frame_drop_choose()
{
    glut_web.dropping = frame_timer_web_more_due() && !web_frame_wanted(glut_web.frame + 1);
    gl_web_drop_calls(glut_web.dropping);
}

// GLUT's loop: between frames the canvas's new size, then the keys, reach their callbacks; a frame
// is drawn when one was posted and the context is there. While the page is hidden nothing runs. The
// thread goes back to the page in the frame timer's wait (frame_timer_web.cpp: the steps due at each
// shown frame); a pass that ran nothing waits one period.
void glutMainLoop()
{
    for (;;) {
        if (glut_web.hidden) {
            web_wait_visible();
            continue;
        }
        if (glut_web.reshape_due && glut_web.reshape) {
            glut_web.reshape_due = false;
            glut_web.reshape(glut_web.canvas_width, glut_web.canvas_height);
        }
        for (int i = 0; i < glut_web.key_count && glut_web.keyboard; i++)
            glut_web.keyboard(glut_web.keys[i], 0, 0);
        glut_web.key_count = 0;
        bool ran = false;
        if (glut_web.redisplay && glut_web.display && !context_lost()) {
            glut_web.redisplay = false;
            frame_drop_choose();
            glut_web.display();
            ran = true;
        }
        if (glut_web.idle) {
            glut_web.idle();
            ran = true;
        }
        if (!ran)
            web_sleep_until(emscripten_get_now() + 10.0);
    }
}

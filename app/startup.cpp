// The entry's start-up order, the display switch and the exit key.
#include "app.h"

#include <GL/freeglut.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "platform.h"
#include "scene.h"

static const AppState APP_START = { 16, 0, { 0, 0, INTRO_WIDTH, INTRO_HEIGHT }, false };
AppState app = APP_START;

// Called by tests between cases: the record as at program start.
void app_reset() { app = APP_START; }

static const char QUESTION[] = "Would You like to see the intro in its glorious 32-bit mode\n"
                               "with transparency effects of extraordinary magnitude?";
// The caption of the two timer failures' boxes: the intro's name without the "!" of every other box.
static const char TIMER_FAILURE_CAPTION[] = "Glimmerhorn";

// Called by run_intro once the question is answered, before the window exists. On XWayland the
// switch itself follows once the window exists (display_mode_set_on_window).
void set_display_mode()
{
    // the pointer is hidden once the window exists (run_intro): X has no pointer to hide before that
    display_mode_set(INTRO_WIDTH, INTRO_HEIGHT, app.display_bpp);
}

// GLUT reshape callback, whenever the window takes a new size (going full screen, a monitor
// change): the frame is scaled to the largest 4:3 rectangle of the window, centred. The frame's
// clear is not bound by the viewport, so the bars beside it are cleared every frame; their alpha
// is made 1, since a compositor shows a 32-bit window's alpha-0 pixels as holes to the desktop.
// A window of 800 x 600 keeps the viewport and clear colour it has: no GL call at all.
void on_reshape(int width, int height)
{
    const FrameViewport fit = frame_viewport_fit(width, height);
    const FrameViewport& drawn = app.reshape_viewport;
    if (fit.x == drawn.x && fit.y == drawn.y && fit.width == drawn.width && fit.height == drawn.height)
        return;
    glViewport(fit.x, fit.y, fit.width, fit.height);
    glClearColor(0, 0, 0, width == INTRO_WIDTH && height == INTRO_HEIGHT ? 0.0f : 1.0f);
    app.reshape_viewport = fit;
}

// GLUT keyboard callback, between frames: Esc and lower-case q end the intro with status 0.
void on_key(unsigned char key, int x, int y)
{
    (void)x;
    (void)y;
    if (key != 27 && key != 'q')
        return;
    player_stop();
    player_free();
    frame_timer_end_period(app.timer_period);
    exit(0);
}

// GLUT error callback: GLUT cannot go on (above all, no X display). Says so in the intro's name and
// ends with status 1, as GLUT itself would.
static void on_glut_error(const char* format, va_list args)
{
    fputs("Glimmerhorn: ", stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    const char* display = getenv("DISPLAY");
    if (!display || !*display)
        fputs("Glimmerhorn: DISPLAY is not set; the intro needs an X display (an X11 session, or Wayland "
              "through XWayland)\n",
            stderr);
    exit(1);
}

void init_glut()
{
    // GLUT gets made-up arguments: nothing from the command line ever reaches it
    static char empty_name[] = "";
    static char* glut_argv[] = { empty_name, nullptr };
    int glut_argc = 1;
    glutInitErrorFunc(on_glut_error);
    glutInit(&glut_argc, glut_argv);
}

void open_window(bool truecolor)
{
    glutInitDisplayMode(
        truecolor ? GLUT_RGB | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH : GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(INTRO_WIDTH, INTRO_HEIGHT);
    glutCreateWindow(INTRO_CAPTION);
    // the class names our menu entry to panels; XWayland's mode switch needs the window's connection
    window_class_set("glimmerhorn", "Glimmerhorn");
    display_mode_set_on_window();
    glutSetCursor(GLUT_CURSOR_NONE);
    swap_control_disable();
    glutFullScreen();
}

int run_intro()
{
    if (!init_frame_timer()) {
        message_box_show("Can't create timer!", TIMER_FAILURE_CAPTION, MB_ICONERROR);
        return 1;
    }
    if (!frame_timer_begin_period(app.timer_period)) {
        message_box_show("Can't start timer!", TIMER_FAILURE_CAPTION, MB_ICONERROR);
        return 1;
    }
    init_glut();

    const bool truecolor = message_box_show(QUESTION, INTRO_CAPTION, MB_YESNO | MB_ICONQUESTION) == IDYES;
    if (truecolor)
        app.display_bpp = 32;
    set_display_mode();
    open_window(truecolor);
    init_scene(truecolor, INTRO_PICTURE);

    glutReshapeFunc(on_reshape);
    glutKeyboardFunc(on_key);
    glutDisplayFunc(on_display);
    glutIdleFunc(on_idle);
    glutMainLoop();
    return 0;
}

// Frame pacing: at most one frame per 10 ms, measured from the start of each frame; one pass of the
// main loop per 10 ms while no frame is drawn.
#include "app.h"

#include <GL/glut.h>

#include "platform.h"
#include "scene.h"

static const unsigned TARGET_RESOLUTION = 1;
static const unsigned FRAME_PERIOD_MS = 10;

// Called first by run_intro. Picks the timer resolution and makes the frame timer; false when
// the clock's capabilities cannot be read or the timer cannot be made.
bool init_frame_timer()
{
    app.timer_period = 0;
    unsigned period_min = 0;
    unsigned period_max = 0;
    if (!frame_timer_query(&period_min, &period_max))
        return false;
    unsigned m = period_min > TARGET_RESOLUTION ? period_min : TARGET_RESOLUTION;
    app.timer_period = m >= period_max ? period_max : m;
    return frame_timer_create();
}

// GLUT display callback: one paced frame. The 10 ms run from the arming, so drawing and the swap
// are inside the period; a frame slower than that is followed at once by the next.
void on_display()
{
    frame_timer_reset();
    frame_timer_arm(FRAME_PERIOD_MS);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw_frame();
    glFlush();
    glutSwapBuffers();
    frame_timer_wait();
    frame_timer_cancel();
    app.frame_drawn = true;
}

// GLUT idle callback, after each pass of the main loop: asks for the next frame. While the window
// is unmapped (minimised, on another workspace) GLUT draws none, and the loop would spin; then the
// pass waits out one frame period on the same timer instead.
void on_idle()
{
    if (!app.frame_drawn) {
        frame_timer_reset();
        frame_timer_arm(FRAME_PERIOD_MS);
        frame_timer_wait();
        frame_timer_cancel();
    }
    app.frame_drawn = false;
    glutPostRedisplay();
}

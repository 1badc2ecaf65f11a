// Frame composition: the backdrop, ornament and scroller passes.
#include "scene.h"

#include <GL/gl.h>
#include <GL/glu.h>

// Both perspective projections take this aspect: the double next above 4/3, not 4/3 itself.
static const double SCREEN_ASPECT = 1.3333333333333335;

// The backdrop quad's texture coordinates: the right-most 800 columns and the top 600 rows of the
// picture, both measured in units of its width. Without a width there is no picture to map.
static void backdrop_texture_coordinates(float* s0, float* t1)
{
    if (scene.background_width == 0) {
        *s0 = 0.0f;
        *t1 = 0.0f;
        return;
    }
    const double r = 1.0 / scene.background_width;
    *s0 = (float)(1.0 - INTRO_WIDTH * r);
    *t1 = (float)(INTRO_HEIGHT * r);
}

// Backdrop: one pixel per unit, origin at the bottom left.
void draw_backdrop()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, INTRO_WIDTH, 0, INTRO_HEIGHT, 0, 0.1);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_COLOR_MATERIAL);
    glPushMatrix();
    glColor4f(1, 1, 1, 1);
    glBindTexture(GL_TEXTURE_2D, scene.background_texture);
    float s0 = 0;
    float t1 = 0;
    backdrop_texture_coordinates(&s0, &t1);
    // corners at 799 and 599: the right-most column and the top row keep the clear colour
    glBegin(GL_QUADS);
    glTexCoord2f(s0, t1);
    glVertex2i(0, 0);
    glTexCoord2f(1, t1);
    glVertex2i(INTRO_WIDTH - 1, 0);
    glTexCoord2f(1, 0);
    glVertex2i(INTRO_WIDTH - 1, INTRO_HEIGHT - 1);
    glTexCoord2f(s0, 0);
    glVertex2i(0, INTRO_HEIGHT - 1);
    glEnd();
    glPopMatrix();
    set_layer_state();
}

// Ends the backdrop pass; the capture, which copies the backdrop's pixels in rather than drawing
// them, calls it alone.
void set_layer_state()
{
    // the quad lies on the near plane; everything after it draws over it
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_COLOR_MATERIAL);
}

void draw_layers()
{
    spawn_ornament_step();

    // Ornaments: a narrow view from 20 units back; light positions after the camera are world positions.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(15, SCREEN_ASPECT, 0.1, 200);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    gluLookAt(0, 0, -20, 0, 0, 0, 0, 1, 0);
    glLightfv(GL_LIGHT0, GL_POSITION, ornament_light0_position);
    glLightfv(GL_LIGHT1, GL_POSITION, light1_position);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ornament_light0_ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, ornament_light0_diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, ornament_light0_specular);
    glColor4f(1, 1, 1, 0.3f);
    draw_ornaments();
    glPopMatrix();

    // Scroller: no depth clear before it, so the letters are tested against the ornaments' depths.
    // The tilted up vector slants the line of letters on the screen.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90, SCREEN_ASPECT, 0.1, 10);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    gluLookAt(0, 3.5, 0, 1.2, 0, -4, 1, 1.3, -1);
    glLightfv(GL_LIGHT0, GL_POSITION, scroller_light0_position);
    glLightfv(GL_LIGHT1, GL_POSITION, light1_position);
    glLightfv(GL_LIGHT0, GL_AMBIENT, light0_ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, light0_diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, light0_specular);
    glColor4f(1, 0.3f, 0.3f, 0.55f);
    draw_scroller();
    glPopMatrix();
}

// Called by on_display once per frame, between the clear and the swap. The modelview matrix is the
// identity on entry and on exit; every pass loads its own projection.
void draw_frame()
{
    draw_backdrop();
    draw_layers();
}

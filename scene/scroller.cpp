// The wave scroller: 18 block letters riding three sine waves through the scroll text.
#include <GL/gl.h>

#include <cmath>

#include "assets.h"
#include "geometry.h"
#include "scene.h"

static const int SCROLLER_LETTERS = 18;
static const double TWO_PI = 6.283185307179586;

// Called by draw_frame inside the scroller pass, with the pass's camera on the modelview matrix and
// scroll_length set: draws the 18 letters, then moves the line on by one frame.
void draw_scroller()
{
    const char* text = scene.text != nullptr ? scene.text : scroll_text;
    for (int i = 0; i < SCROLLER_LETTERS; i++) {
        glPushMatrix();
        // letters sit 1.3 apart, less the offset, each wobbling on waves of its own phase
        const float tx = (float)(0.4 * sin(0.5 * i + scene.wave_phase_x) + 1.3 * i
            - ((double)scene.scroll_offset + 6.0));
        const float ty = (float)(0.6 * sin(0.7 * i + scene.wave_phase_y));
        const float tz = (float)(sin(0.9 * i + scene.wave_phase_z) - 3.0);
        glTranslatef(tx, ty, tz);
        glCallList(glyph_list_name(text[(i + scene.scroll_start) % scene.scroll_length]));
        glPopMatrix();
    }

    // 1/18 a frame: the comparison takes the sum before it is rounded, the subtraction the float stored
    const double offset = scene.scroll_offset + 0.05555555555555555;
    scene.scroll_offset = (float)offset;
    if (offset > 1.3) {
        // the next letter takes position 0; adding the per-position phase steps keeps every letter
        // where it was
        scene.scroll_offset = (float)(scene.scroll_offset - 1.3);
        scene.scroll_start = (scene.scroll_start + 1) % scene.scroll_length;
        scene.wave_phase_x = (float)(scene.wave_phase_x + 0.5);
        scene.wave_phase_y = (float)(scene.wave_phase_y + 0.7);
        scene.wave_phase_z = (float)(scene.wave_phase_z + 0.9);
    }

    // periods of 82, 74 and 102 frames; a phase of exactly 2 pi stays as it is
    const double phase_x = scene.wave_phase_x + 0.07662421106316569;
    scene.wave_phase_x = (float)phase_x;
    if (phase_x > TWO_PI)
        scene.wave_phase_x = (float)(scene.wave_phase_x - TWO_PI);
    const double phase_y = scene.wave_phase_y + 0.08490790955648089;
    scene.wave_phase_y = (float)phase_y;
    if (phase_y > TWO_PI)
        scene.wave_phase_y = (float)(scene.wave_phase_y - TWO_PI);
    const double phase_z = scene.wave_phase_z + 0.06159985595274104;
    scene.wave_phase_z = (float)phase_z;
    if (phase_z > TWO_PI)
        scene.wave_phase_z = (float)(scene.wave_phase_z - TWO_PI);
}

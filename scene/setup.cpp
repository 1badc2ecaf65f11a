// Scene set-up: the fixed GL state, the lights and the lists, once before the first frame.
#include "scene.h"

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>

#include "assets.h"
#include "geometry.h"
#include "media.h"
#include "platform.h"

// clang-format off
//                                           R or x  G or y  B or z  A or w
extern const float light0_ambient[4]           = { 0.1f,  0.1f,   0.1f, 1.0f };
extern const float light0_diffuse[4]           = { 0.8f,  0.8f,   0.8f, 1.0f };
extern const float light0_specular[4]          = { 1.0f,  1.0f,   1.0f, 1.0f };
extern const float light1_ambient[4]           = { 0.0f,  0.0f,   0.0f, 1.0f };
extern const float light1_diffuse[4]           = { 0.2f,  0.2f,   0.2f, 1.0f };
extern const float light1_specular[4]          = { 0.5f,  0.5f,   0.5f, 1.0f };
extern const float light1_position[4]          = { 2.0f,  4.0f,   3.0f, 1.0f };
extern const float ornament_light0_ambient[4]  = { 0.3f,  0.3f,   0.3f, 1.0f };
extern const float ornament_light0_diffuse[4]  = { 0.6f,  0.6f,   0.6f, 1.0f };
extern const float ornament_light0_specular[4] = { 1.0f,  1.0f,   1.0f, 1.0f };
extern const float ornament_light0_position[4] = { 0.0f,  3.6f, -12.4f, 1.0f };
extern const float scroller_light0_position[4] = { 0.0f,  0.6f,  -1.4f, 1.0f };
// clang-format on

SceneState scene;

// Called between runs in one process, before init_scene: the record as at program start.
void scene_reset() { scene = SceneState(); }

// Called before init_scene, which takes the text's length; an empty text would leave nothing to take
// the scroller's index modulo.
void scene_set_text(const char* text) { scene.text = text != nullptr && text[0] != '\0' ? text : nullptr; }

static const GLuint SPACE_LIST = 32;

// Called once by run_intro with the window's GL context current, after glutFullScreen and before the
// callbacks exist, with the answer to the question. Light colours given here for light 1 are never
// given again; positions come per pass.
void init_scene(bool truecolor, const char* picture)
{
    scene.truecolor_mode = truecolor;
    glLightfv(GL_LIGHT0, GL_AMBIENT, light0_ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, light0_diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, light0_specular);
    glLightfv(GL_LIGHT1, GL_AMBIENT, light1_ambient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, light1_diffuse);
    glLightfv(GL_LIGHT1, GL_SPECULAR, light1_specular);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glEnable(GL_LIGHTING);
    // in 16-bit mode blending stays off and the alpha of every colour has no effect
    if (scene.truecolor_mode) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }

    build_glyph_lists();
    build_ornament_list();
    for (OrnamentSlot& slot : scene.ornament_slots)
        slot.active = 0;
    // the space has no glyph of its own: an empty list leaves one letter's gap
    glNewList(SPACE_LIST, GL_COMPILE);
    glEndList();
    scene.scroll_length = (int)strlen(scene.text != nullptr ? scene.text : scroll_text);

    int width = 0;
    int height = 0;
    unsigned char* pixels = read_jpeg_image(picture, &width, &height);
    scene.background_width = width;
    if (pixels) {
        glGenTextures(1, &scene.background_texture);
        glBindTexture(GL_TEXTURE_2D, scene.background_texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        // rows of width x 3 bytes follow each other without padding, whatever the width
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
        // the texture keeps the only copy; it stays bound
        free(pixels);
    } else {
        message_box_show("Could not load the background", INTRO_CAPTION, MB_OK | MB_ICONWARNING);
    }

    start_music();
}

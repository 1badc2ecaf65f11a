// The scene: set-up and lights, frame composition, falling ornaments, wave scroller.
#pragma once

// Light vectors (R, G, B, A or x, y, z, w), given to glLightfv by address.
extern const float light0_ambient[4];
extern const float light0_diffuse[4];
extern const float light0_specular[4];
extern const float light1_ambient[4];
extern const float light1_diffuse[4];
extern const float light1_specular[4];
extern const float light1_position[4];
extern const float ornament_light0_ambient[4];
extern const float ornament_light0_diffuse[4];
extern const float ornament_light0_specular[4];
extern const float ornament_light0_position[4];
extern const float scroller_light0_position[4];

// The intro's frame in pixels: its window, the display mode it asks for, the backdrop's view.
constexpr int INTRO_WIDTH = 800;
constexpr int INTRO_HEIGHT = 600;

// One falling ornament.
struct OrnamentSlot {
    float rot_z;
    float rot_y;
    float rot_z_phase;
    float rot_y_phase;
    float x;
    float y;
    float z;
    float x_phase;
    float y_phase;
    float z_phase;
    unsigned char active;
};

constexpr int ORNAMENT_SLOT_COUNT = 23;

// Everything the scene keeps from one call to the next, in one record: all zero at program start and
// after scene_reset.
struct SceneState {
    // the answer to the start-up question, given to init_scene: true for 32-bit colour with blending,
    // false for 16-bit colour drawn opaque
    bool truecolor_mode;
    // set by init_scene: the picture's texture (0 without one) and width, the scroll text's length
    unsigned int background_texture;
    int background_width;
    int scroll_length;
    // the text the scroller runs through, given by scene_set_text; null for the shipped scroll_text
    const char* text;
    // the flock: the slots, the slot the next spawn fills, frames since the last spawn
    OrnamentSlot ornament_slots[ORNAMENT_SLOT_COUNT];
    int next_ornament_slot;
    int spawn_counter;
    // the scroller: how far the line has moved on, its first letter, the phases of its three waves
    float scroll_offset;
    int scroll_start;
    float wave_phase_x;
    float wave_phase_y;
    float wave_phase_z;
};

extern SceneState scene;

// Puts the whole record back to its start, as at program start; init_scene follows for a new run.
// Called between runs in one process (and by tests); the live intro runs once and never calls it.
void scene_reset();

// Called before init_scene to have the scroller run through another text than the shipped one: text
// is NUL-terminated ISO 8859-1, one byte a letter (a greeting's framed bytes), and must last as long
// as the run. An empty text keeps the shipped one; scene_reset brings the shipped one back.
void scene_set_text(const char* text);

// The intro's picture: gfx.data in the working folder.
constexpr const char* INTRO_PICTURE = "gfx.data";

// Called once by run_intro with the window's GL context current, before the callbacks exist, with the
// answer to the question (true for 32-bit colour) and the picture's path (INTRO_PICTURE for the intro).
void init_scene(bool truecolor, const char* picture);
// Called by on_display once per frame, between the clear and the swap: draw_backdrop, then draw_layers.
void draw_frame();
// The frame's two halves. The backdrop pass draws the picture, the same in every frame, clears the
// depth buffer after it and leaves the state the layers start from; the layers (ornaments, then the
// scroller) are what moves, and drawing them steps the animation on by one frame.
void draw_backdrop();
void draw_layers();
// The state the layers start from, which the backdrop pass ends with: the depth buffer cleared,
// lighting on, texturing off, colours taken as the material. For a frame whose backdrop pixels are
// put in place another way; its GL state otherwise is the previous frame's.
void set_layer_state();
// Called by draw_frame between the backdrop pass and the ornament pass.
void spawn_ornament_step();
// Called by draw_frame inside the ornament pass.
void draw_ornaments();
// Called by draw_frame inside the scroller pass.
void draw_scroller();

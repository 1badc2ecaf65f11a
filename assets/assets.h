// Constant data of the program: block font, scroll text, ornament mesh, music module.
#pragma once

#include <cstddef>
#include <cstdint>

// Block font: 60 glyphs built of axis-aligned boxes on a grid of sevenths, compiled into one display
// list each by build_glyph_lists.

// Every coordinate of every glyph vertex is a grid value: line k stands at k/7 written to two decimals.
constexpr int GLYPH_GRID_LINES = 12;
extern const float GLYPH_GRID[GLYPH_GRID_LINES];
// Every block runs from z = 0 to z = GLYPH_DEPTH (grid line 2); the viewer sees the face at z = GLYPH_DEPTH.
constexpr float GLYPH_DEPTH = 0.29f;

// The six faces of a block.
enum GlyphFace : unsigned char { FACE_BACK, FACE_LEFT, FACE_TOP, FACE_RIGHT, FACE_BOTTOM, FACE_FRONT };
constexpr int GLYPH_FACES = 6;

// The order in which a block gives its faces. With blending on it decides which faces of a translucent
// glyph show through which, so it belongs to the font: most blocks use the usual order, the right
// parenthesis the mirrored one, the stem of u and the right stem of w the turned one.
enum GlyphFaceOrder : unsigned char { FACES_USUAL, FACES_MIRRORED, FACES_TURNED };
constexpr int GLYPH_FACE_ORDERS = 3;
extern const GlyphFace glyph_face_order[GLYPH_FACE_ORDERS][GLYPH_FACES];

// One box of a glyph: grid lines x0 < x1 (0-8) and y0 < y1 (0-11), depth 0 to GLYPH_DEPTH. A set omit
// flag leaves out the side face at x0, y1, x1 or y0, one that lies wholly against another block.
struct GlyphBlock {
    unsigned char x0;
    unsigned char x1;
    unsigned char y0;
    unsigned char y1;
    unsigned char omit_left;
    unsigned char omit_top;
    unsigned char omit_right;
    unsigned char omit_bottom;
    GlyphFaceOrder faces;
};

// One glyph: its ISO 8859-1 byte and its blocks in drawing order.
struct GlyphEntry {
    char character;
    const GlyphBlock* blocks;
    int block_count;
};

// The whole font in compile order: the digits, a-v, 21 marks, w-z, then the bytes 0xE4, 0xE5 and 0xF6
// (a with diaeresis, a with ring above, o with diaeresis).
constexpr int GLYPH_COUNT = 60;
extern const GlyphEntry glyph_table[GLYPH_COUNT];

// Scroll text: ISO 8859-1, NUL-terminated.
extern const char scroll_text[];

// Ornament mesh.

// One facet of the snowflake: its normal, then its corners counter-clockwise seen from the side the
// normal points to. Coordinates are whole hundredths, stored as the nearest float.
struct OrnamentTriangle {
    float normal[3];
    float corners[3][3];
};
constexpr int ORNAMENT_TRIANGLE_COUNT = 336;
// The snowflake in drawing order: the walls of its 19 pieces (204 triangles), then their caps (132).
extern const OrnamentTriangle (&ornament_mesh)[ORNAMENT_TRIANGLE_COUNT];

// Music module: the bytes of assets/music.xm, committed as music_module.cpp (written by
// tools/make_module.py, which the tests run to compare) and followed by zero bytes.
extern const unsigned char music_module[];
extern const size_t music_module_size;

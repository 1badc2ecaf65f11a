// The block font: every glyph as the boxes it is built of, in the order they are drawn.
#include <iterator>

#include "assets.h"

// clang-format off
constexpr float GLYPH_GRID[GLYPH_GRID_LINES] = {
    // 0     1      2      3      4      5      6      7      8      9      10     11
    0.00f, 0.14f, 0.29f, 0.43f, 0.57f, 0.71f, 0.86f, 1.00f, 1.14f, 1.29f, 1.43f, 1.57f,
};
// clang-format on
static_assert(GLYPH_DEPTH == GLYPH_GRID[2], "the depth is grid line 2");

// clang-format off
constexpr GlyphFace glyph_face_order[GLYPH_FACE_ORDERS][GLYPH_FACES] = {
    { FACE_BACK,   FACE_LEFT,  FACE_TOP,   FACE_RIGHT, FACE_BOTTOM, FACE_FRONT }, // FACES_USUAL
    { FACE_BACK,   FACE_RIGHT, FACE_TOP,   FACE_LEFT,  FACE_BOTTOM, FACE_FRONT }, // FACES_MIRRORED
    { FACE_BOTTOM, FACE_BACK,  FACE_RIGHT, FACE_FRONT, FACE_LEFT,   FACE_TOP   }, // FACES_TURNED
};
// clang-format on

// clang-format off
// digit 0: byte 0x30, 7 blocks, 38 quads
static constexpr GlyphBlock glyph_0[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   5, 7,  3,  8,        0, 0, 0, 0,  FACES_USUAL    }, // right side
    {   0, 2,  3,  8,        0, 0, 0, 0,  FACES_USUAL    }, // left side
    {   1, 6,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
    {   1, 6,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // bottom
    {   3, 4,  4,  7,        0, 0, 0, 0,  FACES_USUAL    }, // slash, middle
    {   4, 5,  7,  8,        0, 1, 1, 0,  FACES_USUAL    }, // slash, top
    {   2, 3,  3,  4,        1, 0, 0, 1,  FACES_USUAL    }, // slash, foot
};
// digit 1: byte 0x31, 4 blocks, 21 quads
static constexpr GlyphBlock glyph_1[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 7,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // foot
    {   3, 5,  3,  9,        0, 0, 0, 1,  FACES_USUAL    }, // stem
    {   2, 3,  6,  8,        0, 0, 1, 0,  FACES_USUAL    }, // flag, inner
    {   1, 2,  6,  7,        0, 0, 1, 0,  FACES_USUAL    }, // flag, tip
};
// digit 2: byte 0x32, 5 blocks, 29 quads
static constexpr GlyphBlock glyph_2[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  2,  5,        0, 0, 0, 0,  FACES_USUAL    }, // lower left
    {   2, 7,  2,  3,        1, 0, 0, 0,  FACES_USUAL    }, // base
    {   1, 6,  5,  6,        0, 0, 0, 0,  FACES_USUAL    }, // middle
    {   5, 7,  6,  8,        0, 0, 0, 0,  FACES_USUAL    }, // upper right
    {   0, 6,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
};
// digit 3: byte 0x33, 5 blocks, 30 quads
static constexpr GlyphBlock glyph_3[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 6,  5,  6,        0, 0, 0, 0,  FACES_USUAL    }, // middle
    {   0, 6,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
    {   0, 6,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // bottom
    {   5, 7,  6,  8,        0, 0, 0, 0,  FACES_USUAL    }, // upper right
    {   5, 7,  3,  5,        0, 0, 0, 0,  FACES_USUAL    }, // lower right
};
// digit 4: byte 0x34, 3 blocks, 17 quads
static constexpr GlyphBlock glyph_4[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  5,  9,        0, 0, 0, 0,  FACES_USUAL    }, // left arm
    {   5, 7,  2,  9,        0, 0, 0, 0,  FACES_USUAL    }, // stem
    {   2, 5,  5,  6,        1, 0, 0, 0,  FACES_USUAL    }, // crossbar
};
// digit 5: byte 0x35, 5 blocks, 28 quads
static constexpr GlyphBlock glyph_5[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  5,  9,        0, 0, 0, 0,  FACES_USUAL    }, // upper left
    {   2, 7,  8,  9,        1, 0, 0, 0,  FACES_USUAL    }, // top
    {   2, 6,  5,  6,        1, 0, 0, 0,  FACES_USUAL    }, // middle
    {   5, 7,  3,  5,        0, 0, 0, 0,  FACES_USUAL    }, // lower right
    {   0, 6,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // bottom
};
// digit 6: byte 0x36, 5 blocks, 29 quads
static constexpr GlyphBlock glyph_6[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  3,  8,        0, 0, 0, 0,  FACES_USUAL    }, // left side
    {   1, 6,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // bottom
    {   1, 6,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
    {   2, 6,  5,  6,        1, 0, 0, 0,  FACES_USUAL    }, // middle
    {   5, 7,  3,  5,        0, 0, 0, 0,  FACES_USUAL    }, // lower right
};
// digit 7: byte 0x37, 3 blocks, 17 quads
static constexpr GlyphBlock glyph_7[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 6,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
    {   5, 7,  2,  8,        0, 0, 0, 0,  FACES_USUAL    }, // stem
    {   0, 5,  5,  6,        0, 0, 1, 0,  FACES_USUAL    }, // crossbar
};
// digit 8: byte 0x38, 7 blocks, 42 quads
static constexpr GlyphBlock glyph_8[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   5, 7,  6,  8,        0, 0, 0, 0,  FACES_USUAL    }, // upper right
    {   5, 7,  3,  5,        0, 0, 0, 0,  FACES_USUAL    }, // lower right
    {   0, 2,  6,  8,        0, 0, 0, 0,  FACES_USUAL    }, // upper left
    {   0, 2,  3,  5,        0, 0, 0, 0,  FACES_USUAL    }, // lower left
    {   1, 6,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
    {   1, 6,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // bottom
    {   1, 6,  5,  6,        0, 0, 0, 0,  FACES_USUAL    }, // middle
};
// digit 9: byte 0x39, 5 blocks, 29 quads
static constexpr GlyphBlock glyph_9[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  6,  8,        0, 0, 0, 0,  FACES_USUAL    }, // upper left
    {   5, 7,  3,  8,        0, 0, 0, 0,  FACES_USUAL    }, // right side
    {   1, 6,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
    {   1, 5,  5,  6,        0, 0, 1, 0,  FACES_USUAL    }, // middle
    {   1, 6,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // bottom
};
// letter a: byte 0x61, 5 blocks, 28 quads
static constexpr GlyphBlock glyph_a[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   5, 7,  2,  8,        0, 0, 0, 0,  FACES_USUAL    }, // stem
    {   1, 6,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
    {   1, 5,  2,  3,        0, 0, 1, 0,  FACES_USUAL    }, // bottom
    {   1, 5,  5,  6,        0, 0, 1, 0,  FACES_USUAL    }, // middle
    {   0, 2,  3,  5,        0, 0, 0, 0,  FACES_USUAL    }, // bowl, left
};
// letter b: byte 0x62, 4 blocks, 21 quads
static constexpr GlyphBlock glyph_b[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  3, 11,        0, 0, 0, 1,  FACES_USUAL    }, // ascender
    {   5, 7,  3,  8,        0, 0, 0, 1,  FACES_USUAL    }, // bowl, right
    {   0, 7,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // base
    {   2, 6,  8,  9,        1, 0, 0, 0,  FACES_USUAL    }, // bowl, top
};
// letter c: byte 0x63, 3 blocks, 18 quads
static constexpr GlyphBlock glyph_c[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  3,  8,        0, 0, 0, 0,  FACES_USUAL    }, // left side
    {   1, 7,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // bottom
    {   1, 7,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
};
// letter d: byte 0x64, 4 blocks, 22 quads
static constexpr GlyphBlock glyph_d[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  3,  8,        0, 0, 0, 0,  FACES_USUAL    }, // bowl, left
    {   5, 7,  2, 11,        0, 0, 0, 0,  FACES_USUAL    }, // ascender
    {   1, 5,  2,  3,        0, 0, 1, 0,  FACES_USUAL    }, // bottom
    {   1, 5,  8,  9,        0, 0, 1, 0,  FACES_USUAL    }, // top
};
// letter e: byte 0x65, 5 blocks, 29 quads
static constexpr GlyphBlock glyph_e[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  3,  8,        0, 0, 0, 0,  FACES_USUAL    }, // left side
    {   5, 7,  6,  8,        0, 0, 0, 0,  FACES_USUAL    }, // upper right
    {   1, 6,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
    {   2, 6,  5,  6,        1, 0, 0, 0,  FACES_USUAL    }, // middle
    {   1, 7,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // bottom
};
// letter f: byte 0x66, 3 blocks, 17 quads
static constexpr GlyphBlock glyph_f[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  0,  8,        0, 0, 0, 0,  FACES_USUAL    }, // stem
    {   1, 8,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
    {   2, 8,  5,  6,        1, 0, 0, 0,  FACES_USUAL    }, // crossbar
};
// letter g: byte 0x67, 5 blocks, 28 quads
static constexpr GlyphBlock glyph_g[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  3,  8,        0, 0, 0, 0,  FACES_USUAL    }, // left side
    {   5, 7,  1,  9,        0, 0, 0, 0,  FACES_USUAL    }, // stem
    {   1, 5,  2,  3,        0, 0, 1, 0,  FACES_USUAL    }, // bottom
    {   1, 5,  8,  9,        0, 0, 1, 0,  FACES_USUAL    }, // top
    {   1, 6,  0,  1,        0, 0, 0, 0,  FACES_USUAL    }, // tail
};
// letter h: byte 0x68, 3 blocks, 17 quads
static constexpr GlyphBlock glyph_h[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  2, 11,        0, 0, 0, 0,  FACES_USUAL    }, // ascender
    {   5, 7,  2,  8,        0, 0, 0, 0,  FACES_USUAL    }, // right stem
    {   2, 6,  8,  9,        1, 0, 0, 0,  FACES_USUAL    }, // shoulder
};
// letter i: byte 0x69, 3 blocks, 18 quads
static constexpr GlyphBlock glyph_i[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   1, 3,  3,  9,        0, 0, 0, 0,  FACES_USUAL    }, // stem
    {   2, 5,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // foot
    {   1, 3, 10, 11,        0, 0, 0, 0,  FACES_USUAL    }, // dot
};
// letter j: byte 0x6A, 4 blocks, 24 quads
static constexpr GlyphBlock glyph_j[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  1,  2,        0, 0, 0, 0,  FACES_USUAL    }, // tail, tip
    {   1, 6,  0,  1,        0, 0, 0, 0,  FACES_USUAL    }, // tail
    {   5, 7,  1,  9,        0, 0, 0, 0,  FACES_USUAL    }, // stem
    {   5, 7, 10, 11,        0, 0, 0, 0,  FACES_USUAL    }, // dot
};
// letter k: byte 0x6B, 6 blocks, 34 quads
static constexpr GlyphBlock glyph_k[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  2, 11,        0, 0, 0, 0,  FACES_USUAL    }, // ascender
    {   4, 6,  5,  6,        1, 0, 0, 0,  FACES_USUAL    }, // leg, top
    {   2, 4,  5,  7,        1, 0, 0, 0,  FACES_USUAL    }, // arm, root
    {   3, 5,  7,  8,        0, 0, 0, 0,  FACES_USUAL    }, // arm, middle
    {   4, 6,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // arm, tip
    {   5, 7,  2,  5,        0, 0, 0, 0,  FACES_USUAL    }, // leg
};
// letter l: byte 0x6C, 2 blocks, 12 quads
static constexpr GlyphBlock glyph_l[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  3, 11,        0, 0, 0, 0,  FACES_USUAL    }, // ascender
    {   1, 7,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // foot
};
// letter m: byte 0x6D, 5 blocks, 30 quads
static constexpr GlyphBlock glyph_m[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  2,  8,        0, 0, 0, 0,  FACES_USUAL    }, // left stem
    {   3, 4,  2,  8,        0, 0, 0, 0,  FACES_USUAL    }, // middle stem
    {   5, 7,  2,  8,        0, 0, 0, 0,  FACES_USUAL    }, // right stem
    {   1, 3,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // left arch
    {   4, 6,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // right arch
};
// letter n: byte 0x6E, 3 blocks, 18 quads
static constexpr GlyphBlock glyph_n[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  2,  8,        0, 0, 0, 0,  FACES_USUAL    }, // left stem
    {   5, 7,  2,  8,        0, 0, 0, 0,  FACES_USUAL    }, // right stem
    {   1, 6,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // arch
};
// letter o: byte 0x6F, 4 blocks, 24 quads
static constexpr GlyphBlock glyph_o[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  3,  8,        0, 0, 0, 0,  FACES_USUAL    }, // left side
    {   5, 7,  3,  8,        0, 0, 0, 0,  FACES_USUAL    }, // right side
    {   1, 6,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
    {   1, 6,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // bottom
};
// letter p: byte 0x70, 4 blocks, 22 quads
static constexpr GlyphBlock glyph_p[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  0,  9,        0, 0, 0, 0,  FACES_USUAL    }, // descender
    {   5, 7,  6,  8,        0, 0, 0, 0,  FACES_USUAL    }, // bowl, right
    {   2, 6,  5,  6,        1, 0, 0, 0,  FACES_USUAL    }, // bowl, bottom
    {   2, 6,  8,  9,        1, 0, 0, 0,  FACES_USUAL    }, // bowl, top
};
// letter q: byte 0x71, 4 blocks, 22 quads
static constexpr GlyphBlock glyph_q[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  4,  8,        0, 0, 0, 0,  FACES_USUAL    }, // bowl, left
    {   5, 7,  0,  9,        0, 0, 0, 0,  FACES_USUAL    }, // descender
    {   1, 5,  8,  9,        0, 0, 1, 0,  FACES_USUAL    }, // bowl, top
    {   1, 5,  3,  4,        0, 0, 1, 0,  FACES_USUAL    }, // bowl, bottom
};
// letter r: byte 0x72, 2 blocks, 12 quads
static constexpr GlyphBlock glyph_r[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  2,  8,        0, 0, 0, 0,  FACES_USUAL    }, // stem
    {   1, 7,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // arm
};
// letter s: byte 0x73, 5 blocks, 30 quads
static constexpr GlyphBlock glyph_s[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  6,  8,        0, 0, 0, 0,  FACES_USUAL    }, // upper left
    {   1, 6,  5,  6,        0, 0, 0, 0,  FACES_USUAL    }, // middle
    {   5, 7,  3,  5,        0, 0, 0, 0,  FACES_USUAL    }, // lower right
    {   0, 6,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // bottom
    {   1, 7,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
};
// letter t: byte 0x74, 4 blocks, 22 quads
static constexpr GlyphBlock glyph_t[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  8,  9,        0, 0, 1, 0,  FACES_USUAL    }, // crossbar, left
    {   2, 4,  3, 11,        0, 0, 0, 0,  FACES_USUAL    }, // stem
    {   4, 7,  8,  9,        1, 0, 0, 0,  FACES_USUAL    }, // crossbar, right
    {   3, 7,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // foot
};
// letter u: byte 0x75, 3 blocks, 17 quads
static constexpr GlyphBlock glyph_u[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  3,  9,        0, 0, 0, 0,  FACES_USUAL    }, // left side
    {   5, 7,  2,  9,        0, 0, 0, 0,  FACES_TURNED   }, // stem
    {   1, 5,  2,  3,        0, 0, 1, 0,  FACES_USUAL    }, // bottom
};
// letter v: byte 0x76, 6 blocks, 35 quads
static constexpr GlyphBlock glyph_v[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  5,  9,        0, 0, 0, 0,  FACES_USUAL    }, // left arm
    {   5, 7,  5,  9,        0, 0, 0, 0,  FACES_USUAL    }, // right arm
    {   4, 6,  4,  5,        0, 0, 0, 0,  FACES_USUAL    }, // right step
    {   1, 3,  4,  5,        0, 0, 0, 0,  FACES_USUAL    }, // left step
    {   2, 5,  3,  4,        0, 0, 0, 0,  FACES_USUAL    }, // lower step
    {   3, 4,  2,  3,        0, 1, 0, 0,  FACES_USUAL    }, // point
};
// low line: byte 0x5F, 1 block, 6 quads
static constexpr GlyphBlock glyph_low_line[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 7,  0,  1,        0, 0, 0, 0,  FACES_USUAL    }, // bar
};
// dollar sign: byte 0x24, 9 blocks, 48 quads
static constexpr GlyphBlock glyph_dollar_sign[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   5, 7,  3,  5,        0, 0, 0, 0,  FACES_USUAL    }, // lower right
    {   3, 4,  1, 10,        0, 0, 0, 0,  FACES_USUAL    }, // stem
    {   4, 6,  2,  3,        1, 0, 0, 0,  FACES_USUAL    }, // bottom, right
    {   1, 3,  2,  3,        0, 0, 1, 0,  FACES_USUAL    }, // bottom, left
    {   4, 6,  8,  9,        1, 0, 0, 0,  FACES_USUAL    }, // top, right
    {   1, 3,  8,  9,        0, 0, 1, 0,  FACES_USUAL    }, // top, left
    {   4, 6,  5,  6,        1, 0, 0, 0,  FACES_USUAL    }, // middle, right
    {   1, 3,  5,  6,        0, 0, 1, 0,  FACES_USUAL    }, // middle, left
    {   0, 2,  6,  8,        0, 0, 0, 0,  FACES_USUAL    }, // upper left
};
// ampersand: byte 0x26, 10 blocks, 59 quads
static constexpr GlyphBlock glyph_ampersand[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   1, 2,  3,  5,        0, 0, 0, 0,  FACES_USUAL    }, // lower left
    {   2, 5,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // bottom
    {   2, 3,  5,  8,        0, 0, 0, 0,  FACES_USUAL    }, // upper left
    {   4, 5,  6,  8,        0, 0, 0, 0,  FACES_USUAL    }, // upper right
    {   6, 7,  4,  5,        0, 0, 0, 0,  FACES_USUAL    }, // flick
    {   3, 4,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
    {   3, 4,  5,  6,        1, 0, 0, 0,  FACES_USUAL    }, // crossing
    {   4, 5,  4,  5,        0, 0, 0, 0,  FACES_USUAL    }, // leg, upper
    {   5, 6,  3,  4,        0, 0, 0, 0,  FACES_USUAL    }, // leg, middle
    {   6, 7,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // tail, foot
};
// apostrophe: byte 0x27, 2 blocks, 11 quads
static constexpr GlyphBlock glyph_apostrophe[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   2, 4,  9, 11,        0, 0, 0, 0,  FACES_USUAL    }, // head
    {   3, 4,  8,  9,        0, 1, 0, 0,  FACES_USUAL    }, // tail
};
// exclamation mark: byte 0x21, 2 blocks, 12 quads
static constexpr GlyphBlock glyph_exclamation_mark[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   2, 4,  2,  4,        0, 0, 0, 0,  FACES_USUAL    }, // dot
    {   2, 4,  5,  9,        0, 0, 0, 0,  FACES_USUAL    }, // stroke
};
// colon: byte 0x3A, 2 blocks, 12 quads
static constexpr GlyphBlock glyph_colon[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   2, 4,  2,  4,        0, 0, 0, 0,  FACES_USUAL    }, // lower dot
    {   2, 4,  6,  8,        0, 0, 0, 0,  FACES_USUAL    }, // upper dot
};
// solidus: byte 0x2F, 7 blocks, 41 quads
static constexpr GlyphBlock glyph_solidus[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   5, 6,  7,  9,        0, 0, 0, 0,  FACES_USUAL    }, // step 6
    {   0, 1,  2,  4,        0, 0, 0, 0,  FACES_USUAL    }, // step 1
    {   1, 2,  3,  5,        0, 0, 0, 0,  FACES_USUAL    }, // step 2
    {   2, 3,  4,  6,        0, 0, 0, 0,  FACES_USUAL    }, // step 3
    {   3, 4,  5,  7,        0, 0, 0, 0,  FACES_USUAL    }, // step 4
    {   4, 5,  6,  8,        0, 0, 0, 0,  FACES_USUAL    }, // step 5
    {   6, 7,  8,  9,        1, 0, 0, 0,  FACES_USUAL    }, // step 7
};
// question mark: byte 0x3F, 5 blocks, 29 quads
static constexpr GlyphBlock glyph_question_mark[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 4,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
    {   3, 5,  7,  8,        0, 0, 0, 0,  FACES_USUAL    }, // hook
    {   3, 4,  6,  7,        1, 0, 0, 0,  FACES_USUAL    }, // neck
    {   1, 3,  5,  7,        0, 0, 0, 0,  FACES_USUAL    }, // stem
    {   1, 3,  2,  4,        0, 0, 0, 0,  FACES_USUAL    }, // dot
};
// quotation mark: byte 0x22, 4 blocks, 22 quads
static constexpr GlyphBlock glyph_quotation_mark[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   1, 3,  9, 11,        0, 0, 0, 0,  FACES_USUAL    }, // left head
    {   2, 3,  8,  9,        0, 1, 0, 0,  FACES_USUAL    }, // left tail
    {   4, 6,  9, 11,        0, 0, 0, 0,  FACES_USUAL    }, // right head
    {   5, 6,  8,  9,        0, 1, 0, 0,  FACES_USUAL    }, // right tail
};
// commercial at: byte 0x40, 7 blocks, 38 quads
static constexpr GlyphBlock glyph_commercial_at[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 1,  3,  8,        0, 0, 0, 0,  FACES_USUAL    }, // left side
    {   1, 6,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
    {   6, 7,  4,  8,        0, 0, 0, 0,  FACES_USUAL    }, // right side
    {   2, 3,  4,  7,        0, 0, 0, 0,  FACES_USUAL    }, // inner left
    {   3, 6,  4,  5,        1, 0, 1, 0,  FACES_USUAL    }, // inner bottom
    {   3, 6,  6,  7,        1, 0, 1, 0,  FACES_USUAL    }, // inner top
    {   1, 7,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // bottom
};
// equals sign: byte 0x3D, 2 blocks, 12 quads
static constexpr GlyphBlock glyph_equals_sign[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 7,  4,  5,        0, 0, 0, 0,  FACES_USUAL    }, // lower bar
    {   0, 7,  6,  7,        0, 0, 0, 0,  FACES_USUAL    }, // upper bar
};
// comma: byte 0x2C, 2 blocks, 11 quads
static constexpr GlyphBlock glyph_comma[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   2, 4,  2,  4,        0, 0, 0, 0,  FACES_USUAL    }, // head
    {   3, 4,  0,  2,        0, 1, 0, 0,  FACES_USUAL    }, // tail
};
// full stop: byte 0x2E, 1 block, 6 quads
static constexpr GlyphBlock glyph_full_stop[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   2, 4,  2,  4,        0, 0, 0, 0,  FACES_USUAL    }, // dot
};
// plus sign: byte 0x2B, 3 blocks, 16 quads
static constexpr GlyphBlock glyph_plus_sign[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 5,  5,  6,        0, 0, 0, 0,  FACES_USUAL    }, // bar
    {   2, 3,  3,  5,        0, 1, 0, 0,  FACES_USUAL    }, // lower arm
    {   2, 3,  6,  8,        0, 0, 0, 1,  FACES_USUAL    }, // upper arm
};
// percent sign: byte 0x25, 9 blocks, 53 quads
static constexpr GlyphBlock glyph_percent_sign[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   5, 7,  2,  4,        0, 0, 0, 0,  FACES_USUAL    }, // lower ring
    {   0, 2,  7,  9,        0, 0, 0, 0,  FACES_USUAL    }, // upper ring
    {   5, 6,  7,  9,        0, 0, 0, 0,  FACES_USUAL    }, // slash, step 6
    {   0, 1,  2,  4,        0, 0, 0, 0,  FACES_USUAL    }, // slash, step 1
    {   1, 2,  3,  5,        0, 0, 0, 0,  FACES_USUAL    }, // slash, step 2
    {   2, 3,  4,  6,        0, 0, 0, 0,  FACES_USUAL    }, // slash, step 3
    {   3, 4,  5,  7,        0, 0, 0, 0,  FACES_USUAL    }, // slash, step 4
    {   4, 5,  6,  8,        0, 0, 0, 0,  FACES_USUAL    }, // slash, step 5
    {   6, 7,  8,  9,        1, 0, 0, 0,  FACES_USUAL    }, // slash, step 7
};
// semicolon: byte 0x3B, 3 blocks, 17 quads
static constexpr GlyphBlock glyph_semicolon[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   2, 4,  2,  4,        0, 0, 0, 0,  FACES_USUAL    }, // lower dot
    {   3, 4,  0,  2,        0, 1, 0, 0,  FACES_USUAL    }, // tail
    {   2, 4,  6,  8,        0, 0, 0, 0,  FACES_USUAL    }, // upper dot
};
// number sign: byte 0x23, 8 blocks, 40 quads
static constexpr GlyphBlock glyph_number_sign[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   1, 6,  4,  5,        0, 0, 0, 0,  FACES_USUAL    }, // lower bar
    {   1, 6,  6,  7,        0, 0, 0, 0,  FACES_USUAL    }, // upper bar
    {   4, 5,  3,  4,        0, 1, 0, 0,  FACES_USUAL    }, // right stem, foot
    {   4, 5,  7,  8,        0, 0, 0, 1,  FACES_USUAL    }, // right stem, head
    {   4, 5,  5,  6,        0, 1, 0, 1,  FACES_USUAL    }, // right stem, middle
    {   2, 3,  3,  4,        0, 1, 0, 0,  FACES_USUAL    }, // left stem, foot
    {   2, 3,  7,  8,        0, 0, 0, 1,  FACES_USUAL    }, // left stem, head
    {   2, 3,  5,  6,        0, 1, 0, 1,  FACES_USUAL    }, // left stem, middle
};
// left parenthesis: byte 0x28, 3 blocks, 18 quads
static constexpr GlyphBlock glyph_left_parenthesis[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   2, 4,  2,  9,        0, 0, 0, 0,  FACES_USUAL    }, // stroke
    {   3, 6,  9, 10,        0, 0, 0, 0,  FACES_USUAL    }, // top
    {   3, 6,  1,  2,        0, 0, 0, 0,  FACES_USUAL    }, // bottom
};
// right parenthesis: byte 0x29, 3 blocks, 18 quads
static constexpr GlyphBlock glyph_right_parenthesis[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   3, 5,  2,  9,        0, 0, 0, 0,  FACES_MIRRORED }, // stroke
    {   1, 4,  9, 10,        0, 0, 0, 0,  FACES_MIRRORED }, // top
    {   1, 4,  1,  2,        0, 0, 0, 0,  FACES_MIRRORED }, // bottom
};
// asterisk: byte 0x2A, 7 blocks, 40 quads
static constexpr GlyphBlock glyph_asterisk[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   2, 5,  4,  7,        0, 0, 0, 0,  FACES_USUAL    }, // centre
    {   4, 6,  7,  8,        0, 0, 0, 0,  FACES_USUAL    }, // arm, upper right
    {   5, 7,  5,  6,        1, 0, 0, 0,  FACES_USUAL    }, // arm, right
    {   4, 6,  3,  4,        0, 0, 0, 0,  FACES_USUAL    }, // arm, lower right
    {   1, 3,  7,  8,        0, 0, 0, 0,  FACES_USUAL    }, // arm, upper left
    {   1, 3,  3,  4,        0, 0, 0, 0,  FACES_USUAL    }, // arm, lower left
    {   0, 2,  5,  6,        0, 0, 1, 0,  FACES_USUAL    }, // arm, left
};
// hyphen-minus: byte 0x2D, 1 block, 6 quads
static constexpr GlyphBlock glyph_hyphen_minus[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 7,  5,  6,        0, 0, 0, 0,  FACES_USUAL    }, // bar
};
// letter w: byte 0x77, 5 blocks, 30 quads
static constexpr GlyphBlock glyph_w[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  3,  9,        0, 0, 0, 0,  FACES_USUAL    }, // left stem
    {   3, 4,  3,  9,        0, 0, 0, 0,  FACES_USUAL    }, // middle stem
    {   5, 7,  3,  9,        0, 0, 0, 0,  FACES_TURNED   }, // right stem
    {   4, 6,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // right foot
    {   1, 3,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // left foot
};
// letter x: byte 0x78, 9 blocks, 54 quads
static constexpr GlyphBlock glyph_x[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   5, 7,  2,  4,        0, 0, 0, 0,  FACES_USUAL    }, // lower right
    {   5, 7,  7,  9,        0, 0, 0, 0,  FACES_USUAL    }, // upper right
    {   0, 2,  2,  4,        0, 0, 0, 0,  FACES_USUAL    }, // lower left
    {   0, 2,  7,  9,        0, 0, 0, 0,  FACES_USUAL    }, // upper left
    {   1, 3,  4,  5,        0, 0, 0, 0,  FACES_USUAL    }, // lower left step
    {   4, 6,  4,  5,        0, 0, 0, 0,  FACES_USUAL    }, // lower right step
    {   1, 3,  6,  7,        0, 0, 0, 0,  FACES_USUAL    }, // upper left step
    {   4, 6,  6,  7,        0, 0, 0, 0,  FACES_USUAL    }, // upper right step
    {   2, 5,  5,  6,        0, 0, 0, 0,  FACES_USUAL    }, // crossing
};
// letter y: byte 0x79, 4 blocks, 23 quads
static constexpr GlyphBlock glyph_y[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  3,  9,        0, 0, 0, 0,  FACES_USUAL    }, // left arm
    {   5, 7,  1,  9,        0, 0, 0, 0,  FACES_USUAL    }, // stem
    {   1, 5,  2,  3,        0, 0, 1, 0,  FACES_USUAL    }, // bottom
    {   1, 6,  0,  1,        0, 0, 0, 0,  FACES_USUAL    }, // tail
};
// letter z: byte 0x7A, 7 blocks, 40 quads
static constexpr GlyphBlock glyph_z[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 7,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
    {   0, 2,  2,  4,        0, 0, 0, 0,  FACES_USUAL    }, // lower left
    {   4, 6,  7,  8,        0, 1, 0, 0,  FACES_USUAL    }, // step 1
    {   3, 5,  6,  7,        0, 0, 0, 0,  FACES_USUAL    }, // step 2
    {   2, 4,  5,  6,        0, 0, 0, 0,  FACES_USUAL    }, // step 3
    {   1, 3,  4,  5,        0, 0, 0, 0,  FACES_USUAL    }, // step 4
    {   2, 7,  2,  3,        1, 0, 0, 0,  FACES_USUAL    }, // base
};
// a with diaeresis: byte 0xE4, 7 blocks, 40 quads
static constexpr GlyphBlock glyph_a_diaeresis[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   5, 7,  2,  8,        0, 0, 0, 0,  FACES_USUAL    }, // stem
    {   1, 6,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
    {   1, 5,  2,  3,        0, 0, 1, 0,  FACES_USUAL    }, // bottom
    {   1, 5,  5,  6,        0, 0, 1, 0,  FACES_USUAL    }, // middle
    {   0, 2,  3,  5,        0, 0, 0, 0,  FACES_USUAL    }, // bowl, left
    {   2, 3, 10, 11,        0, 0, 0, 0,  FACES_USUAL    }, // left dot
    {   4, 5, 10, 11,        0, 0, 0, 0,  FACES_USUAL    }, // right dot
};
// a with ring above: byte 0xE5, 6 blocks, 34 quads
static constexpr GlyphBlock glyph_a_ring[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   5, 7,  2,  8,        0, 0, 0, 0,  FACES_USUAL    }, // stem
    {   1, 6,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
    {   1, 5,  2,  3,        0, 0, 1, 0,  FACES_USUAL    }, // bottom
    {   1, 5,  5,  6,        0, 0, 1, 0,  FACES_USUAL    }, // middle
    {   0, 2,  3,  5,        0, 0, 0, 0,  FACES_USUAL    }, // bowl, left
    {   3, 4, 10, 11,        0, 0, 0, 0,  FACES_USUAL    }, // ring
};
// o with diaeresis: byte 0xF6, 6 blocks, 36 quads
static constexpr GlyphBlock glyph_o_diaeresis[] = {
    // x0 x1  y0  y1  omit: L  T  R  B  faces
    {   0, 2,  3,  8,        0, 0, 0, 0,  FACES_USUAL    }, // left side
    {   5, 7,  3,  8,        0, 0, 0, 0,  FACES_USUAL    }, // right side
    {   1, 6,  8,  9,        0, 0, 0, 0,  FACES_USUAL    }, // top
    {   1, 6,  2,  3,        0, 0, 0, 0,  FACES_USUAL    }, // bottom
    {   2, 3, 10, 11,        0, 0, 0, 0,  FACES_USUAL    }, // left dot
    {   4, 5, 10, 11,        0, 0, 0, 0,  FACES_USUAL    }, // right dot
};
// clang-format on

template <size_t N> static constexpr GlyphEntry glyph(char character, const GlyphBlock (&blocks)[N])
{
    return GlyphEntry { character, blocks, (int)N };
}

// clang-format off
constexpr GlyphEntry glyph_table[GLYPH_COUNT] = {
    //    byte    blocks
    glyph('0',    glyph_0),                  // digit 0
    glyph('1',    glyph_1),                  // digit 1
    glyph('2',    glyph_2),                  // digit 2
    glyph('3',    glyph_3),                  // digit 3
    glyph('4',    glyph_4),                  // digit 4
    glyph('5',    glyph_5),                  // digit 5
    glyph('6',    glyph_6),                  // digit 6
    glyph('7',    glyph_7),                  // digit 7
    glyph('8',    glyph_8),                  // digit 8
    glyph('9',    glyph_9),                  // digit 9
    glyph('a',    glyph_a),                  // letter a
    glyph('b',    glyph_b),                  // letter b
    glyph('c',    glyph_c),                  // letter c
    glyph('d',    glyph_d),                  // letter d
    glyph('e',    glyph_e),                  // letter e
    glyph('f',    glyph_f),                  // letter f
    glyph('g',    glyph_g),                  // letter g
    glyph('h',    glyph_h),                  // letter h
    glyph('i',    glyph_i),                  // letter i
    glyph('j',    glyph_j),                  // letter j
    glyph('k',    glyph_k),                  // letter k
    glyph('l',    glyph_l),                  // letter l
    glyph('m',    glyph_m),                  // letter m
    glyph('n',    glyph_n),                  // letter n
    glyph('o',    glyph_o),                  // letter o
    glyph('p',    glyph_p),                  // letter p
    glyph('q',    glyph_q),                  // letter q
    glyph('r',    glyph_r),                  // letter r
    glyph('s',    glyph_s),                  // letter s
    glyph('t',    glyph_t),                  // letter t
    glyph('u',    glyph_u),                  // letter u
    glyph('v',    glyph_v),                  // letter v
    glyph('_',    glyph_low_line),           // low line
    glyph('$',    glyph_dollar_sign),        // dollar sign
    glyph('&',    glyph_ampersand),          // ampersand
    glyph('\'',   glyph_apostrophe),         // apostrophe
    glyph('!',    glyph_exclamation_mark),   // exclamation mark
    glyph(':',    glyph_colon),              // colon
    glyph('/',    glyph_solidus),            // solidus
    glyph('?',    glyph_question_mark),      // question mark
    glyph('"',    glyph_quotation_mark),     // quotation mark
    glyph('@',    glyph_commercial_at),      // commercial at
    glyph('=',    glyph_equals_sign),        // equals sign
    glyph(',',    glyph_comma),              // comma
    glyph('.',    glyph_full_stop),          // full stop
    glyph('+',    glyph_plus_sign),          // plus sign
    glyph('%',    glyph_percent_sign),       // percent sign
    glyph(';',    glyph_semicolon),          // semicolon
    glyph('#',    glyph_number_sign),        // number sign
    glyph('(',    glyph_left_parenthesis),   // left parenthesis
    glyph(')',    glyph_right_parenthesis),  // right parenthesis
    glyph('*',    glyph_asterisk),           // asterisk
    glyph('-',    glyph_hyphen_minus),       // hyphen-minus
    glyph('w',    glyph_w),                  // letter w
    glyph('x',    glyph_x),                  // letter x
    glyph('y',    glyph_y),                  // letter y
    glyph('z',    glyph_z),                  // letter z
    glyph('\xE4', glyph_a_diaeresis),        // a with diaeresis
    glyph('\xE5', glyph_a_ring),             // a with ring above
    glyph('\xF6', glyph_o_diaeresis),        // o with diaeresis
};
// clang-format on

static constexpr int count_blocks()
{
    int blocks = 0;
    for (const GlyphEntry& entry : glyph_table)
        blocks += entry.block_count;
    return blocks;
}

static constexpr int count_omitted_faces()
{
    int omitted = 0;
    for (const GlyphEntry& entry : glyph_table)
        for (int i = 0; i < entry.block_count; i++) {
            const GlyphBlock& block = entry.blocks[i];
            omitted += block.omit_left + block.omit_top + block.omit_right + block.omit_bottom;
        }
    return omitted;
}

static_assert(std::size(glyph_table) == 60, "60 glyphs");
static_assert(count_blocks() == 271, "271 blocks");
static_assert(count_omitted_faces() == 74, "74 side faces left out");
static_assert(count_blocks() * GLYPH_FACES - count_omitted_faces() == 1552, "1552 quads");

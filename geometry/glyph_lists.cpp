// The glyph lists of the block font, and the rule that names them.
#include <GL/gl.h>

#include "assets.h"
#include "geometry.h"

// A face of a block: its unit normal and its four corners, wound counter-clockwise seen from the side
// the normal points to. A corner picks x0 or x1 (0 or 1), y0 or y1, and z = 0 or z = GLYPH_DEPTH.
struct BlockFace {
    signed char normal[3];
    unsigned char corners[4][3];
};

// clang-format off
static const BlockFace BLOCK_FACES[GLYPH_FACES] = {
    // normal        corner 1   corner 2   corner 3   corner 4
    { {  0,  0, -1 }, { { 0, 0, 0 }, { 0, 1, 0 }, { 1, 1, 0 }, { 1, 0, 0 } } }, // FACE_BACK, z = 0
    { { -1,  0,  0 }, { { 0, 0, 0 }, { 0, 0, 1 }, { 0, 1, 1 }, { 0, 1, 0 } } }, // FACE_LEFT, x = x0
    { {  0,  1,  0 }, { { 0, 1, 0 }, { 0, 1, 1 }, { 1, 1, 1 }, { 1, 1, 0 } } }, // FACE_TOP, y = y1
    { {  1,  0,  0 }, { { 1, 0, 0 }, { 1, 1, 0 }, { 1, 1, 1 }, { 1, 0, 1 } } }, // FACE_RIGHT, x = x1
    { {  0, -1,  0 }, { { 0, 0, 0 }, { 1, 0, 0 }, { 1, 0, 1 }, { 0, 0, 1 } } }, // FACE_BOTTOM, y = y0
    { {  0,  0,  1 }, { { 0, 0, 1 }, { 1, 0, 1 }, { 1, 1, 1 }, { 0, 1, 1 } } }, // FACE_FRONT, z = depth
};
// clang-format on

// Used by build_glyph_lists to name each list and by the scroller to call one per text byte: ä (0xE4)
// is read as -28 and names list 4294967268, not 228.
uint32_t glyph_list_name(char c) { return (uint32_t)(int32_t)(signed char)c; }

// Called by build_glyph_lists between glBegin and glEnd: the block's faces in its own order, each a
// normal and four vertices, less the side faces it leaves out.
static void emit_block(const GlyphBlock& block)
{
    const float xs[2] = { GLYPH_GRID[block.x0], GLYPH_GRID[block.x1] };
    const float ys[2] = { GLYPH_GRID[block.y0], GLYPH_GRID[block.y1] };
    const float zs[2] = { 0.0f, GLYPH_DEPTH };
    const unsigned char omitted[GLYPH_FACES]
        = { 0, block.omit_left, block.omit_top, block.omit_right, block.omit_bottom, 0 };
    for (GlyphFace face : glyph_face_order[block.faces]) {
        if (omitted[face])
            continue;
        const BlockFace& geometry = BLOCK_FACES[face];
        // the normal is given again before every quad, even when the last one had the same
        glNormal3f(geometry.normal[0], geometry.normal[1], geometry.normal[2]);
        for (const unsigned char* corner : geometry.corners)
            glVertex3f(xs[corner[0]], ys[corner[1]], zs[corner[2]]);
    }
}

// Called once by init_scene with the GL context current, before the ornament list: one list per glyph,
// named after its byte, holding one batch of quads and nothing else (no colour, matrix or state).
void build_glyph_lists()
{
    for (const GlyphEntry& glyph : glyph_table) {
        glNewList(glyph_list_name(glyph.character), GL_COMPILE);
        glBegin(GL_QUADS);
        for (int i = 0; i < glyph.block_count; i++)
            emit_block(glyph.blocks[i]);
        glEnd();
        glEndList();
    }
}

// The snowflake ornament: 19 flat pieces 0.04 thick, put together at compile time from their outlines.
#include "assets.h"

// A piece is a prism: its outline in the x-y plane, extruded from z = -0.02 (back cap) to z = +0.02
// (front cap). Every outline edge is one wall of two triangles; every cap triangle is drawn twice,
// on the back and on the front.
struct OrnamentWall {
    int from; // outline corner the edge starts at, going counter-clockwise
    int to; // outline corner it ends at
    float normal_x;
    float normal_y;
};

struct OrnamentCap {
    int corners[3]; // outline corners, counter-clockwise seen from +z
};

struct OrnamentPiece {
    float corners[12][2];
    int wall_count;
    OrnamentWall walls[12];
    int cap_count;
    OrnamentCap caps[12];
};

// A piece as it is placed: the piece, or its mirror image in x and/or y (sign -1).
struct OrnamentPlacement {
    const OrnamentPiece* piece;
    int sign_x;
    int sign_y;
};

static constexpr float HALF_THICKNESS = 0.02f;

// The wall normals are the rounded normals of the upright pieces turned to each arm's angle. They
// are kept as given, not worked out again from the rounded corners, so a slanted wall's normal may
// stand off its edge by some degrees: up to 11 on the slanted arms and 15 on their branches.

// clang-format off
// The arm at 90 degrees: a bar 0.04 wide from 0.14 to 0.33 from the centre, closed by a point at 0.37.
static constexpr OrnamentPiece ARM_90 = {
    {{ -0.02f, 0.14f }, { 0.02f, 0.14f }, { 0.02f, 0.33f }, { 0.00f, 0.37f }, { -0.02f, 0.33f }},
    5, {
        // from to  normal
        { 1,   2,    1.00f,  0.00f }, // the +x side
        { 0,   1,    0.00f, -1.00f }, // the foot
        { 4,   0,   -1.00f,  0.00f }, // the -x side
        { 2,   3,    0.89f,  0.45f }, // the point, +x half
        { 3,   4,   -0.89f,  0.45f }, // the point, -x half
    },
    3, {{{ 1, 2, 0 }}, {{ 2, 4, 0 }}, {{ 2, 3, 4 }}}, // the fan from the third corner
};

// Its branch on the +x side, pointing outward and up.
static constexpr OrnamentPiece BRANCH_90_PLUS_X = {
    {{ 0.02f, 0.26f }, { 0.05f, 0.26f }, { 0.08f, 0.28f }, { 0.05f, 0.30f }, { 0.02f, 0.30f }},
    5, {
        // from to  normal
        { 0,   1,    0.00f, -1.00f },
        { 4,   0,   -1.00f,  0.00f },
        { 3,   4,    0.00f,  1.00f },
        { 1,   2,    0.45f, -0.89f },
        { 2,   3,    0.45f,  0.89f },
    },
    3, {{{ 1, 2, 0 }}, {{ 2, 4, 0 }}, {{ 2, 3, 4 }}}, // the fan from the third corner
};

// Its branch on the -x side: the mirror image of the +x branch.
static constexpr OrnamentPiece BRANCH_90_MINUS_X = {
    {{ -0.05f, 0.26f }, { -0.02f, 0.26f }, { -0.02f, 0.30f }, { -0.05f, 0.30f }, { -0.08f, 0.28f }},
    5, {
        // from to  normal
        { 0,   1,    0.00f, -1.00f },
        { 1,   2,    1.00f,  0.00f },
        { 2,   3,    0.00f,  1.00f },
        { 4,   0,   -0.45f, -0.89f },
        { 3,   4,   -0.45f,  0.89f },
    },
    3, {{{ 1, 2, 0 }}, {{ 2, 4, 0 }}, {{ 2, 3, 4 }}}, // the fan from the third corner
};

// The arm at 30 degrees.
static constexpr OrnamentPiece ARM_30 = {
    {{ 0.11f, 0.08f }, { 0.13f, 0.05f }, { 0.30f, 0.15f }, { 0.32f, 0.19f }, { 0.28f, 0.18f }},
    5, {
        // from to  normal
        { 0,   1,   -0.87f, -0.50f }, // the foot
        { 4,   0,   -0.50f,  0.87f }, // the side toward +y
        { 1,   2,    0.50f, -0.87f }, // the side toward -y
        { 2,   3,    0.83f, -0.55f }, // the point
        { 3,   4,   -0.06f,  1.00f }, // the point
    },
    3, {{{ 1, 2, 0 }}, {{ 2, 4, 0 }}, {{ 2, 3, 4 }}}, // the fan from the third corner
};

// Its branch on the side toward +y, centred near 39 degrees.
static constexpr OrnamentPiece BRANCH_39 = {
    {{ 0.20f, 0.17f }, { 0.22f, 0.15f }, { 0.25f, 0.16f }, { 0.23f, 0.19f }, { 0.20f, 0.21f }},
    5, {
        // from to  normal
        { 4,   0,   -1.00f, -0.06f },
        { 3,   4,    0.55f,  0.83f },
        { 2,   3,    0.87f,  0.50f },
        { 1,   2,    0.50f, -0.87f },
        { 0,   1,   -0.87f, -0.50f },
    },
    3, {{{ 1, 2, 0 }}, {{ 2, 4, 0 }}, {{ 2, 3, 4 }}}, // the fan from the third corner
};

// Its branch on the side toward -y, centred near 21 degrees.
static constexpr OrnamentPiece BRANCH_21 = {
    {{ 0.25f, 0.09f }, { 0.28f, 0.07f }, { 0.28f, 0.11f }, { 0.27f, 0.13f }, { 0.23f, 0.11f }},
    5, {
        // from to  normal
        { 4,   0,   -0.87f, -0.50f },
        { 3,   4,   -0.50f,  0.87f },
        { 2,   3,    0.87f,  0.50f },
        { 1,   2,    1.00f,  0.06f },
        { 0,   1,   -0.55f, -0.83f },
    },
    3, {{{ 1, 2, 0 }}, {{ 2, 4, 0 }}, {{ 2, 3, 4 }}}, // the fan from the third corner
};

// The ring at the centre: corners 0-5 the outer hexagon, 6-11 the inner one, each counter-clockwise
// from the top. Outer walls face away from the centre, inner walls toward it.
static constexpr OrnamentPiece RING = {
    {
        {  0.00f,  0.15f }, { -0.13f,  0.07f }, { -0.13f, -0.07f },
        {  0.00f, -0.15f }, {  0.13f, -0.07f }, {  0.13f,  0.07f },
        {  0.00f,  0.11f }, { -0.10f,  0.06f }, { -0.10f, -0.06f },
        {  0.00f, -0.11f }, {  0.10f, -0.06f }, {  0.10f,  0.06f },
    },
    12, {
        // from to  normal
        { 0,   1,   -0.50f,  0.87f }, // outer
        { 1,   2,   -1.00f,  0.00f },
        { 2,   3,   -0.50f, -0.87f },
        { 3,   4,    0.50f, -0.87f },
        { 4,   5,    1.00f,  0.00f },
        { 5,   0,    0.50f,  0.87f },
        { 7,   6,    0.50f, -0.87f }, // inner
        { 8,   7,    1.00f,  0.00f },
        { 9,   8,    0.50f,  0.87f },
        { 10,  9,   -0.50f,  0.87f },
        { 11, 10,   -1.00f,  0.00f },
        { 6,  11,   -0.50f, -0.87f },
    },
    // each band between the hexagons in two, the band from the top corner last
    12, {
        {{ 1,  2,  8 }}, {{ 8,  7,  1 }},
        {{ 2,  3,  9 }}, {{ 9,  8,  2 }},
        {{ 3,  4, 10 }}, {{ 10, 9,  3 }},
        {{ 4,  5, 11 }}, {{ 11, 10, 4 }},
        {{ 5,  0,  6 }}, {{ 6, 11,  5 }},
        {{ 0,  1,  7 }}, {{ 7,  6,  0 }},
    },
};

// The 19 pieces in drawing order. The 270, 150, 210 and 330 degree groups are the tabled groups
// mirrored; x and y both negated is a half-turn.
static constexpr OrnamentPlacement ORNAMENT_PIECES[] = {
    // piece               sign x  sign y
    { &ARM_90,               1,     1 }, // arm 90
    { &BRANCH_90_PLUS_X,     1,     1 }, // its +x branch
    { &BRANCH_90_MINUS_X,    1,     1 }, // its -x branch
    { &ARM_90,               1,    -1 }, // arm 270
    { &BRANCH_90_MINUS_X,    1,    -1 }, // its -x branch
    { &BRANCH_90_PLUS_X,     1,    -1 }, // its +x branch
    { &ARM_30,              -1,    -1 }, // arm 210
    { &BRANCH_21,           -1,    -1 }, // branch near 201
    { &BRANCH_39,           -1,    -1 }, // branch near 219
    { &ARM_30,               1,     1 }, // arm 30
    { &BRANCH_39,            1,     1 }, // branch near 39
    { &BRANCH_21,            1,     1 }, // branch near 21
    { &ARM_30,              -1,     1 }, // arm 150
    { &BRANCH_39,           -1,     1 }, // branch near 141
    { &BRANCH_21,           -1,     1 }, // branch near 159
    { &ARM_30,               1,    -1 }, // arm 330
    { &BRANCH_21,            1,    -1 }, // branch near 339
    { &BRANCH_39,            1,    -1 }, // branch near 321
    { &RING,                 1,     1 }, // ring
};
// clang-format on
static_assert(sizeof ORNAMENT_PIECES / sizeof ORNAMENT_PIECES[0] == 19, "six arms, twelve branches, a ring");

struct OrnamentMeshData {
    OrnamentTriangle triangles[ORNAMENT_TRIANGLE_COUNT];
    int count;
};

// A coordinate in a mirror image; zero stays +0 so that mirrored corners equal the tabled ones bit for bit.
static constexpr float mirrored(float value, int sign) { return sign > 0 || value == 0.0f ? value : -value; }

// Appends one triangle of a placed piece. A true mirror (one sign negative) turns clockwise into
// counter-clockwise, so its corners are taken in reverse; the half-turn keeps their order.
static constexpr void add_triangle(OrnamentMeshData& mesh, const OrnamentPlacement& placement,
    const float normal[3], const float corners[3][3])
{
    OrnamentTriangle& triangle = mesh.triangles[mesh.count++];
    const bool reverse = placement.sign_x * placement.sign_y < 0;
    triangle.normal[0] = mirrored(normal[0], placement.sign_x);
    triangle.normal[1] = mirrored(normal[1], placement.sign_y);
    triangle.normal[2] = normal[2];
    for (int i = 0; i < 3; i++) {
        const float* corner = corners[reverse ? 2 - i : i];
        triangle.corners[i][0] = mirrored(corner[0], placement.sign_x);
        triangle.corners[i][1] = mirrored(corner[1], placement.sign_y);
        triangle.corners[i][2] = corner[2];
    }
}

// Every wall of every piece, then every cap: a wall from P to Q is (P back, Q back, P front) and
// (P front, Q back, Q front); a cap triangle goes first on the back, turned round, then on the front.
static constexpr OrnamentMeshData build_ornament_mesh()
{
    OrnamentMeshData mesh {};
    for (const OrnamentPlacement& placement : ORNAMENT_PIECES) {
        const OrnamentPiece& piece = *placement.piece;
        for (int w = 0; w < piece.wall_count; w++) {
            const OrnamentWall& wall = piece.walls[w];
            const float* p = piece.corners[wall.from];
            const float* q = piece.corners[wall.to];
            const float normal[3] = { wall.normal_x, wall.normal_y, 0.0f };
            const float first[3][3] = { { p[0], p[1], -HALF_THICKNESS }, { q[0], q[1], -HALF_THICKNESS },
                { p[0], p[1], HALF_THICKNESS } };
            const float second[3][3] = { { p[0], p[1], HALF_THICKNESS }, { q[0], q[1], -HALF_THICKNESS },
                { q[0], q[1], HALF_THICKNESS } };
            add_triangle(mesh, placement, normal, first);
            add_triangle(mesh, placement, normal, second);
        }
    }
    for (const OrnamentPlacement& placement : ORNAMENT_PIECES) {
        const OrnamentPiece& piece = *placement.piece;
        for (int c = 0; c < piece.cap_count; c++) {
            const float* a = piece.corners[piece.caps[c].corners[0]];
            const float* b = piece.corners[piece.caps[c].corners[1]];
            const float* d = piece.corners[piece.caps[c].corners[2]];
            const float back_normal[3] = { 0.0f, 0.0f, -1.0f };
            const float back[3][3] = { { a[0], a[1], -HALF_THICKNESS }, { d[0], d[1], -HALF_THICKNESS },
                { b[0], b[1], -HALF_THICKNESS } };
            const float front_normal[3] = { 0.0f, 0.0f, 1.0f };
            const float front[3][3] = { { a[0], a[1], HALF_THICKNESS }, { b[0], b[1], HALF_THICKNESS },
                { d[0], d[1], HALF_THICKNESS } };
            add_triangle(mesh, placement, back_normal, back);
            add_triangle(mesh, placement, front_normal, front);
        }
    }
    return mesh;
}

static constexpr OrnamentMeshData ORNAMENT_MESH_DATA = build_ornament_mesh();
static_assert(
    ORNAMENT_MESH_DATA.count == ORNAMENT_TRIANGLE_COUNT, "18 x 16 pentagon triangles + 48 ring triangles");

const OrnamentTriangle (&ornament_mesh)[ORNAMENT_TRIANGLE_COUNT] = ORNAMENT_MESH_DATA.triangles;

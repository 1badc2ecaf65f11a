// The snowflake mesh and its display list, checked against the outlines and wall normals it is drawn from.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <tuple>
#include <vector>

#include "assets.h"
#include "fakes.h"
#include "geometry.h"

namespace
{

struct Point {
    float x;
    float y;
};

struct Edge {
    Point from;
    Point to;
    float normal_x;
    float normal_y;
};

// A piece as the outlines give it: its corners counter-clockwise and, for each edge from corner i to
// corner i + 1, the wall normal. The ring has two loops: the outer hexagon and the inner one.
struct Piece {
    const char* name;
    std::vector<std::vector<Point>> loops;
    std::vector<Edge> edges;
    int triangles;
};

using Corner = std::tuple<float, float, float>;

float f(double value) { return (float)value; }

// Edges from an outline loop and the normal of each edge (edge i runs from corner i to corner i + 1).
std::vector<Edge> edges_of(const std::vector<Point>& loop, const std::vector<Point>& normals)
{
    std::vector<Edge> edges;
    for (size_t i = 0; i < loop.size(); i++)
        edges.push_back(Edge { loop[i], loop[(i + 1) % loop.size()], normals[i].x, normals[i].y });
    return edges;
}

Piece pentagon(const char* name, std::vector<Point> corners, std::vector<Point> normals)
{
    Piece piece { name, { corners }, edges_of(corners, normals), 16 };
    return piece;
}

float negate(float v) { return v == 0.0f ? 0.0f : -v; }

// The mirror image of a piece: corners and normals negated in x and/or y, corner order reversed when
// exactly one axis is negated so the outline stays counter-clockwise.
Piece mirror(const Piece& source, const char* name, bool flip_x, bool flip_y)
{
    auto map = [&](Point p) { return Point { flip_x ? negate(p.x) : p.x, flip_y ? negate(p.y) : p.y }; };
    Piece piece { name, {}, {}, source.triangles };
    const bool reverse = flip_x != flip_y;
    for (const std::vector<Point>& loop : source.loops) {
        std::vector<Point> mapped;
        for (Point p : loop)
            mapped.push_back(map(p));
        if (reverse)
            std::reverse(mapped.begin(), mapped.end());
        piece.loops.push_back(mapped);
    }
    for (const Edge& e : source.edges) {
        Point n = map(Point { e.normal_x, e.normal_y });
        if (reverse)
            piece.edges.push_back(Edge { map(e.to), map(e.from), n.x, n.y });
        else
            piece.edges.push_back(Edge { map(e.from), map(e.to), n.x, n.y });
    }
    return piece;
}

// The pieces in drawing order, from the upright group, the 30-degree group and the ring.
std::vector<Piece> expected_pieces()
{
    const Piece arm_90 = pentagon("arm 90",
        { { f(-0.02), f(0.14) }, { f(0.02), f(0.14) }, { f(0.02), f(0.33) }, { 0, f(0.37) },
            { f(-0.02), f(0.33) } },
        { { 0, -1 }, { 1, 0 }, { f(0.89), f(0.45) }, { f(-0.89), f(0.45) }, { -1, 0 } });
    const Piece branch_plus_x = pentagon("branch +x",
        { { f(0.02), f(0.26) }, { f(0.05), f(0.26) }, { f(0.08), f(0.28) }, { f(0.05), f(0.30) },
            { f(0.02), f(0.30) } },
        { { 0, -1 }, { f(0.45), f(-0.89) }, { f(0.45), f(0.89) }, { 0, 1 }, { -1, 0 } });
    const Piece branch_minus_x = pentagon("branch -x",
        { { f(-0.05), f(0.26) }, { f(-0.02), f(0.26) }, { f(-0.02), f(0.30) }, { f(-0.05), f(0.30) },
            { f(-0.08), f(0.28) } },
        { { 0, -1 }, { 1, 0 }, { 0, 1 }, { f(-0.45), f(0.89) }, { f(-0.45), f(-0.89) } });
    const Piece arm_30 = pentagon("arm 30",
        { { f(0.11), f(0.08) }, { f(0.13), f(0.05) }, { f(0.30), f(0.15) }, { f(0.32), f(0.19) },
            { f(0.28), f(0.18) } },
        { { f(-0.87), f(-0.5) }, { f(0.5), f(-0.87) }, { f(0.83), f(-0.55) }, { f(-0.06), 1 },
            { f(-0.5), f(0.87) } });
    const Piece branch_39 = pentagon("branch 39",
        { { f(0.20), f(0.17) }, { f(0.22), f(0.15) }, { f(0.25), f(0.16) }, { f(0.23), f(0.19) },
            { f(0.20), f(0.21) } },
        { { f(-0.87), f(-0.5) }, { f(0.5), f(-0.87) }, { f(0.87), f(0.5) }, { f(0.55), f(0.83) },
            { -1, f(-0.06) } });
    const Piece branch_21 = pentagon("branch 21",
        { { f(0.25), f(0.09) }, { f(0.28), f(0.07) }, { f(0.28), f(0.11) }, { f(0.27), f(0.13) },
            { f(0.23), f(0.11) } },
        { { f(-0.55), f(-0.83) }, { 1, f(0.06) }, { f(0.87), f(0.5) }, { f(-0.5), f(0.87) },
            { f(-0.87), f(-0.5) } });

    const std::vector<Point> outer = { { 0, f(0.15) }, { f(-0.13), f(0.07) }, { f(-0.13), f(-0.07) },
        { 0, f(-0.15) }, { f(0.13), f(-0.07) }, { f(0.13), f(0.07) } };
    const std::vector<Point> inner = { { 0, f(0.11) }, { f(-0.10), f(0.06) }, { f(-0.10), f(-0.06) },
        { 0, f(-0.11) }, { f(0.10), f(-0.06) }, { f(0.10), f(0.06) } };
    const std::vector<Point> outer_normals = { { f(-0.5), f(0.87) }, { -1, 0 }, { f(-0.5), f(-0.87) },
        { f(0.5), f(-0.87) }, { 1, 0 }, { f(0.5), f(0.87) } };
    Piece ring { "ring", { outer, inner }, edges_of(outer, outer_normals), 48 };
    for (size_t i = 0; i < inner.size(); i++) {
        // inner walls face the centre: the negation of the parallel outer wall
        Point n = outer_normals[i];
        ring.edges.push_back(Edge { inner[(i + 1) % inner.size()], inner[i], negate(n.x), negate(n.y) });
    }

    return {
        arm_90,
        branch_plus_x,
        branch_minus_x,
        mirror(arm_90, "arm 270", false, true),
        mirror(branch_minus_x, "arm 270, -x branch", false, true),
        mirror(branch_plus_x, "arm 270, +x branch", false, true),
        mirror(arm_30, "arm 210", true, true),
        mirror(branch_21, "branch 201", true, true),
        mirror(branch_39, "branch 219", true, true),
        arm_30,
        branch_39,
        branch_21,
        mirror(arm_30, "arm 150", true, false),
        mirror(branch_39, "branch 141", true, false),
        mirror(branch_21, "branch 159", true, false),
        mirror(arm_30, "arm 330", false, true),
        mirror(branch_21, "branch 339", false, true),
        mirror(branch_39, "branch 321", false, true),
        ring,
    };
}

bool same(Point a, Point b) { return a.x == b.x && a.y == b.y; }

Point xy(const float* corner) { return Point { corner[0], corner[1] }; }

double cross(Point o, Point a, Point b)
{
    return ((double)a.x - o.x) * ((double)b.y - o.y) - ((double)a.y - o.y) * ((double)b.x - o.x);
}

double loop_area(const std::vector<Point>& loop)
{
    double area = 0;
    for (size_t i = 0; i < loop.size(); i++)
        area += cross(Point { 0, 0 }, loop[i], loop[(i + 1) % loop.size()]) / 2;
    return area;
}

// Strictly inside a counter-clockwise convex loop; `near` is set when the point lies on an edge's line.
bool inside_convex(const std::vector<Point>& loop, Point p, bool* near)
{
    bool in = true;
    for (size_t i = 0; i < loop.size(); i++) {
        const double c = cross(loop[i], loop[(i + 1) % loop.size()], p);
        if (std::fabs(c) < 1e-9)
            *near = true;
        if (c <= 0)
            in = false;
    }
    return in;
}

bool is_hundredth(float value)
{
    char text[32];
    snprintf(text, sizeof text, "%.2f", (double)value);
    return strtof(text, nullptr) == value;
}

TEST(OrnamentMesh, TellingTrianglesAreExact)
{
    struct Row {
        int number;
        float normal[3];
        float corners[3][3];
    };
    // clang-format off
    const Row rows[] = {
        {   1, { 1, 0, 0 },              {{ f(0.02), f(0.14), f(-0.02) }, { f(0.02), f(0.33), f(-0.02) }, { f(0.02), f(0.14), f(0.02) }} },
        {   2, { 1, 0, 0 },              {{ f(0.02), f(0.14), f(0.02) },  { f(0.02), f(0.33), f(-0.02) }, { f(0.02), f(0.33), f(0.02) }} },
        {   3, { 0, -1, 0 },             {{ f(-0.02), f(0.14), f(-0.02) }, { f(0.02), f(0.14), f(-0.02) }, { f(-0.02), f(0.14), f(0.02) }} },
        {   7, { f(0.89), f(0.45), 0 },  {{ f(0.02), f(0.33), f(-0.02) }, { 0, f(0.37), f(-0.02) },       { f(0.02), f(0.33), f(0.02) }} },
        { 205, { 0, 0, -1 },             {{ f(0.02), f(0.14), f(-0.02) }, { f(-0.02), f(0.14), f(-0.02) }, { f(0.02), f(0.33), f(-0.02) }} },
        { 206, { 0, 0, 1 },              {{ f(0.02), f(0.14), f(0.02) },  { f(0.02), f(0.33), f(0.02) },  { f(-0.02), f(0.14), f(0.02) }} },
        { 209, { 0, 0, -1 },             {{ f(0.02), f(0.33), f(-0.02) }, { f(-0.02), f(0.33), f(-0.02) }, { 0, f(0.37), f(-0.02) }} },
        { 336, { 0, 0, 1 },              {{ f(-0.10), f(0.06), f(0.02) }, { 0, f(0.11), f(0.02) },        { 0, f(0.15), f(0.02) }} },
    };
    // clang-format on
    for (const Row& row : rows) {
        const OrnamentTriangle& t = ornament_mesh[row.number - 1];
        SCOPED_TRACE(row.number);
        for (int i = 0; i < 3; i++)
            EXPECT_EQ(t.normal[i], row.normal[i]);
        for (int c = 0; c < 3; c++)
            for (int i = 0; i < 3; i++)
                EXPECT_EQ(t.corners[c][i], row.corners[c][i]) << "corner " << c << " axis " << i;
    }
}

TEST(OrnamentMesh, ValuesAreHundredthsWithinBoundsAndNormalsAsGiven)
{
    const std::set<float> components = { 0, 0.06f, -0.06f, 0.45f, -0.45f, 0.5f, -0.5f, 0.55f, -0.55f, 0.83f,
        -0.83f, 0.87f, -0.87f, 0.89f, -0.89f, 1, -1 };
    float low[3] = { 1, 1, 1 };
    float high[3] = { -1, -1, -1 };
    for (const OrnamentTriangle& t : ornament_mesh) {
        double length = 0;
        for (float n : t.normal) {
            EXPECT_EQ(components.count(n), 1u) << n;
            length += (double)n * n;
        }
        // near unit length, used as stored: 0.9957 to 1.0034 to four places
        EXPECT_GE(std::sqrt(length), 0.99565);
        EXPECT_LE(std::sqrt(length), 1.00345);
        for (const auto& corner : t.corners)
            for (int i = 0; i < 3; i++) {
                EXPECT_TRUE(is_hundredth(corner[i])) << corner[i];
                low[i] = std::min(low[i], corner[i]);
                high[i] = std::max(high[i], corner[i]);
            }
    }
    EXPECT_EQ(low[0], -0.32f);
    EXPECT_EQ(high[0], 0.32f);
    EXPECT_EQ(low[1], -0.37f);
    EXPECT_EQ(high[1], 0.37f);
    EXPECT_EQ(low[2], -0.02f);
    EXPECT_EQ(high[2], 0.02f);
}

TEST(OrnamentMesh, DistinctCornersAreCentredAndSymmetric)
{
    std::set<Corner> corners;
    for (const OrnamentTriangle& t : ornament_mesh)
        for (const auto& c : t.corners)
            corners.insert(Corner { c[0], c[1], c[2] });
    EXPECT_EQ(corners.size(), 204u);
    // every corner is a float of at most 24 bits below 0.5: the sums are exact, so the mean is 0 exactly
    double sum[3] = { 0, 0, 0 };
    for (const Corner& c : corners) {
        sum[0] += std::get<0>(c);
        sum[1] += std::get<1>(c);
        sum[2] += std::get<2>(c);
        EXPECT_EQ(corners.count(Corner { negate(std::get<0>(c)), std::get<1>(c), std::get<2>(c) }), 1u);
        EXPECT_EQ(corners.count(Corner { std::get<0>(c), negate(std::get<1>(c)), std::get<2>(c) }), 1u);
    }
    EXPECT_EQ(sum[0], 0.0);
    EXPECT_EQ(sum[1], 0.0);
    EXPECT_EQ(sum[2], 0.0);
}

// A wall: its normal and its four corners (which diagonal splits it is free).
using Wall = std::tuple<float, float, std::set<Corner>>;

TEST(OrnamentMesh, WallsComeInPairsAndMirrorOntoThemselves)
{
    std::set<Wall> walls;
    for (int i = 0; i < 204; i += 2) {
        const OrnamentTriangle& a = ornament_mesh[i];
        const OrnamentTriangle& b = ornament_mesh[i + 1];
        EXPECT_EQ(a.normal[2], 0.0f);
        EXPECT_EQ(a.normal[0], b.normal[0]) << "wall " << i / 2;
        EXPECT_EQ(a.normal[1], b.normal[1]) << "wall " << i / 2;
        std::set<Corner> corners;
        for (const OrnamentTriangle* t : { &a, &b })
            for (const auto& c : t->corners)
                corners.insert(Corner { c[0], c[1], c[2] });
        EXPECT_EQ(corners.size(), 4u) << "wall " << i / 2;
        walls.insert(Wall { a.normal[0], a.normal[1], corners });
    }
    ASSERT_EQ(walls.size(), 102u);
    for (const Wall& wall : walls) {
        std::set<Corner> flip_x, flip_y;
        for (const Corner& c : std::get<2>(wall)) {
            flip_x.insert(Corner { negate(std::get<0>(c)), std::get<1>(c), std::get<2>(c) });
            flip_y.insert(Corner { std::get<0>(c), negate(std::get<1>(c)), std::get<2>(c) });
        }
        EXPECT_EQ(walls.count(Wall { negate(std::get<0>(wall)), std::get<1>(wall), flip_x }), 1u);
        EXPECT_EQ(walls.count(Wall { std::get<0>(wall), negate(std::get<1>(wall)), flip_y }), 1u);
    }
}

TEST(OrnamentMesh, EveryTriangleWindsCounterClockwiseSeenFromItsNormal)
{
    for (int i = 0; i < ORNAMENT_TRIANGLE_COUNT; i++) {
        const OrnamentTriangle& t = ornament_mesh[i];
        double u[3], v[3];
        for (int k = 0; k < 3; k++) {
            u[k] = (double)t.corners[1][k] - t.corners[0][k];
            v[k] = (double)t.corners[2][k] - t.corners[0][k];
        }
        const double n[3]
            = { u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0] };
        const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        ASSERT_GT(length, 0) << "triangle " << i + 1 << " is degenerate";
        const double cosine = (n[0] * t.normal[0] + n[1] * t.normal[1] + n[2] * t.normal[2]) / length;
        // the slanted walls' normals are the upright ones turned and rounded, and stand up to about 15
        // degrees off their edges; a triangle wound the wrong way would be near -1
        EXPECT_GT(cosine, 0.95) << "triangle " << i + 1;
    }
}

// Each piece in turn: its walls are exactly its outline's edges with the given normals, facing out of
// the piece; its caps come after all walls, back and front alternating, and cover the outline exactly.
TEST(OrnamentMesh, PiecesInDrawingOrderWithTheirWallsAndCaps)
{
    const std::vector<Piece> pieces = expected_pieces();
    int wall = 0;
    int cap = 204;
    for (const Piece& piece : pieces) {
        SCOPED_TRACE(piece.name);
        const int wall_count = (int)piece.edges.size() * 2;
        std::vector<int> seen(piece.edges.size(), 0);
        for (int i = wall; i < wall + wall_count; i++) {
            const OrnamentTriangle& t = ornament_mesh[i];
            // the triangle's two distinct (x, y) points are the ends of one edge
            std::vector<Point> ends;
            for (const auto& c : t.corners) {
                if (c[2] != -0.02f && c[2] != 0.02f)
                    ADD_FAILURE() << "wall corner off the caps: triangle " << i + 1;
                if (std::none_of(ends.begin(), ends.end(), [&](Point p) { return same(p, xy(c)); }))
                    ends.push_back(xy(c));
            }
            ASSERT_EQ(ends.size(), 2u) << "triangle " << i + 1;
            bool found = false;
            for (size_t e = 0; e < piece.edges.size(); e++) {
                const Edge& edge = piece.edges[e];
                if ((same(edge.from, ends[0]) && same(edge.to, ends[1]))
                    || (same(edge.from, ends[1]) && same(edge.to, ends[0]))) {
                    found = true;
                    seen[e]++;
                    EXPECT_EQ(t.normal[0], edge.normal_x) << "triangle " << i + 1;
                    EXPECT_EQ(t.normal[1], edge.normal_y) << "triangle " << i + 1;
                    // out of the piece: the outline runs counter-clockwise, so outward is to its right
                    const double right_x = (double)edge.to.y - edge.from.y;
                    const double right_y = (double)edge.from.x - edge.to.x;
                    EXPECT_GT(right_x * t.normal[0] + right_y * t.normal[1], 0) << "triangle " << i + 1;
                }
            }
            EXPECT_TRUE(found) << "triangle " << i + 1 << " is no wall of this piece";
        }
        for (int count : seen)
            EXPECT_EQ(count, 2);
        wall += wall_count;

        const int cap_count = piece.triangles - wall_count;
        std::vector<std::vector<Point>> fronts;
        double area = 0;
        for (int i = cap; i < cap + cap_count; i++) {
            const OrnamentTriangle& t = ornament_mesh[i];
            const bool back = (i - cap) % 2 == 0;
            const float z = back ? -0.02f : 0.02f;
            EXPECT_EQ(t.normal[0], 0.0f);
            EXPECT_EQ(t.normal[1], 0.0f);
            EXPECT_EQ(t.normal[2], back ? -1.0f : 1.0f) << "triangle " << i + 1;
            std::vector<Point> corners;
            for (const auto& c : t.corners) {
                EXPECT_EQ(c[2], z) << "triangle " << i + 1;
                corners.push_back(xy(c));
                bool on_outline = false;
                for (const auto& loop : piece.loops)
                    for (Point p : loop)
                        on_outline = on_outline || same(p, xy(c));
                EXPECT_TRUE(on_outline) << "triangle " << i + 1;
            }
            if (back) {
                // its front twin is the same triangle turned round
                const OrnamentTriangle& front = ornament_mesh[i + 1];
                std::set<std::pair<float, float>> a, b;
                for (const auto& c : t.corners)
                    a.insert({ c[0], c[1] });
                for (const auto& c : front.corners)
                    b.insert({ c[0], c[1] });
                EXPECT_EQ(a, b) << "triangle " << i + 1;
            } else {
                fronts.push_back(corners);
                area += cross(corners[0], corners[1], corners[2]) / 2;
            }
        }
        const double outline_area
            = loop_area(piece.loops[0]) - (piece.loops.size() > 1 ? loop_area(piece.loops[1]) : 0);
        EXPECT_NEAR(area, outline_area, 1e-12);

        // every point of the outline lies in exactly one front triangle, every other point in none
        float low_x = 1, high_x = -1, low_y = 1, high_y = -1;
        for (Point p : piece.loops[0]) {
            low_x = std::min(low_x, p.x);
            high_x = std::max(high_x, p.x);
            low_y = std::min(low_y, p.y);
            high_y = std::max(high_y, p.y);
        }
        int checked = 0;
        for (double x = low_x - 0.01; x < high_x + 0.01; x += 0.000731) {
            for (double y = low_y - 0.01; y < high_y + 0.01; y += 0.000677) {
                const Point p { (float)x, (float)y };
                bool near = false;
                bool in = inside_convex(piece.loops[0], p, &near);
                if (piece.loops.size() > 1) {
                    std::vector<Point> hole = piece.loops[1];
                    in = in && !inside_convex(hole, p, &near);
                }
                int covered = 0;
                for (const auto& tri : fronts)
                    covered += inside_convex(tri, p, &near) ? 1 : 0;
                if (near)
                    continue;
                checked++;
                ASSERT_EQ(covered, in ? 1 : 0) << "at " << x << ", " << y;
            }
        }
        EXPECT_GT(checked, 1000);
        cap += cap_count;
    }
    EXPECT_EQ(wall, 204);
    EXPECT_EQ(cap, 336);
}

TEST(OrnamentList, OneQuadBatchOfNormalsAndVerticesInList1)
{
    fake_calls_clear();
    build_ornament_list();
    ASSERT_EQ(fake_log.calls.size(), 2u + 336u * 5u + 2u) << fake_calls_text();
    EXPECT_EQ(fake_call_text(fake_log.calls[0]), "glNewList( 1, 4864 )");
    EXPECT_EQ(fake_call_text(fake_log.calls[1]), "glBegin( 7 )");
    EXPECT_EQ(fake_call_text(fake_log.calls[fake_log.calls.size() - 2]), "glEnd( )");
    EXPECT_EQ(fake_call_text(fake_log.calls.back()), "glEndList( )");
    EXPECT_EQ(fake_calls_named("glNormal3f").size(), 336u);
    EXPECT_EQ(fake_calls_named("glVertex3f").size(), 1344u);
    // geometry only: the colour comes from whoever calls the list
    for (const FakeCall& call : fake_log.calls) {
        const std::set<std::string> allowed
            = { "glNewList", "glBegin", "glNormal3f", "glVertex3f", "glEnd", "glEndList" };
        EXPECT_EQ(allowed.count(call.name), 1u) << call.name;
    }
    for (int i = 0; i < 336; i++) {
        const OrnamentTriangle& t = ornament_mesh[i];
        const FakeCall* quad = &fake_log.calls[2 + 5 * i];
        ASSERT_EQ(quad[0].name, "glNormal3f");
        EXPECT_EQ(quad[0].args, std::vector<double>(t.normal, t.normal + 3));
        for (int v = 0; v < 3; v++)
            EXPECT_EQ(quad[1 + v].args, std::vector<double>(t.corners[v], t.corners[v] + 3))
                << "quad " << i + 1;
        // the fourth vertex repeats the third, bit for bit
        ASSERT_EQ(quad[4].name, "glVertex3f");
        EXPECT_EQ(memcmp(quad[4].args.data(), quad[3].args.data(), 3 * sizeof(double)), 0)
            << "quad " << i + 1;
    }
}

} // namespace

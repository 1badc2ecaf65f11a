// The block font's display lists as the fake GL records them, and the scroll text they must cover.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "assets.h"
#include "fakes.h"
#include "geometry.h"

namespace
{

struct Vec {
    double x, y, z;
};

Vec operator-(Vec a, Vec b) { return { a.x - b.x, a.y - b.y, a.z - b.z }; }
Vec operator+(Vec a, Vec b) { return { a.x + b.x, a.y + b.y, a.z + b.z }; }
bool operator==(Vec a, Vec b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec cross(Vec a, Vec b) { return { a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x }; }

struct Quad {
    Vec normal;
    Vec corners[4];
};

// One compiled list: its name, its mode and its quads, with the calls it was made of.
struct CompiledList {
    double name;
    double mode;
    std::vector<FakeCall> calls;
    std::vector<Quad> quads;
};

Vec vec_of(const FakeCall& call) { return { call.args[0], call.args[1], call.args[2] }; }

// Compiles the font into the fake and cuts the log into lists; fails the test on any call outside the
// pattern glNewList, glBegin(GL_QUADS), (glNormal3f, 4 x glVertex3f)..., glEnd, glEndList.
std::vector<CompiledList> compile_font()
{
    fake_calls_clear();
    build_glyph_lists();
    std::vector<CompiledList> lists;
    size_t at = 0;
    const std::vector<FakeCall>& log = fake_log.calls;
    while (at < log.size()) {
        CompiledList list {};
        EXPECT_EQ(log[at].name, "glNewList") << fake_call_text(log[at]);
        list.name = log[at].args[0];
        list.mode = log[at].args[1];
        list.calls.push_back(log[at++]);
        EXPECT_EQ(log[at].name, "glBegin");
        EXPECT_EQ(log[at].args[0], GL_QUADS);
        list.calls.push_back(log[at++]);
        while (at < log.size() && log[at].name == "glNormal3f") {
            Quad quad {};
            quad.normal = vec_of(log[at]);
            list.calls.push_back(log[at++]);
            for (Vec& corner : quad.corners) {
                EXPECT_EQ(log[at].name, "glVertex3f") << "list " << list.name;
                corner = vec_of(log[at]);
                list.calls.push_back(log[at++]);
            }
            list.quads.push_back(quad);
        }
        EXPECT_EQ(log[at].name, "glEnd") << "list " << list.name;
        list.calls.push_back(log[at++]);
        EXPECT_EQ(log[at].name, "glEndList") << "list " << list.name;
        list.calls.push_back(log[at++]);
        lists.push_back(list);
        if (testing::Test::HasFailure())
            break;
    }
    return lists;
}

const CompiledList* find_list(const std::vector<CompiledList>& lists, double name)
{
    for (const CompiledList& list : lists)
        if (list.name == name)
            return &list;
    return nullptr;
}

TEST(GlyphLists, FullStopIsTheWorkedExampleCallForCall)
{
    const std::vector<CompiledList> lists = compile_font();
    const CompiledList* stop = find_list(lists, 46);
    ASSERT_NE(stop, nullptr);

    const double a = (double)0.29f, b = (double)0.57f, d = (double)0.29f;
    struct Expected {
        const char* name;
        std::vector<double> args;
    };
    const std::vector<Expected> expected = {
        { "glNewList", { 46, 0x1300 } },
        { "glBegin", { GL_QUADS } },
        // back
        { "glNormal3f", { 0, 0, -1 } },
        { "glVertex3f", { a, a, 0 } },
        { "glVertex3f", { a, b, 0 } },
        { "glVertex3f", { b, b, 0 } },
        { "glVertex3f", { b, a, 0 } },
        // left
        { "glNormal3f", { -1, 0, 0 } },
        { "glVertex3f", { a, a, 0 } },
        { "glVertex3f", { a, a, d } },
        { "glVertex3f", { a, b, d } },
        { "glVertex3f", { a, b, 0 } },
        // top
        { "glNormal3f", { 0, 1, 0 } },
        { "glVertex3f", { a, b, 0 } },
        { "glVertex3f", { a, b, d } },
        { "glVertex3f", { b, b, d } },
        { "glVertex3f", { b, b, 0 } },
        // right
        { "glNormal3f", { 1, 0, 0 } },
        { "glVertex3f", { b, a, 0 } },
        { "glVertex3f", { b, b, 0 } },
        { "glVertex3f", { b, b, d } },
        { "glVertex3f", { b, a, d } },
        // bottom
        { "glNormal3f", { 0, -1, 0 } },
        { "glVertex3f", { a, a, 0 } },
        { "glVertex3f", { b, a, 0 } },
        { "glVertex3f", { b, a, d } },
        { "glVertex3f", { a, a, d } },
        // front
        { "glNormal3f", { 0, 0, 1 } },
        { "glVertex3f", { a, a, d } },
        { "glVertex3f", { b, a, d } },
        { "glVertex3f", { b, b, d } },
        { "glVertex3f", { a, b, d } },
        { "glEnd", {} },
        { "glEndList", {} },
    };
    ASSERT_EQ(stop->calls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); i++) {
        EXPECT_EQ(stop->calls[i].name, expected[i].name) << "call " << i;
        EXPECT_EQ(stop->calls[i].args, expected[i].args)
            << "call " << i << ": " << fake_call_text(stop->calls[i]);
    }
}

TEST(GlyphLists, EveryGlyphHasItsListInCompileOrderWithItsQuadCount)
{
    // list name and quad count of every glyph, in compile order
    const std::vector<std::pair<double, int>> expected = {
        { 48, 38 },
        { 49, 21 },
        { 50, 29 },
        { 51, 30 },
        { 52, 17 },
        { 53, 28 },
        { 54, 29 },
        { 55, 17 },
        { 56, 42 },
        { 57, 29 },
        { 97, 28 },
        { 98, 21 },
        { 99, 18 },
        { 100, 22 },
        { 101, 29 },
        { 102, 17 },
        { 103, 28 },
        { 104, 17 },
        { 105, 18 },
        { 106, 24 },
        { 107, 34 },
        { 108, 12 },
        { 109, 30 },
        { 110, 18 },
        { 111, 24 },
        { 112, 22 },
        { 113, 22 },
        { 114, 12 },
        { 115, 30 },
        { 116, 22 },
        { 117, 17 },
        { 118, 35 },
        { 95, 6 },
        { 36, 48 },
        { 38, 59 },
        { 39, 11 },
        { 33, 12 },
        { 58, 12 },
        { 47, 41 },
        { 63, 29 },
        { 34, 22 },
        { 64, 38 },
        { 61, 12 },
        { 44, 11 },
        { 46, 6 },
        { 43, 16 },
        { 37, 53 },
        { 59, 17 },
        { 35, 40 },
        { 40, 18 },
        { 41, 18 },
        { 42, 40 },
        { 45, 6 },
        { 119, 30 },
        { 120, 54 },
        { 121, 23 },
        { 122, 40 },
        { 4294967268.0, 40 },
        { 4294967269.0, 34 },
        { 4294967286.0, 36 },
    };
    const std::vector<CompiledList> lists = compile_font();
    ASSERT_EQ(lists.size(), expected.size());
    int quads = 0;
    size_t vertices = 0;
    for (size_t i = 0; i < lists.size(); i++) {
        EXPECT_EQ(lists[i].name, expected[i].first) << "glyph " << i;
        EXPECT_EQ(lists[i].mode, GL_COMPILE);
        EXPECT_EQ((int)lists[i].quads.size(), expected[i].second) << "list " << lists[i].name;
        quads += (int)lists[i].quads.size();
        vertices += 4 * lists[i].quads.size();
    }
    EXPECT_EQ(quads, 1552);
    EXPECT_EQ(vertices, 6208u);
    EXPECT_EQ(fake_calls_named("glBegin").size(), 60u);
    EXPECT_EQ(fake_calls_named("glEnd").size(), 60u);
    EXPECT_EQ(fake_calls_named("glVertex3f").size(), 6208u);

    int blocks = 0;
    for (const GlyphEntry& entry : glyph_table)
        blocks += entry.block_count;
    EXPECT_EQ(blocks, 271);
}

TEST(GlyphLists, EveryQuadIsAPlanarRectangleWoundAboutItsUnitAxisNormal)
{
    const std::set<double> grid
        = { 0.00f, 0.14f, 0.29f, 0.43f, 0.57f, 0.71f, 0.86f, 1.00f, 1.14f, 1.29f, 1.43f, 1.57f };
    double max_x = 0, max_y = 0, max_z = 0;
    std::set<double> reaching_past_the_cell;
    for (const CompiledList& list : compile_font()) {
        for (const Quad& quad : list.quads) {
            const Vec n = quad.normal;
            EXPECT_EQ(std::fabs(n.x) + std::fabs(n.y) + std::fabs(n.z), 1.0) << "list " << list.name;
            EXPECT_EQ(dot(n, n), 1.0) << "list " << list.name;
            const Vec* c = quad.corners;
            // opposite sides equal and the corner a right angle: a rectangle
            EXPECT_TRUE(c[0] + c[2] == c[1] + c[3]) << "list " << list.name;
            EXPECT_EQ(dot(c[1] - c[0], c[2] - c[1]), 0.0) << "list " << list.name;
            // every corner on one plane across the normal
            for (int k = 1; k < 4; k++)
                EXPECT_EQ(dot(c[k] - c[0], n), 0.0) << "list " << list.name;
            // counter-clockwise seen from where the normal points, and not degenerate
            const Vec turn = cross(c[1] - c[0], c[2] - c[1]);
            EXPECT_GT(dot(turn, n), 0.0) << "list " << list.name;
            for (const Vec& v : quad.corners) {
                EXPECT_EQ(grid.count(v.x), 1u) << v.x;
                EXPECT_EQ(grid.count(v.y), 1u) << v.y;
                EXPECT_TRUE(v.z == 0.0 || v.z == (double)0.29f) << v.z;
                max_x = std::max(max_x, v.x);
                max_y = std::max(max_y, v.y);
                max_z = std::max(max_z, v.z);
                if (v.x > 1.0)
                    reaching_past_the_cell.insert(list.name);
            }
        }
    }
    EXPECT_EQ(max_x, (double)1.14f);
    EXPECT_EQ(max_y, (double)1.57f);
    EXPECT_EQ(max_z, (double)0.29f);
    EXPECT_EQ(reaching_past_the_cell, std::set<double> { 'f' });
}

std::vector<Vec> normals_of(const CompiledList& list, size_t first, size_t count)
{
    std::vector<Vec> normals;
    for (size_t i = first; i < first + count && i < list.quads.size(); i++)
        normals.push_back(list.quads[i].normal);
    return normals;
}

bool same(const std::vector<Vec>& a, const std::vector<Vec>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++)
        if (!(a[i] == b[i]))
            return false;
    return true;
}

TEST(GlyphLists, ThreeGlyphsGiveSomeBlocksTheirFacesInAnotherOrder)
{
    const Vec back { 0, 0, -1 }, left { -1, 0, 0 }, top { 0, 1, 0 }, right { 1, 0, 0 }, bottom { 0, -1, 0 },
        front { 0, 0, 1 };
    const std::vector<Vec> usual = { back, left, top, right, bottom, front };
    const std::vector<Vec> mirrored = { back, right, top, left, bottom, front };
    const std::vector<Vec> turned = { bottom, back, right, front, left, top };
    const std::vector<CompiledList> lists = compile_font();

    // every block of the right parenthesis, none of the left one
    const CompiledList* open = find_list(lists, '(');
    const CompiledList* close = find_list(lists, ')');
    ASSERT_TRUE(open && close);
    for (size_t block = 0; block < 3; block++) {
        EXPECT_TRUE(same(normals_of(*open, 6 * block, 6), usual)) << "( block " << block;
        EXPECT_TRUE(same(normals_of(*close, 6 * block, 6), mirrored)) << ") block " << block;
    }
    // u: 0-2/3-9, then the stem 5-7/2-9 turned, then 1-5/2-3 without its right face
    const CompiledList* u = find_list(lists, 'u');
    ASSERT_TRUE(u);
    EXPECT_TRUE(same(normals_of(*u, 0, 6), usual));
    EXPECT_TRUE(same(normals_of(*u, 6, 6), turned));
    EXPECT_TRUE(same(normals_of(*u, 12, 5), { back, left, top, bottom, front }));
    EXPECT_EQ(u->quads[6].corners[0].x, (double)0.71f);
    EXPECT_EQ(u->quads[6].corners[0].y, (double)0.29f);
    // w: three stems, the third turned, then two feet
    const CompiledList* w = find_list(lists, 'w');
    ASSERT_TRUE(w);
    EXPECT_TRUE(same(normals_of(*w, 0, 6), usual));
    EXPECT_TRUE(same(normals_of(*w, 6, 6), usual));
    EXPECT_TRUE(same(normals_of(*w, 12, 6), turned));
    EXPECT_TRUE(same(normals_of(*w, 18, 6), usual));
    EXPECT_TRUE(same(normals_of(*w, 24, 6), usual));
}

TEST(GlyphListName, HighBytesNameTheTopOfTheRange)
{
    EXPECT_EQ(glyph_list_name('\xE4'), 4294967268u);
    EXPECT_EQ(glyph_list_name('\xE5'), 4294967269u);
    EXPECT_EQ(glyph_list_name('\xF6'), 4294967286u);
    EXPECT_EQ(glyph_list_name('\x80'), 4294967168u);
    EXPECT_EQ(glyph_list_name('\xFF'), 4294967295u);
    EXPECT_EQ(glyph_list_name(' '), 32u);
    EXPECT_EQ(glyph_list_name('a'), 97u);
    EXPECT_EQ(glyph_list_name('\x7F'), 127u);
}

TEST(GlyphListName, CapitalsNameListsThatHoldNothing)
{
    std::set<double> compiled;
    for (const CompiledList& list : compile_font())
        compiled.insert(list.name);
    compiled.insert(1); // the ornament
    compiled.insert(32); // the space, compiled empty by the scene set-up
    for (char c = 'A'; c <= 'Z'; c++)
        EXPECT_EQ(compiled.count(glyph_list_name(c)), 0u) << c;
}

TEST(ScrollText, IsOneRunningLineOfDrawableBytes)
{
    std::set<double> compiled;
    for (const CompiledList& list : compile_font())
        compiled.insert(list.name);

    const size_t length = strlen(scroll_text);
    ASSERT_EQ(length, 3061u);
    EXPECT_EQ(strspn(scroll_text, " "), 14u);
    size_t trailing = 0;
    while (trailing < length && scroll_text[length - 1 - trailing] == ' ')
        trailing++;
    EXPECT_EQ(trailing, 8u);

    int a_diaeresis = 0;
    for (size_t i = 0; i < length; i++) {
        const char c = scroll_text[i];
        EXPECT_TRUE(c == ' ' || compiled.count(glyph_list_name(c)) == 1)
            << "byte " << i << " (0x" << std::hex << (int)(unsigned char)c << ") has no glyph";
        a_diaeresis += c == '\xE4';
    }
    EXPECT_GT(a_diaeresis, 0);
}

} // namespace

// Frame composition: the three passes with their projections, cameras, lights and colours, and the
// backdrop's texture coordinates.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "assets.h"
#include "scene.h"
#include "scene_test_support.h"

namespace
{

class Frame : public testing::Test
{
protected:
    void SetUp() override
    {
        fake_calls_clear();
        reset_scene();
        scene.background_texture = 7;
        scene.background_width = 1024;
    }
};

std::vector<std::string> backdrop_pass(double texture, double s0, double t1)
{
    return {
        call("glMatrixMode", { GL_PROJECTION }),
        call("glLoadIdentity"),
        call("glOrtho", { 0, 800, 0, 600, 0, 0.1 }),
        call("glMatrixMode", { GL_MODELVIEW }),
        call("glDisable", { GL_LIGHTING }),
        call("glEnable", { GL_TEXTURE_2D }),
        call("glDisable", { GL_COLOR_MATERIAL }),
        call("glPushMatrix"),
        call("glColor4f", { 1, 1, 1, 1 }),
        call("glBindTexture", { GL_TEXTURE_2D, texture }),
        call("glBegin", { GL_QUADS }),
        call("glTexCoord2f", { s0, t1 }),
        call("glVertex2i", { 0, 0 }),
        call("glTexCoord2f", { 1, t1 }),
        call("glVertex2i", { 799, 0 }),
        call("glTexCoord2f", { 1, 0 }),
        call("glVertex2i", { 799, 599 }),
        call("glTexCoord2f", { s0, 0 }),
        call("glVertex2i", { 0, 599 }),
        call("glEnd"),
        call("glPopMatrix"),
        call("glClear", { GL_DEPTH_BUFFER_BIT }),
        call("glEnable", { GL_LIGHTING }),
        call("glDisable", { GL_TEXTURE_2D }),
        call("glEnable", { GL_COLOR_MATERIAL }),
    };
}

const std::vector<std::string> ORNAMENT_PASS_START = {
    call("glMatrixMode", { GL_PROJECTION }),
    call("glLoadIdentity"),
    call("gluPerspective", { 15, 1.3333333333333335, 0.1, 200 }),
    call("glMatrixMode", { GL_MODELVIEW }),
    call("glPushMatrix"),
    call("gluLookAt", { 0, 0, -20, 0, 0, 0, 0, 1, 0 }),
    call("glLightfv", { GL_LIGHT0, GL_POSITION, 0, f(3.6), f(-12.4), 1 }),
    call("glLightfv", { GL_LIGHT1, GL_POSITION, 2, 4, 3, 1 }),
    call("glLightfv", { GL_LIGHT0, GL_AMBIENT, f(0.3), f(0.3), f(0.3), 1 }),
    call("glLightfv", { GL_LIGHT0, GL_DIFFUSE, f(0.6), f(0.6), f(0.6), 1 }),
    call("glLightfv", { GL_LIGHT0, GL_SPECULAR, 1, 1, 1, 1 }),
    call("glColor4f", { 1, 1, 1, f(0.3) }),
};

const std::vector<std::string> SCROLLER_PASS_START = {
    call("glPopMatrix"), // the end of the ornament pass
    call("glMatrixMode", { GL_PROJECTION }),
    call("glLoadIdentity"),
    call("gluPerspective", { 90, 1.3333333333333335, 0.1, 10 }),
    call("glMatrixMode", { GL_MODELVIEW }),
    call("glPushMatrix"),
    call("gluLookAt", { 0, 3.5, 0, 1.2, 0, -4, 1, 1.3, -1 }),
    call("glLightfv", { GL_LIGHT0, GL_POSITION, 0, f(0.6), f(-1.4), 1 }),
    call("glLightfv", { GL_LIGHT1, GL_POSITION, 2, 4, 3, 1 }),
    call("glLightfv", { GL_LIGHT0, GL_AMBIENT, f(0.1), f(0.1), f(0.1), 1 }),
    call("glLightfv", { GL_LIGHT0, GL_DIFFUSE, f(0.8), f(0.8), f(0.8), 1 }),
    call("glLightfv", { GL_LIGHT0, GL_SPECULAR, 1, 1, 1, 1 }),
    call("glColor4f", { 1, f(0.3), f(0.3), f(0.55) }),
};

// Checks one frame's log: backdrop, ornament pass holding `ornaments`, then the scroller pass, whose
// own calls (the letters) come between its colour and its closing pop.
void expect_frame(double s0, double t1, const std::vector<std::string>& ornaments)
{
    std::vector<std::string> expected = backdrop_pass(7, s0, t1);
    expected.insert(expected.end(), ORNAMENT_PASS_START.begin(), ORNAMENT_PASS_START.end());
    expected.insert(expected.end(), ornaments.begin(), ornaments.end());
    expected.insert(expected.end(), SCROLLER_PASS_START.begin(), SCROLLER_PASS_START.end());
    ASSERT_GE(fake_log.calls.size(), expected.size() + 1) << fake_calls_text();
    EXPECT_EQ(call_lines(0, expected.size()), expected);
    EXPECT_EQ(fake_call_text(fake_log.calls.back()), call("glPopMatrix"));
    // the modelview matrix ends as it began; the scroller pass's projection stays loaded
    int depth = 0;
    for (const FakeCall& c : fake_log.calls) {
        depth += c.name == "glPushMatrix" ? 1 : c.name == "glPopMatrix" ? -1 : 0;
        EXPECT_GE(depth, 0);
        EXPECT_NE(c.name, "glLoadMatrixf");
    }
    EXPECT_EQ(depth, 0);
}

TEST_F(Frame, TheFirstFrameHasTheBackdropAndNoOrnament)
{
    draw_frame();
    expect_frame(0.21875, 0.5859375, {});
    EXPECT_EQ(scene.spawn_counter, 1);
}

TEST_F(Frame, FrameSixtyDrawsTheFirstOrnamentAtItsSpawnPlaceThenMovesIt)
{
    for (int frame = 1; frame < 60; frame++)
        draw_frame();
    for (const FakeCall& c : fake_calls_named("glCallList"))
        ASSERT_NE(c.args[0], 1) << "frames 1 to 59 draw no ornament";
    fake_calls_clear();
    draw_frame();
    expect_frame(0.21875, 0.5859375,
        {
            call("glPushMatrix"),
            call("glTranslatef", { f(4.8), 7, -8 }),
            call("glRotatef", { 0, 0, 0, 1 }),
            call("glRotatef", { 0, 0, 1, 0 }),
            call("glCallList", { 1 }),
            call("glPopMatrix"),
        });

    // frame 61 draws slot 0 moved once: its phases went to 0.016, 0.03, 0.025, -0.025 and -0.035, so
    // it drifted 0.00016 right, sank 0.0306 and turned 3.08 and 3.61 degrees
    fake_calls_clear();
    draw_frame();
    expect_frame(0.21875, 0.5859375,
        {
            call("glPushMatrix"),
            call("glTranslatef", { f(4.80016041), f(6.96939993), f(-7.99875021) }),
            call("glRotatef", { f(3.07821751), 0, 0, 1 }),
            call("glRotatef", { f(3.60678172), 0, 1, 0 }),
            call("glCallList", { 1 }),
            call("glPopMatrix"),
        });
}

// The texture coordinates of the four backdrop corners for a picture `width` pixels wide.
std::vector<std::vector<double>> coordinates_for(int width)
{
    scene.background_width = width;
    fake_calls_clear();
    draw_frame();
    std::vector<std::vector<double>> all;
    for (const FakeCall& c : fake_calls_named("glTexCoord2f"))
        all.push_back(c.args);
    return all;
}

TEST_F(Frame, TextureCoordinatesComeFromThePictureWidthAlone)
{
    using Coordinates = std::vector<std::vector<double>>;
    // the right-most 800 columns and the top 600 rows, in units of the width
    EXPECT_EQ(coordinates_for(1024),
        (Coordinates { { 0.21875, 0.5859375 }, { 1, 0.5859375 }, { 1, 0 }, { 0.21875, 0 } }));
    EXPECT_EQ(coordinates_for(800), (Coordinates { { 0, 0.75 }, { 1, 0.75 }, { 1, 0 }, { 0, 0 } }));
    // narrower than the screen: s starts below 0 and the picture repeats sideways
    EXPECT_EQ(coordinates_for(512),
        (Coordinates { { -0.5625, 1.171875 }, { 1, 1.171875 }, { 1, 0 }, { -0.5625, 0 } }));
    // rounded to float from the double result
    EXPECT_EQ(
        coordinates_for(1000)[0], (std::vector<double> { f(1 - 800 * (1.0 / 1000)), f(600 * (1.0 / 1000)) }));
}

TEST_F(Frame, WithoutAPictureTheBackdropIsTheUntexturedQuad)
{
    scene.background_texture = 0;
    const std::vector<std::vector<double>> all = coordinates_for(0);
    ASSERT_EQ(all.size(), 4u);
    for (const std::vector<double>& st : all)
        for (double v : st)
            EXPECT_TRUE(std::isfinite(v)) << "no division by a zero width";
    EXPECT_EQ(
        fake_call_text(fake_calls_named("glBindTexture")[0]), call("glBindTexture", { GL_TEXTURE_2D, 0 }));
    EXPECT_EQ(fake_call_text(fake_calls_named("glColor4f")[0]), call("glColor4f", { 1, 1, 1, 1 }));
}

} // namespace

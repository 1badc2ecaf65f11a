// The web GL layer's lighting as its shaders evaluate it, over EGL and OpenGL ES 2 on llvmpipe: one
// quad facing the eye fills the screen, and its middle pixel is GL 1.1's colour of its corners, worked
// by hand. Each corner is (±1, ±1, 0) with the normal (0, 0, 1), so a light at (0, 0, 1, 1) lies along
// (∓1, ∓1, 1) / √3 from every one of them (N.L = 0.57735) and a light along (0, 0, 1, 0) straight
// above (N.L = 1). The global ambient is 0.2; the material's specular colour stays black, so the
// lights' specular colour (white here) adds nothing.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

bool frame_context_open(bool truecolor);
void frame_context_read(unsigned char* pixels);

namespace
{

const float ABOVE[4] = { 0, 0, 1, 1 }, OVERHEAD[4] = { 0, 0, 1, 0 }, WHITE[4] = { 1, 1, 1, 1 };

// The middle pixel's red, green and blue after drawing the quad with light 0 (and light 1 when given).
std::vector<int> middle(const float* ambient0, const float* diffuse0, const float* position0,
    const float* diffuse1 = nullptr, const float* position1 = nullptr)
{
    glMatrixMode(GL_PROJECTION);
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient0);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse0);
    glLightfv(GL_LIGHT0, GL_SPECULAR, WHITE);
    glLightfv(GL_LIGHT0, GL_POSITION, position0);
    if (diffuse1) {
        glEnable(GL_LIGHT1);
        glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse1);
        glLightfv(GL_LIGHT1, GL_SPECULAR, WHITE);
        glLightfv(GL_LIGHT1, GL_POSITION, position1);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glVertex3f(-1, -1, 0);
    glVertex3f(1, -1, 0);
    glVertex3f(1, 1, 0);
    glVertex3f(-1, 1, 0);
    glEnd();
    std::vector<unsigned char> pixels(800 * 600 * 4);
    frame_context_read(pixels.data());
    const unsigned char* p = &pixels[(300 * 800 + 400) * 4];
    return { p[0], p[1], p[2] };
}

void expect_near(const std::vector<int>& seen, const std::vector<int>& expected)
{
    for (size_t i = 0; i < 3; i++)
        EXPECT_NEAR(seen[i], expected[i], 1) << "channel " << i;
}

class GlWebLighting : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(frame_context_open(true)); }
};

TEST_F(GlWebLighting, DefaultMaterialUnderAPositionalAndThenADirectionalLight)
{
    // the material's ambient 0.2 and diffuse 0.8; the ornaments' light 0, ambient 0.3 and diffuse 0.6:
    // 0.2 x 0.2 + 0.2 x 0.3 + 0.57735 x 0.8 x 0.6 = 0.37713 (96.2 of 255); with N.L = 1, 0.58 (147.9)
    const float ambient[4] = { 0.3f, 0.3f, 0.3f, 1 }, diffuse[4] = { 0.6f, 0.6f, 0.6f, 1 };
    expect_near(middle(ambient, diffuse, ABOVE), { 96, 96, 96 });
    expect_near(middle(ambient, diffuse, OVERHEAD), { 148, 148, 148 });
}

TEST_F(GlWebLighting, TrackedColourUnderBothLightsAndBlendedOverBlack)
{
    // the letters' colour (1, 0.3, 0.3, 0.55) as material; light 0 ambient 0.1, diffuse 0.8 above,
    // light 1 ambient 0, diffuse 0.2 overhead. Red: 0.2 + 0.1 + 0.57735 x 0.8 + 0.2 = 0.96188 (245.3);
    // green and blue 0.3 times that, 0.28856 (73.6)
    glEnable(GL_COLOR_MATERIAL);
    glColor4f(1, 0.3f, 0.3f, 0.55f);
    const float ambient[4] = { 0.1f, 0.1f, 0.1f, 1 }, diffuse[4] = { 0.8f, 0.8f, 0.8f, 1 };
    const float diffuse1[4] = { 0.2f, 0.2f, 0.2f, 1 };
    expect_near(middle(ambient, diffuse, ABOVE, diffuse1, OVERHEAD), { 245, 74, 74 });
    // over the black of the clear, 0.55 of it: 0.52903 (134.9) and 0.15871 (40.5)
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    expect_near(middle(ambient, diffuse, ABOVE, diffuse1, OVERHEAD), { 135, 40, 40 });
}

} // namespace

// The web GL layer's own arithmetic and state on the recording ES 2 (fake_gles.cpp), with no GPU: the
// matrices and light vectors it hands the shaders, how a list is kept and replayed, what reaches the
// GPU of blending and depth. The expected values are worked by hand from GL 1.1's and GLU's formulas.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <vector>

#include "fakes.h"
#include "gl_web.h"

namespace
{

// The values of the last call `name` (of the uniform `uniform`, when given).
std::vector<double> last(const char* name, const char* uniform = nullptr)
{
    for (auto call = fake_log.calls.rbegin(); call != fake_log.calls.rend(); ++call)
        if (call->name == name && (uniform == nullptr || call->text == uniform))
            return call->args;
    ADD_FAILURE() << "no " << name << " " << (uniform ? uniform : "");
    return {};
}

void quad(float z)
{
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glVertex3f(-1, -1, z);
    glVertex3f(1, -1, z);
    glVertex3f(1, 1, z);
    glVertex3f(-1, 1, z);
    glEnd();
}

// The camera of the tests: 4 along x looking back at the origin, +y up: gluLookAt's side is
// forward x up = (-1, 0, 0) x (0, 1, 0) = (0, 0, -1), so the eye sees world x as depth and z as -x.
void camera()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90, 4.0 / 3.0, 1, 3); // cot 45° / aspect = 0.75; -(3 + 1) / 2 = -2; -2 x 1 x 3 / 2 = -3
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(4, 0, 0, 0, 0, 0, 0, 1, 0);
}

class GlWeb : public testing::Test
{
protected:
    void SetUp() override
    {
        glDisable(GL_LIGHTING);
        glDisable(GL_COLOR_MATERIAL);
        camera();
        glFlush(); // the first call that reaches the GPU makes its objects
        fake_log_reset();
    }
};

TEST_F(GlWeb, ProjectionTimesCameraWithPushAndPopUndoingWhatLiesBetween)
{
    glPushMatrix();
    glTranslatef(9, 9, 9);
    glPopMatrix();
    glTranslatef(0, 0, 1);
    quad(0);
    // P x V x T(0, 0, 1), column by column: V's columns (0, 0, 1, 0), (0, 1, 0, 0), (-1, 0, 0, 0) and
    // (0, 0, -4, 1) moved by its third to (-1, 0, -4, 1), each through P
    EXPECT_EQ(last("glUniformMatrix4fv", "u_mvp"),
        (std::vector<double> { 0, 0, -2, -1, 0, 1, 0, 0, -0.75, 0, 0, 0, -0.75, 0, 5, 4 }));
    EXPECT_EQ(last("glUniform1i", "u_lighting"), std::vector<double> { 0 });
    EXPECT_EQ(last("glDrawArrays"), (std::vector<double> { GL_TRIANGLES, 0, 6 }));
}

TEST_F(GlWeb, LightsGoIntoEyeSpaceAsGivenAndTheColourBecomesTheMaterial)
{
    const float positional[4] = { 2, 4, 3, 1 }, directional[4] = { 0, 0, 1, 0 };
    const float ambient[4] = { 0.1f, 0.1f, 0.1f, 1 }, diffuse[4] = { 0.8f, 0.8f, 0.8f, 1 };
    glLightfv(GL_LIGHT0, GL_POSITION, positional);
    glLightfv(GL_LIGHT1, GL_POSITION, directional);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glTranslatef(5, 5, 5); // after the lights: they stay where they were given
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glDisable(GL_LIGHT1);
    glEnable(GL_COLOR_MATERIAL);
    glColor4f(1, 0.5f, 0.25f, 0.75f);
    quad(0);
    // V x (2, 4, 3, 1) = 2 (0, 0, 1) + 4 (0, 1, 0) + 3 (-1, 0, 0) + (0, 0, -4) = (-3, 4, -2, 1); a
    // direction only turns: V x (0, 0, 1, 0) = (-1, 0, 0, 0)
    EXPECT_EQ(last("glUniform4fv", "u_light_position"), (std::vector<double> { -3, 4, -2, 1, -1, 0, 0, 0 }));
    EXPECT_EQ(last("glUniform4fv", "u_light_ambient")[1], 0.1f);
    EXPECT_EQ(last("glUniform4fv", "u_light_diffuse")[2], 0.8f);
    EXPECT_EQ(last("glUniform1f", "u_light_enabled"), std::vector<double> { 1 });
    EXPECT_EQ(last("glUniform1f", "u_light_enabled[1]"), std::vector<double> { 0 });
    // normals turn by the inverse transpose of V's 3 x 3, a rotation, so by the rotation itself
    EXPECT_EQ(last("glUniformMatrix3fv", "u_normal_matrix"), (std::vector<double> { 0, 0, 1, 0, 1, 0, -1, 0, 0 }));
    EXPECT_EQ(last("glUniform1i", "u_color_material"), std::vector<double> { 1 });
    EXPECT_EQ(last("glUniform4fv", "u_material_diffuse"), (std::vector<double> { 1, 0.5, 0.25, 0.75 }));
    // the material keeps the last tracked colour when tracking ends
    glDisable(GL_COLOR_MATERIAL);
    glColor4f(0, 1, 0, 1);
    quad(0);
    EXPECT_EQ(last("glUniform1i", "u_color_material"), std::vector<double> { 0 });
    EXPECT_EQ(last("glUniform4fv", "u_material_ambient"), (std::vector<double> { 1, 0.5, 0.25, 0.75 }));
}

TEST_F(GlWeb, AListIsKeptAsTrianglesAndReplayedWithItsStateCalls)
{
    glNewList(5, GL_COMPILE);
    glColor4f(0, 0, 1, 1);
    glTranslatef(1, 0, 0);
    quad(-2);
    glEndList();
    EXPECT_TRUE(fake_calls_named("glDrawArrays").empty()) << "compiling draws nothing";
    // uploaded once: each quad as two triangles, corners 0, 1, 3 and 1, 2, 3; a vertex is position,
    // normal, colour and texture coordinates
    const std::vector<double> vertices = last("glBufferData");
    ASSERT_EQ(vertices.size(), 6u * 12u);
    const double corners[6][2] = { { -1, -1 }, { 1, -1 }, { -1, 1 }, { 1, -1 }, { 1, 1 }, { -1, 1 } };
    for (int i = 0; i < 6; i++) {
        EXPECT_EQ(std::vector<double>(vertices.begin() + 12 * i, vertices.begin() + 12 * i + 12),
            (std::vector<double> { corners[i][0], corners[i][1], -2, 0, 0, 1, 0, 0, 1, 1, 0, 0 }))
            << "vertex " << i;
    }
    glCallList(5);
    glCallList(5);
    EXPECT_EQ(fake_calls_named("glDrawArrays").size(), 2u);
    // the second call's translation adds to the first's: V x T(2, 0, 0) puts x at depth 4 - 2
    const std::vector<double> mvp = last("glUniformMatrix4fv", "u_mvp");
    EXPECT_EQ(std::vector<double>(mvp.begin() + 12, mvp.end()), (std::vector<double> { 0, 0, 1, 2 }));
}

TEST_F(GlWeb, BlendingAndDepthReachTheGpuAndComeBackAfterALostContext)
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING); // the shaders', not the GPU's
    glNewList(6, GL_COMPILE);
    glDisable(GL_BLEND);
    glEndList();
    EXPECT_EQ(call_lines(), (std::vector<std::string> { "glEnable( 3042 )", "glBlendFunc( 770, 771 )", "glEnable( 2929 )" }));
    gl_web_context_lost();
    gl_web_context_restored();
    const std::vector<std::string> restored = call_lines();
    EXPECT_NE(std::find(restored.begin(), restored.end(), "glEnable( 2929 )"), restored.end());
    EXPECT_EQ(std::count(restored.begin() + 3, restored.end(), "glEnable( 3042 )"), 1);
    EXPECT_NE(std::find(restored.begin() + 3, restored.end(), "glBlendFunc( 770, 771 )"), restored.end());
    fake_calls_clear();
    glCallList(6);
    EXPECT_EQ(call_lines(), std::vector<std::string> { "glDisable( 3042 )" });
}

} // namespace

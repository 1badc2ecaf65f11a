// The wave scroller's translations, list calls, shifts, wrap and phases, on the recording GL.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "assets.h"
#include "fakes.h"
#include "geometry.h"
#include "scene.h"
#include "scene_test_support.h"

namespace
{

const double TWO_PI = 6.283185307179586;
const double PHASE_STEP_X = 0.07662421106316569;
const double PHASE_STEP_Y = 0.08490790955648089;
const double PHASE_STEP_Z = 0.06159985595274104;

// A translation, kept as the floats glTranslatef takes. Expected values are held in float variables,
// never as doubles cast through float: GCC 12.2's SLP vectoriser can drop such casts at -O2.
struct Move {
    float x, y, z;
};

bool operator==(const Move& a, const Move& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

std::ostream& operator<<(std::ostream& out, const Move& move)
{
    return out << testing::PrintToString(move.x) << ", " << testing::PrintToString(move.y) << ", "
               << testing::PrintToString(move.z);
}

// What one frame drew: the 18 translations and the 18 list names.
struct Frame {
    std::vector<Move> translations;
    std::vector<double> lists;
};

class Scroller : public testing::Test
{
protected:
    void SetUp() override
    {
        fake_log_reset();
        reset_scene();
    }

    void TearDown() override { fake_log_reset(); }

    // Runs one frame and checks its shape: 18 times push, translate, call, pop, and nothing else.
    Frame frame()
    {
        fake_calls_clear();
        draw_scroller();
        Frame drawn;
        EXPECT_EQ(fake_log.calls.size(), 4u * 18u);
        for (size_t i = 0; i + 3 < fake_log.calls.size(); i += 4) {
            EXPECT_EQ(fake_log.calls[i].name, "glPushMatrix");
            EXPECT_EQ(fake_log.calls[i + 1].name, "glTranslatef");
            EXPECT_EQ(fake_log.calls[i + 2].name, "glCallList");
            EXPECT_EQ(fake_log.calls[i + 3].name, "glPopMatrix");
            const std::vector<double>& args = fake_log.calls[i + 1].args;
            drawn.translations.push_back(Move { (float)args[0], (float)args[1], (float)args[2] });
            drawn.lists.push_back(fake_log.calls[i + 2].args[0]);
        }
        return drawn;
    }

    void frames(int count)
    {
        for (int i = 0; i < count; i++)
            frame();
    }
};

double name_at(int index) { return glyph_list_name(scroll_text[index % (int)strlen(scroll_text)]); }

// The translation of position i for a given state, each coordinate worked out in double and rounded once.
Move translation(int i, float offset, float phase_x, float phase_y, float phase_z)
{
    return Move { (float)(0.4 * sin(0.5 * i + (double)phase_x) + 1.3 * i - ((double)offset + 6.0)),
        (float)(0.6 * sin(0.7 * i + (double)phase_y)), (float)(sin(0.9 * i + (double)phase_z) - 3.0) };
}

TEST_F(Scroller, FirstFrameDrawsTheFirst18BytesAlongTheWave)
{
    const Frame drawn = frame();
    ASSERT_EQ(drawn.translations.size(), 18u);
    // with every phase at 0, position 0 rests at (-6, 0, -3); the others ride the waves 1.3 apart
    EXPECT_EQ(drawn.translations[0], (Move { -6, 0, -3 }));
    EXPECT_EQ(drawn.translations[1], (Move { -4.50822973f, 0.386530608f, -2.21667314f }));
    EXPECT_EQ(drawn.translations[9], (Move { 5.30898809f, 0.0100883404f, -2.03011012f }));
    EXPECT_EQ(drawn.translations[17], (Move { 16.4193954f, -0.370882273f, -2.60325933f }));
    for (int i = 0; i < 18; i++)
        EXPECT_EQ(drawn.lists[(size_t)i], name_at(i)) << "position " << i;
    // the text opens with 14 spaces: the first letters to show enter at the far end
    EXPECT_EQ(drawn.lists[13], 32);
    EXPECT_EQ(drawn.lists[14], scroll_text[14]);
}

TEST_F(Scroller, OffsetJoinsTheSumInDoubleBeforeRounding)
{
    // find an offset where adding 6 in float would give another letter position than adding it in double
    float offset = 0.01f;
    const float phase = 0.3f;
    for (; offset < 1.3f; offset = std::nextafter(offset, 2.0f)) {
        const float in_double
            = (float)(0.4 * sin(0.5 * 7 + (double)phase) + 1.3 * 7 - ((double)offset + 6.0));
        const float in_float
            = (float)(0.4 * sin(0.5 * 7 + (double)phase) + 1.3 * 7 - (double)(offset + 6.0f));
        if (in_double != in_float)
            break;
    }
    ASSERT_LT(offset, 1.3f);
    scene.scroll_offset = offset;
    scene.wave_phase_x = phase;
    scene.wave_phase_y = 1.1f;
    scene.wave_phase_z = 5.9f;
    const Frame drawn = frame();
    for (int i = 0; i < 18; i++)
        EXPECT_EQ(drawn.translations[(size_t)i], translation(i, offset, phase, 1.1f, 5.9f))
            << "position " << i;
}

TEST_F(Scroller, ShiftsAtTheEndOfFrames24And47WithoutAJump)
{
    frames(23);
    EXPECT_EQ(scene.scroll_start, 0);
    EXPECT_NEAR(scene.scroll_offset, 23.0 / 18.0, 1e-5);
    const double offset = scene.scroll_offset, phase_x = scene.wave_phase_x, phase_y = scene.wave_phase_y,
                 phase_z = scene.wave_phase_z;
    frame(); // frame 24
    EXPECT_EQ(scene.scroll_start, 1);
    EXPECT_NEAR(scene.scroll_offset, 4.0 / 3.0 - 1.3, 1e-5);

    const Frame after = frame(); // frame 25 starts at the second byte
    for (int i = 0; i < 18; i++)
        EXPECT_EQ(after.lists[(size_t)i], name_at(i + 1)) << "position " << i;
    // the letter now in position i goes on where it would have been in position i + 1 without the shift
    for (int i = 0; i < 17; i++) {
        const int j = i + 1;
        const Move& moved = after.translations[(size_t)i];
        EXPECT_NEAR(
            moved.x, 0.4 * sin(0.5 * j + phase_x + PHASE_STEP_X) + 1.3 * j - (offset + 1.0 / 18 + 6), 1e-5)
            << "letter " << j;
        EXPECT_NEAR(moved.y, 0.6 * sin(0.7 * j + phase_y + PHASE_STEP_Y), 1e-5) << "letter " << j;
        EXPECT_NEAR(moved.z, sin(0.9 * j + phase_z + PHASE_STEP_Z) - 3, 1e-5) << "letter " << j;
    }

    frames(21); // frames 26 to 46
    EXPECT_EQ(scene.scroll_start, 1);
    frame(); // frame 47
    EXPECT_EQ(scene.scroll_start, 2);
}

TEST_F(Scroller, TheLastByteIsFollowedByTheFirst)
{
    scene.scroll_start = scene.scroll_length - 1;
    const Frame drawn = frame();
    EXPECT_EQ(drawn.lists[0], name_at(scene.scroll_length - 1));
    for (int i = 1; i < 18; i++)
        EXPECT_EQ(drawn.lists[(size_t)i], name_at(i - 1)) << "position " << i;
    frames(23);
    EXPECT_EQ(scene.scroll_start, 0);
    // the NUL is never drawn
    const Frame wrapped = frame();
    for (int i = 0; i < 18; i++)
        EXPECT_EQ(wrapped.lists[(size_t)i], name_at(i));
}

TEST_F(Scroller, APhaseOfTwoPiIsNotReduced)
{
    // this phase plus its step is just short of 2 pi in double, but rounds to the float nearest 2 pi
    const float just_short = (float)(TWO_PI - PHASE_STEP_X);
    ASSERT_LE((double)just_short + PHASE_STEP_X, TWO_PI);
    scene.wave_phase_x = just_short;
    frame();
    EXPECT_EQ(scene.wave_phase_x, (float)TWO_PI);
    // the next step passes 2 pi and is reduced once, from the float just stored
    frame();
    const float stored = (float)((double)(float)TWO_PI + PHASE_STEP_X);
    EXPECT_EQ(scene.wave_phase_x, (float)((double)stored - TWO_PI));

    // this one passes 2 pi in double although its float is the same nearest-2-pi value: reduced, and
    // the subtraction is taken from the float
    const float just_past = (float)(TWO_PI - PHASE_STEP_Y);
    ASSERT_GT((double)just_past + PHASE_STEP_Y, TWO_PI);
    ASSERT_EQ((float)((double)just_past + PHASE_STEP_Y), (float)TWO_PI);
    scene.wave_phase_y = just_past;
    frame();
    const float nearest_two_pi = (float)TWO_PI;
    EXPECT_EQ(scene.wave_phase_y, (float)((double)nearest_two_pi - TWO_PI));
    EXPECT_GT(scene.wave_phase_y, (float)((double)just_past + PHASE_STEP_Y - TWO_PI));
}

TEST_F(Scroller, StaysInRangeOver100000FramesAndRunsThroughTheWholeText)
{
    fake_log.recording = false;
    int shifts = 0, wraps = 0, since_shift = 0, shortest = 1000, longest = 0;
    for (int n = 1; n <= 100000; n++) {
        const int start = scene.scroll_start;
        draw_scroller();
        since_shift++;
        if (scene.scroll_start != start) {
            EXPECT_EQ(scene.scroll_start, (start + 1) % scene.scroll_length) << "frame " << n;
            shifts++;
            wraps += scene.scroll_start == 0;
            if (shifts > 1) {
                shortest = std::min(shortest, since_shift);
                longest = std::max(longest, since_shift);
            }
            since_shift = 0;
        }
        if (!(scene.scroll_offset >= 0 && scene.scroll_offset <= 1.3)
            || !(scene.wave_phase_x >= 0 && scene.wave_phase_x <= (float)TWO_PI)
            || !(scene.wave_phase_y >= 0 && scene.wave_phase_y <= (float)TWO_PI)
            || !(scene.wave_phase_z >= 0 && scene.wave_phase_z <= (float)TWO_PI)) {
            ADD_FAILURE() << "frame " << n << ": offset " << scene.scroll_offset << ", phases "
                          << scene.wave_phase_x << " " << scene.wave_phase_y << " " << scene.wave_phase_z;
            break;
        }
    }
    EXPECT_EQ(shortest, 23);
    EXPECT_EQ(longest, 24);
    EXPECT_EQ(wraps, 1);
    EXPECT_GT(shifts, 4200);
}

} // namespace

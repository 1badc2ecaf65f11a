// The wave scroller's translations, list calls, shifts, wrap and phases, on the recording GL.
#include <gtest/gtest.h>

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
    // at offset 0.01 and phase 0.3, position 7's x is 0.4 sin(3.8) + 9.1 - 6.01 = 2.84525681 with the
    // offset added to 6 in double; added in float first it would be 2.84525657
    scene.scroll_offset = 0.01f;
    scene.wave_phase_x = 0.3f;
    scene.wave_phase_y = 1.1f;
    scene.wave_phase_z = 5.9f;
    const Frame drawn = frame();
    EXPECT_EQ(drawn.translations[0], (Move { -5.89179182f, 0.534724414f, -3.37387657f }));
    EXPECT_EQ(drawn.translations[7], (Move { 2.84525681f, -0.167649284f, -3.35822916f }));
    EXPECT_EQ(drawn.translations[17], (Move { 16.323967f, 0.252100229f, -2.28883886f }));
}

TEST_F(Scroller, ShiftsAtTheEndOfFrames24And47WithoutAJump)
{
    frames(23);
    EXPECT_EQ(scene.scroll_start, 0);
    EXPECT_EQ(scene.scroll_offset, 1.27777815f); // 23 eighteenths, not above 1.3
    const Frame before = frame(); // frame 24
    EXPECT_EQ(scene.scroll_start, 1);
    EXPECT_EQ(scene.scroll_offset, 0.03333373f); // 24 eighteenths less 1.3

    const Frame after = frame(); // frame 25 starts at the second byte
    for (int i = 0; i < 18; i++)
        EXPECT_EQ(after.lists[(size_t)i], name_at(i + 1)) << "position " << i;
    // letters 1, 9 and 17 go on one position down from where frame 24 drew them: 1/18 to the left and
    // one step along their waves
    EXPECT_EQ(before.translations[1], (Move { -5.66967726f, 0.281692952f, -2.26559067f }));
    EXPECT_EQ(after.translations[0], (Move { -5.74566412f, 0.235751003f, -2.30876565f }));
    EXPECT_EQ(before.translations[9], (Move { 4.41389084f, 0.552893281f, -3.0918889f }));
    EXPECT_EQ(after.translations[8], (Move { 4.38897276f, 0.531138003f, -3.15301538f }));
    EXPECT_EQ(before.translations[17], (Move { 14.525012f, 0.575917423f, -3.84621072f }));
    EXPECT_EQ(after.translations[16], (Move { 14.4498358f, 0.588114083f, -3.8774085f }));

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
    // 6.20656109 plus 2 pi / 82 is just short of 2 pi in double, and rounds to the float nearest 2 pi
    scene.wave_phase_x = 6.20656109f;
    frame();
    EXPECT_EQ(scene.wave_phase_x, 6.28318548f);
    // the next step passes 2 pi and is reduced once, from the float just stored
    frame();
    EXPECT_EQ(scene.wave_phase_x, 0.0766245648f);

    // 6.19827747 plus 2 pi / 74 passes 2 pi in double although its float is 6.28318548 too: reduced,
    // and the subtraction is taken from the float (from the double sum it would be 7.6e-8)
    scene.wave_phase_y = 6.19827747f;
    frame();
    EXPECT_EQ(scene.wave_phase_y, 1.74845553e-07f);
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

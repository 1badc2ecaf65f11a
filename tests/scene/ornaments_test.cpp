// The falling ornaments: spawn values, per-slot motion, the floor, and the flock over two full cycles.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <map>

#include "scene.h"
#include "scene_test_support.h"

namespace
{

class Ornaments : public testing::Test
{
protected:
    void SetUp() override
    {
        fake_calls_clear();
        reset_scene();
    }
    void TearDown() override { fake_calls_clear(); }
};

// Runs spawn steps until slot g has just been filled (60 frames a slot, from slot 0 on).
void spawn_through(int g)
{
    for (int frame = 0; frame < 60 * (g + 1); frame++)
        spawn_ornament_step();
}

TEST_F(Ornaments, EverySixtiethFrameFillsTheNextSlot)
{
    for (int frame = 1; frame < 60; frame++) {
        spawn_ornament_step();
        EXPECT_EQ(scene.ornament_slots[0].active, 0) << "frame " << frame;
    }
    spawn_ornament_step();
    const OrnamentSlot& slot = scene.ornament_slots[0];
    EXPECT_EQ(slot.active, 1);
    EXPECT_EQ(slot.x, 4.8f);
    EXPECT_EQ(slot.y, 7.0f);
    EXPECT_EQ(slot.z, -8.0f);
    EXPECT_EQ(slot.rot_z, 0.0f);
    EXPECT_EQ(slot.rot_y, 0.0f);
    EXPECT_EQ(scene.spawn_counter, 0);
    EXPECT_EQ(scene.next_ornament_slot, 1);
    // after slot 22 comes slot 0 again
    spawn_through(21);
    EXPECT_EQ(scene.next_ornament_slot, 0);
    for (const OrnamentSlot& s : scene.ornament_slots)
        EXPECT_EQ(s.active, 1);
}

TEST_F(Ornaments, TellingSpawnValues)
{
    spawn_through(22);
    const OrnamentSlot& one = scene.ornament_slots[1];
    EXPECT_EQ(one.x, 4.0f);
    EXPECT_EQ(one.z, 7.0f);
    // each phase is the float nearest its decimal value
    EXPECT_EQ(one.y_phase, 4.437f);
    EXPECT_EQ(one.rot_z_phase, 3.519f);
    EXPECT_EQ(one.rot_y_phase, 3.57f);
    EXPECT_EQ(one.x_phase, 0.0f);
    EXPECT_EQ(one.z_phase, 0.0f);
    const OrnamentSlot& last = scene.ornament_slots[22];
    EXPECT_EQ(last.x, 4.0f);
    EXPECT_EQ(last.z, 10.0f);
    EXPECT_EQ(last.y_phase, 3.519f);
    EXPECT_EQ(last.rot_z_phase, 2.142f);
    EXPECT_EQ(last.rot_y_phase, 3.06f);
    // x repeats every 7 slots; z runs from -8 to 28 in steps of 3
    const float xs[7] = { 4.8f, 4.0f, 3.2f, 2.4f, 1.6f, 0.8f, 0.0f };
    std::map<float, int> zs;
    for (int g = 0; g < ORNAMENT_SLOT_COUNT; g++) {
        EXPECT_EQ(scene.ornament_slots[g].x, xs[g % 7]) << "slot " << g;
        EXPECT_EQ(scene.ornament_slots[g].y, 7.0f);
        zs[scene.ornament_slots[g].z]++;
    }
    EXPECT_EQ(zs.size(), 13u);
    EXPECT_EQ(zs.begin()->first, -8.0f);
    EXPECT_EQ(zs.rbegin()->first, 28.0f);
}

TEST_F(Ornaments, RefillingASlotOverwritesEveryField)
{
    OrnamentSlot& slot = scene.ornament_slots[0];
    slot = OrnamentSlot { 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 0 };
    spawn_through(0);
    EXPECT_EQ(slot.rot_z, 0.0f);
    EXPECT_EQ(slot.rot_y, 0.0f);
    EXPECT_EQ(slot.rot_z_phase, 0.0f);
    EXPECT_EQ(slot.rot_y_phase, 0.0f);
    EXPECT_EQ(slot.x_phase, 0.0f);
    EXPECT_EQ(slot.y_phase, 0.0f);
    EXPECT_EQ(slot.z_phase, 0.0f);
    EXPECT_EQ(slot.active, 1);
}

// The per-slot constants of the telling rows, seen in one step of each slot's phases.
TEST_F(Ornaments, EachSlotStepsItsPhasesByItsOwnConstants)
{
    struct Row {
        int n, k_x, k_y, k_z, k_rz, k_ry, s_rz, s_ry;
    };
    // clang-format off
    const Row rows[] = {
        //  n  k_x k_y k_z k_rz k_ry s_rz s_ry
        {   0,  0,  0,  0,  0,   0,  -1,  -1 },
        {   1, 21, 29, 23,  5,   6,   1,   1 },
        {   2,  5, 17,  5, 10,   5,   1,  -1 },
        {   3, 26,  5, 28,  2,   4,  -1,   1 },
        {  22, 18, 23, 14,  6,   6,   1,  -1 },
    };
    // clang-format on
    for (const Row& row : rows) {
        OrnamentSlot& slot = scene.ornament_slots[row.n];
        slot = OrnamentSlot { 0, 0, 1.5f, 2.5f, 0, 0, 0, 0.25f, 0.5f, 0.75f, 1 };
        draw_ornaments();
        SCOPED_TRACE(row.n);
        EXPECT_EQ(slot.x_phase, (float)(0.25f + row.k_x * 0.001 + 0.016));
        EXPECT_EQ(slot.y_phase, (float)(0.5f + row.k_y * 0.001 + 0.03));
        EXPECT_EQ(slot.z_phase, (float)(0.75f + row.k_z * 0.001 + 0.025));
        EXPECT_EQ(slot.rot_z_phase, (float)(1.5f + row.s_rz * 0.025 + row.k_rz * 0.02));
        EXPECT_EQ(slot.rot_y_phase, (float)(2.5f + (row.s_ry + row.k_ry) * 0.035));
        // from the origin: a drift of at most 0.01 and 0.05, a fall of 0.01 to 0.05, both turns forward
        EXPECT_LE(std::fabs(slot.x), 0.01f);
        EXPECT_TRUE(slot.y <= -0.01f && slot.y >= -0.05f) << slot.y;
        EXPECT_LE(std::fabs(slot.z), 0.05f);
        EXPECT_TRUE(slot.rot_z >= 0.043f && slot.rot_z <= 0.065f) << slot.rot_z;
        EXPECT_TRUE(slot.rot_y >= 0.034f && slot.rot_y <= 0.094f) << slot.rot_y;
        slot.active = 0;
    }
}

TEST_F(Ornaments, PhasesAreNeverWrapped)
{
    OrnamentSlot& slot = scene.ornament_slots[3];
    slot = OrnamentSlot { 0, 0, 100.0f, 200.0f, 0, 1000.0f, 0, 50.0f, 60.0f, 70.0f, 1 };
    draw_ornaments();
    EXPECT_GT(slot.x_phase, 50.0f);
    EXPECT_GT(slot.y_phase, 60.0f);
    EXPECT_GT(slot.z_phase, 70.0f);
    EXPECT_GT(slot.rot_z_phase, 100.0f);
    EXPECT_GT(slot.rot_y_phase, 200.0f);
}

TEST_F(Ornaments, AnInactiveSlotIsNeitherDrawnNorMoved)
{
    OrnamentSlot& slot = scene.ornament_slots[5];
    slot = OrnamentSlot { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0 };
    draw_ornaments();
    EXPECT_TRUE(fake_log.calls.empty());
    EXPECT_EQ(slot.x, 5.0f);
    EXPECT_EQ(slot.x_phase, 8.0f);
}

// Slot 0 sinks by sin(new y_phase) x 0.02 + 0.03, and k_y = 0 makes the new phase y_phase + 0.03.
// Finds a starting phase whose new phase is `target`.
float phase_leading_to(float target)
{
    float start = (float)(target - 0.03);
    for (int i = 0; i < 64 && (float)(start + 0 * 0.001 + 0.03) != target; i++)
        start = nextafterf(start, (float)(start + 0.03) < target ? 10.0f : -10.0f);
    EXPECT_EQ((float)(start + 0 * 0.001 + 0.03), target);
    return start;
}

TEST_F(Ornaments, AHeightOfExactlyMinusSevenLivesOneMoreFrame)
{
    // with this new phase and this height the step lands exactly on -7.0 in double precision
    const float target = 0x1.a7d9e8p-2f;
    const float y = -0x1.bd90bp+2f;
    ASSERT_EQ(y - (sin(target) * 0.02 + 0.03), -7.0);
    OrnamentSlot& slot = scene.ornament_slots[0];
    slot = OrnamentSlot { 0, 0, 0, 0, 0, y, 0, 0, phase_leading_to(target), 0, 1 };
    draw_ornaments();
    EXPECT_EQ(slot.y, -7.0f);
    ASSERT_EQ(slot.active, 1) << "the floor test is strict";
    fake_calls_clear();
    draw_ornaments();
    EXPECT_EQ(fake_calls_named("glCallList").size(), 1u);
    EXPECT_EQ(slot.active, 0);
}

TEST_F(Ornaments, TheFloorTestLooksAtTheHeightBeforeItIsRounded)
{
    // a step that ends a hair below -7.0 in double precision but rounds to -7.0f as a float
    float target = 0.5f;
    float y = 0;
    for (int i = 0; i < 1000; i++, target = nextafterf(target, 1.0f)) {
        const double d = sin(target) * 0.02 + 0.03;
        y = (float)(-7.0 + d);
        if (y >= -7.0 + d)
            y = nextafterf(y, -10.0f);
        if (y - d < -7.0 && (float)(y - d) == -7.0f)
            break;
    }
    const double d = sin(target) * 0.02 + 0.03;
    ASSERT_TRUE(y - d < -7.0 && (float)(y - d) == -7.0f);
    OrnamentSlot& slot = scene.ornament_slots[0];
    slot = OrnamentSlot { 0, 0, 0, 0, 0, y, 0, 0, phase_leading_to(target), 0, 1 };
    draw_ornaments();
    EXPECT_EQ(slot.y, -7.0f);
    EXPECT_EQ(slot.active, 0);
}

// Two full cycles of the flock, 2 x 23 x 60 frames: the spawn step, then the pass, as in a frame.
TEST_F(Ornaments, TheFlockOverTwoCycles)
{
    const int cycle = ORNAMENT_SLOT_COUNT * 60;
    int spawned_at[ORNAMENT_SLOT_COUNT] = {};
    OrnamentSlot before[ORNAMENT_SLOT_COUNT];
    // each slot's path by age in the first cycle, to compare with its next ornament
    std::map<std::pair<int, int>, std::vector<double>> path;
    int most_alive = 0;
    int compared = 0;
    for (int frame = 1; frame <= 2 * cycle; frame++) {
        spawn_ornament_step();
        int alive = 0;
        for (int n = 0; n < ORNAMENT_SLOT_COUNT; n++) {
            const OrnamentSlot& slot = scene.ornament_slots[n];
            if (slot.active && slot.y == 7.0f && slot.rot_z == 0.0f && slot.x_phase == 0.0f)
                spawned_at[n] = frame;
            alive += slot.active;
        }
        ASSERT_LE(alive, 9) << "frame " << frame;
        most_alive = std::max(most_alive, alive);
        for (int n = 0; n < ORNAMENT_SLOT_COUNT; n++)
            before[n] = scene.ornament_slots[n];
        fake_calls_clear();
        draw_ornaments();
        const std::vector<FakeCall> drawn = fake_calls_named("glTranslatef");
        ASSERT_EQ((int)drawn.size(), alive) << "one list call per live ornament";
        EXPECT_EQ((int)fake_calls_named("glCallList").size(), alive);

        int d = 0;
        for (int n = 0; n < ORNAMENT_SLOT_COUNT; n++) {
            if (!before[n].active)
                continue;
            const OrnamentSlot& slot = scene.ornament_slots[n];
            const int age = frame - spawned_at[n];
            EXPECT_LT(slot.y, before[n].y) << "slot " << n << " frame " << frame;
            EXPECT_LT(age, 500) << "slot " << n << " frame " << frame;
            EXPECT_EQ(drawn[(size_t)d].args, (std::vector<double> { before[n].x, before[n].y, before[n].z }));
            d++;
            const std::pair<int, int> key(n, age);
            if (frame <= cycle) {
                path[key] = drawn[(size_t)d - 1].args;
            } else if (path.count(key)) {
                EXPECT_EQ(path[key], drawn[(size_t)d - 1].args) << "slot " << n << " age " << age;
                compared++;
            }
        }
    }
    EXPECT_EQ(most_alive, 9);
    EXPECT_GT(compared, 20 * 300);
}

} // namespace

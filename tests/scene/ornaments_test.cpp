// The falling ornaments: spawn values, per-slot motion, the floor, and the flock over two full cycles.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
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

// One step of each telling slot from one state: x, y, z and both turns at 0, the move phases at 0.25,
// 0.5 and 0.75, the turn phases at 1.5 and 2.5. Each phase steps by its slot's own constants (slot 0's
// are all 0, with both turn signs -1), then each move takes the sine of its new phase; worked in double
// and rounded to float.
TEST_F(Ornaments, EachSlotStepsByItsOwnConstants)
{
    const int slots[5] = { 0, 1, 2, 3, 22 };
    // clang-format off
    const float phases[5][5] = {
        // x_phase     y_phase       z_phase       rot_z_phase  rot_y_phase
        { 0.266000003f, 0.529999971f, 0.774999976f, 1.47500002f, 2.46499991f }, // slot 0
        { 0.287f,       0.559000015f, 0.797999978f, 1.625f,      2.74499989f }, // slot 1
        { 0.270999998f, 0.546999991f, 0.779999971f, 1.72500002f, 2.6400001f  }, // slot 2
        { 0.291999996f, 0.535000026f, 0.802999973f, 1.51499999f, 2.67499995f }, // slot 3
        { 0.284000009f, 0.552999973f, 0.788999975f, 1.64499998f, 2.67499995f }, // slot 22
    };
    const float moves[5][5] = {
        // x             y               z              rot_z          rot_y
        { 0.00262874225f, -0.0401106663f, 0.0349858031f, 0.0649495646f, 0.0827841982f }, // slot 0
        { 0.00283076218f, -0.0406067744f, 0.0357980616f, 0.0649838448f, 0.0755883381f }, // slot 1
        { 0.00267695077f, -0.0404025465f, 0.0351639688f, 0.0648694783f, 0.0784246773f }, // slot 2
        { 0.00287868129f, -0.0401968211f, 0.0359721482f, 0.0649828836f, 0.0774953738f }, // slot 3
        { 0.00280197663f, -0.0405048467f, 0.0354824513f, 0.0649697334f, 0.0774953738f }, // slot 22
    };
    // clang-format on
    for (int r = 0; r < 5; r++) {
        OrnamentSlot& slot = scene.ornament_slots[slots[r]];
        slot = OrnamentSlot { 0, 0, 1.5f, 2.5f, 0, 0, 0, 0.25f, 0.5f, 0.75f, 1 };
        draw_ornaments();
        SCOPED_TRACE(slots[r]);
        EXPECT_EQ(slot.x_phase, phases[r][0]);
        EXPECT_EQ(slot.y_phase, phases[r][1]);
        EXPECT_EQ(slot.z_phase, phases[r][2]);
        EXPECT_EQ(slot.rot_z_phase, phases[r][3]);
        EXPECT_EQ(slot.rot_y_phase, phases[r][4]);
        EXPECT_EQ(slot.x, moves[r][0]);
        EXPECT_EQ(slot.y, moves[r][1]);
        EXPECT_EQ(slot.z, moves[r][2]);
        EXPECT_EQ(slot.rot_z, moves[r][3]);
        EXPECT_EQ(slot.rot_y, moves[r][4]);
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

// Slot 0's y_phase steps by 0.03 alone, and its height falls by sin(new y_phase) x 0.02 + 0.03.
TEST_F(Ornaments, AHeightOfExactlyMinusSevenLivesOneMoreFrame)
{
    // y_phase 0.383917183 steps to 0.413917184, where the fall is 0.0380439758: from -6.96195602 the
    // height lands exactly on -7.0 in double precision
    OrnamentSlot& slot = scene.ornament_slots[0];
    slot = OrnamentSlot { 0, 0, 0, 0, 0, -0x1.bd90bp+2f, 0, 0, 0x1.892196p-2f, 0, 1 };
    draw_ornaments();
    EXPECT_EQ(slot.y_phase, 0x1.a7d9e8p-2f);
    EXPECT_EQ(slot.y, -7.0f);
    ASSERT_EQ(slot.active, 1) << "the floor test is strict";
    fake_calls_clear();
    draw_ornaments();
    EXPECT_EQ(fake_calls_named("glCallList").size(), 1u);
    EXPECT_EQ(slot.active, 0);
}

TEST_F(Ornaments, TheFloorTestLooksAtTheHeightBeforeItIsRounded)
{
    // y_phase 0.47 steps to 0.5, where the fall is 0.0395885108: from -6.96041155 the height is
    // -7.0000000594 in double precision, a hair below the floor, and -7.0 as a float
    OrnamentSlot& slot = scene.ornament_slots[0];
    slot = OrnamentSlot { 0, 0, 0, 0, 0, -0x1.bd7762p+2f, 0, 0, 0.47f, 0, 1 };
    draw_ornaments();
    EXPECT_EQ(slot.y_phase, 0.5f);
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

// Scene set-up: the GL state, the lights, the lists, the picture upload and the music start, in order.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstring>

#include "assets.h"
#include "platform.h"
#include "scene.h"
#include "scene_test_support.h"

namespace
{

class SceneSetUp : public testing::Test
{
protected:
    void SetUp() override
    {
        fake_platform_reset();
        fake_calls_clear();
        loader_script = LoaderScript();
        scene_reset();
    }

    // Index of the first call printed as `line`, or the log's size.
    size_t find(const std::string& line, size_t from = 0)
    {
        for (size_t i = from; i < fake_log.calls.size(); i++)
            if (fake_call_text(fake_log.calls[i]) == line)
                return i;
        return fake_log.calls.size();
    }
};

std::vector<std::string> fixed_state(bool blending)
{
    std::vector<std::string> lines = {
        call("glLightfv", { GL_LIGHT0, GL_AMBIENT, f(0.1), f(0.1), f(0.1), 1 }),
        call("glLightfv", { GL_LIGHT0, GL_DIFFUSE, f(0.8), f(0.8), f(0.8), 1 }),
        call("glLightfv", { GL_LIGHT0, GL_SPECULAR, 1, 1, 1, 1 }),
        call("glLightfv", { GL_LIGHT1, GL_AMBIENT, 0, 0, 0, 1 }),
        call("glLightfv", { GL_LIGHT1, GL_DIFFUSE, f(0.2), f(0.2), f(0.2), 1 }),
        call("glLightfv", { GL_LIGHT1, GL_SPECULAR, 0.5, 0.5, 0.5, 1 }),
        call("glEnable", { GL_DEPTH_TEST }),
        call("glShadeModel", { GL_SMOOTH }),
        call("glColorMaterial", { GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE }),
        call("glEnable", { GL_LIGHT0 }),
        call("glEnable", { GL_LIGHT1 }),
        call("glEnable", { GL_LIGHTING }),
    };
    if (blending) {
        lines.push_back(call("glEnable", { GL_BLEND }));
        lines.push_back(call("glBlendFunc", { GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA }));
    }
    return lines;
}

TEST_F(SceneSetUp, In16BitModeEveryStepInOrderWithoutBlendingAndWithoutAPicture)
{
    // stale slots from before: set-up clears the flags and touches nothing else
    for (OrnamentSlot& slot : scene.ornament_slots) {
        slot.active = 1;
        slot.x = 3.5f;
    }
    init_scene(false, INTRO_PICTURE);

    const std::vector<std::string> head = fixed_state(false);
    ASSERT_GE(fake_log.calls.size(), head.size());
    EXPECT_EQ(call_lines(0, head.size()), head);
    EXPECT_TRUE(fake_calls_named("glBlendFunc").empty());
    for (const FakeCall& c : fake_calls_named("glEnable"))
        EXPECT_NE(c.args[0], GL_BLEND);

    // the glyph lists, then list 1, then the empty list 32, which is the last list made
    const size_t ornament = find(call("glNewList", { 1, GL_COMPILE }));
    ASSERT_LT(ornament, fake_log.calls.size());
    for (size_t i = head.size(); i < ornament; i++)
        EXPECT_NE(fake_log.calls[i].name.rfind("gl", 0), std::string::npos) << "glyph lists make only GL calls";
    const size_t ornament_end = find(call("glEndList"), ornament);
    EXPECT_EQ(ornament_end - ornament, 2u + 336u * 5u + 1u) << "list 1 is the ornament, whole";
    const std::vector<std::string> tail = {
        call("glNewList", { 32, GL_COMPILE }),
        call("glEndList"),
        call("read_jpeg_image", { 0, 0 }, "gfx.data"),
        call("message_box_show", { MB_OK | MB_ICONWARNING }, "Glimmerhorn!|Could not load the background"),
        call("start_music"),
    };
    EXPECT_EQ(call_lines(ornament_end + 1), tail);
    const std::vector<FakeCall> lists = fake_calls_named("glNewList");
    EXPECT_EQ(
        std::count_if(lists.begin(), lists.end(), [](const FakeCall& c) { return c.args[0] == 32; }), 1);
    EXPECT_EQ(fake_calls_named("glNewList").back().args[0], 32);

    EXPECT_EQ(scene.background_texture, 0u);
    EXPECT_EQ(scene.background_width, 0);
    EXPECT_EQ(scene.scroll_length, (int)strlen(scroll_text));
    for (const OrnamentSlot& slot : scene.ornament_slots) {
        EXPECT_EQ(slot.active, 0);
        EXPECT_EQ(slot.x, 3.5f);
    }
}

TEST_F(SceneSetUp, In32BitModeBlendingIsSwitchedOnBeforeTheLists)
{
    init_scene(true, INTRO_PICTURE);
    EXPECT_TRUE(scene.truecolor_mode);
    const std::vector<std::string> head = fixed_state(true);
    EXPECT_EQ(call_lines(0, head.size()), head);
    EXPECT_EQ(fake_calls_named("glBlendFunc").size(), 1u);
    EXPECT_EQ(call_lines(fake_log.calls.size() - 1), std::vector<std::string> { call("start_music") });
}

TEST_F(SceneSetUp, APictureBecomesTheBoundTextureAndItsBlockIsReleased)
{
    loader_script = { true, true, 1024, 512 }; // writes the size, returns a block
    init_scene(false, INTRO_PICTURE);

    const size_t read = find(call("read_jpeg_image", { 0, 0 }, "gfx.data"));
    ASSERT_LT(read, fake_log.calls.size());
    EXPECT_GT(read, find(call("glNewList", { 32, GL_COMPILE })));
    const std::vector<std::string> upload = {
        call("glGenTextures", { 1 }),
        call("glBindTexture", { GL_TEXTURE_2D, (double)scene.background_texture }),
        call("glTexParameteri", { GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR }),
        call("glTexParameteri", { GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR }),
        // rows of 3 x width bytes are read packed, whatever the width
        call("glPixelStorei", { GL_UNPACK_ALIGNMENT, 1 }),
        call("glTexImage2D", { GL_TEXTURE_2D, 0, 3, 1024, 512, 0, GL_RGB, GL_UNSIGNED_BYTE }),
        call("start_music"),
    };
    EXPECT_EQ(call_lines(read + 1), upload);
    EXPECT_NE(scene.background_texture, 0u);
    EXPECT_EQ(fake_calls_named("glTexImage2D")[0].pointer, loader_script.block);
    EXPECT_EQ(scene.background_width, 1024);
    EXPECT_TRUE(fake_calls_named("message_box_show").empty());
    // the block is freed at once; the sanitizer build reports it as a leak otherwise
}

TEST_F(SceneSetUp, ASizeWithoutABlockGivesTheWarningAndNoTexture)
{
    // the loader ran out of memory after reading the header: width written, no block
    loader_script = { true, false, 2048, 2048 };
    init_scene(false, INTRO_PICTURE);
    EXPECT_EQ(scene.background_width, 2048);
    EXPECT_EQ(scene.background_texture, 0u);
    EXPECT_TRUE(fake_calls_named("glGenTextures").empty());
    EXPECT_TRUE(fake_calls_named("glTexImage2D").empty());
    ASSERT_EQ(fake_calls_named("message_box_show").size(), 1u);
    EXPECT_EQ(fake_log.calls.back().name, "start_music");
}

// Runs set-up in 32-bit mode with a 1024-pixel-wide picture's size but no block, then 130 frames
// (two spawns, five shifts of the scroller); returns what they sent.
std::vector<std::string> set_up_and_draw()
{
    loader_script = { true, false, 1024, 1024 }; // writes the size, returns no block
    fake_calls_clear();
    init_scene(true, INTRO_PICTURE);
    for (int frame = 0; frame < 130; frame++)
        draw_frame();
    return call_lines();
}

TEST_F(SceneSetUp, AfterTheResetASecondRunSendsWhatTheFirstSent)
{
    const std::vector<std::string> first = set_up_and_draw();
    // 18 letters a frame; slot 0 drawn in frames 60 to 130, slot 1 in frames 120 to 130
    EXPECT_EQ(fake_calls_named("glCallList").size(), 130u * 18u + 71u + 11u);
    scene_reset();
    EXPECT_FALSE(scene.truecolor_mode);
    EXPECT_EQ(scene.background_width, 0);
    EXPECT_EQ(scene.scroll_length, 0);
    const std::vector<std::string> second = set_up_and_draw();
    ASSERT_EQ(second.size(), first.size());
    EXPECT_TRUE(second == first);
}

} // namespace

TEST_F(SceneSetUp, AGivenTextIsTheOneTheLettersCallUntilTheReset)
{
    // 14 spaces, a with diaeresis, q, !, 3 spaces: from position 0 at byte 12, the wrap after position 7
    scene_set_text("              \xE4q!   ");
    init_scene(true, INTRO_PICTURE);
    EXPECT_EQ(scene.scroll_length, 20);
    scene.scroll_start = 12;
    fake_calls_clear();
    draw_scroller();
    std::vector<double> names, expected(18, 32);
    for (const FakeCall& c : fake_calls_named("glCallList"))
        names.push_back(c.args[0]);
    expected[2] = 4294967268.0, expected[3] = 113, expected[4] = 33;
    EXPECT_EQ(names, expected);
    // the reset brings the shipped text back, and an empty one keeps it
    scene_reset();
    scene_set_text("");
    init_scene(true, INTRO_PICTURE);
    EXPECT_EQ(scene.scroll_length, (int)strlen(scroll_text));
}

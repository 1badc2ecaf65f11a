// The whole start-up on the scripted platform with no usable sound device: one warning, then the
// intro runs on without music, and the exit key still stops and frees the player.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app.h"
#include "fakes.h"
#include "platform.h"

namespace
{

size_t index_of(const std::string& name)
{
    for (size_t i = 0; i < fake_log.calls.size(); i++)
        if (fake_log.calls[i].name == name)
            return i;
    return fake_log.calls.size();
}

TEST(SilentIntro, WithNoDeviceTheWarningComesOnceThenTheLoopRunsAndTheExitKeyStillStopsAndFrees)
{
    fake_platform_reset();
    fake_calls_clear();
    platform_script.player_open_ok = false;
    EXPECT_EQ(run_intro(), 0); // the fake main loop returns at once

    std::vector<std::string> music_boxes;
    for (const FakeCall& box : fake_calls_named("message_box_show"))
        if (box.text.find("music") != std::string::npos || box.text.find("BASS") != std::string::npos)
            music_boxes.push_back(box.text);
    EXPECT_EQ(music_boxes, std::vector<std::string> { "Glimmerhorn!|BASS initialization failed! No music!" });
    EXPECT_EQ(fake_calls_named("player_open").size(), 1u);
    for (const char* later : { "player_start", "player_load", "player_play", "player_stop", "player_free" })
        EXPECT_TRUE(fake_calls_named(later).empty()) << later;
    // the music starts (and fails) once the scene is built, before the callbacks and the loop
    EXPECT_LT(index_of("player_open"), index_of("glutDisplayFunc"));
    EXPECT_LT(index_of("glutDisplayFunc"), index_of("glutMainLoop"));
    ASSERT_NE(glut_callbacks.display, nullptr);

    // frames go on without music
    fake_calls_clear();
    glut_callbacks.display();
    EXPECT_FALSE(fake_calls_named("glutSwapBuffers").empty());
    EXPECT_TRUE(fake_calls_named("message_box_show").empty());

    fake_calls_clear();
    atexit(print_log_at_exit);
    EXPECT_EXIT(glut_callbacks.keyboard(27, 0, 0), testing::ExitedWithCode(0),
        "player_stop\\( \\)\nplayer_free\\( \\)\nframe_timer_end_period\\( [0-9]+ \\)\n$");
}

} // namespace

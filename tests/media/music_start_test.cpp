// The start of the music on the scripted platform: the four steps in order, and each failure's box.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assets.h"
#include "fakes.h"
#include "media.h"
#include "platform.h"

namespace
{

std::vector<std::string> call_names()
{
    std::vector<std::string> names;
    for (const FakeCall& call : fake_log.calls)
        names.push_back(call.name);
    return names;
}

class MusicStart : public testing::Test
{
protected:
    void SetUp() override
    {
        fake_platform_reset();
        fake_calls_clear();
    }
};

TEST_F(MusicStart, OpensStartsLoadsAndPlaysTheEmbeddedModuleAtFortyFourKilohertzWithoutABox)
{
    start_music();
    const std::vector<std::string> expected = { "player_open", "player_start", "player_load", "player_play" };
    EXPECT_EQ(call_names(), expected);
    EXPECT_EQ(fake_log.calls[0].args, std::vector<double> { 44100.0 });
    EXPECT_EQ(fake_log.calls[2].pointer, (const void*)music_module);
    EXPECT_EQ(fake_log.calls[2].args, std::vector<double> { 91443.0 });
}

// One failing step: the calls made up to and including it, and the one box that follows.
struct Failure {
    bool PlatformScript::*step;
    std::vector<std::string> calls;
    const char* text;
};

TEST_F(MusicStart, EachFailingStepShowsItsOwnWarningAndEndsTheStartThere)
{
    const Failure failures[] = {
        { &PlatformScript::player_open_ok, { "player_open" }, "BASS initialization failed! No music!" },
        { &PlatformScript::player_start_ok, { "player_open", "player_start" },
            "Can't start digital music output!" },
        { &PlatformScript::player_load_ok, { "player_open", "player_start", "player_load" },
            "Can't load music!" },
        { &PlatformScript::player_play_ok, { "player_open", "player_start", "player_load", "player_play" },
            "Can't play music!" },
    };
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.text);
        fake_platform_reset();
        fake_calls_clear();
        platform_script.*failure.step = false;
        start_music();
        std::vector<std::string> expected = failure.calls;
        expected.push_back("message_box_show");
        ASSERT_EQ(call_names(), expected);
        const FakeCall& box = fake_log.calls.back();
        EXPECT_EQ(box.text, std::string("Glimmerhorn!|") + failure.text);
        EXPECT_EQ(box.args, std::vector<double> { (double)(MB_OK | MB_ICONWARNING) });
        EXPECT_EQ(box.args[0], 48.0);
    }
}

TEST_F(MusicStart, NoStepIsRetriedAndNothingIsUndoneAfterAFailure)
{
    platform_script.player_load_ok = false;
    start_music();
    for (const char* name : { "player_stop", "player_free" })
        EXPECT_TRUE(fake_calls_named(name).empty()) << name;
    EXPECT_EQ(fake_calls_named("player_open").size(), 1u);
    EXPECT_EQ(fake_calls_named("player_load").size(), 1u);
    EXPECT_EQ(fake_calls_named("message_box_show").size(), 1u);
}

} // namespace

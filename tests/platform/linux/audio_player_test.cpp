// The real audio player on SDL's dummy and disk drivers: the steps, their order, bad data, and what
// really reaches the device.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "assets.h"
#include "platform.h"
#include "sound_test_support.h"

namespace
{

const int RATE = 44100;

class AudioPlayer : public testing::Test
{
protected:
    void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
    void TearDown() override
    {
        player_stop();
        player_free();
    }
};

TEST_F(AudioPlayer, StopAndFreeAreHarmlessWithNothingStartedAndTheOutputStillOpensAfterwards)
{
    player_stop();
    player_free();
    player_free();
    player_stop();
    EXPECT_TRUE(player_open(RATE));
    EXPECT_TRUE(player_start());
}

TEST_F(AudioPlayer, NoStepWorksBeforeTheOnesItNeeds)
{
    EXPECT_FALSE(player_start());
    EXPECT_FALSE(player_load(music_module, music_module_size));
    EXPECT_FALSE(player_play());
    ASSERT_TRUE(player_open(RATE));
    EXPECT_FALSE(player_play()); // nothing loaded yet
    EXPECT_FALSE(player_open(RATE)); // one output per run
}

TEST_F(AudioPlayer, OpensStartsLoadsAndPlaysThenStopsAndFreesAndCanDoItAgain)
{
    for (int round = 0; round < 2; round++) {
        SCOPED_TRACE(round);
        EXPECT_TRUE(player_open(RATE));
        EXPECT_TRUE(player_start());
        EXPECT_TRUE(player_load(music_module, music_module_size));
        EXPECT_TRUE(player_play());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        player_stop();
        player_free();
        EXPECT_FALSE(player_play());
    }
}

TEST_F(AudioPlayer, DataWithBadBytesIsNoModuleAndLeavesThePlayerWithNothingToPlay)
{
    ASSERT_TRUE(player_open(RATE));
    ASSERT_TRUE(player_start());
    std::vector<unsigned char> bad(music_module, music_module + music_module_size);
    bad[9] = 'u'; // "Extended Mudule: "
    EXPECT_FALSE(player_load(bad.data(), bad.size()));
    bad.assign(music_module, music_module + music_module_size);
    for (size_t i = 0; i < 336; i++) // the whole header and order table scrambled
        bad[i] = (unsigned char)(i * 37 + 11);
    EXPECT_FALSE(player_load(bad.data(), bad.size()));
    bad.assign(music_module, music_module + music_module_size);
    bad[68] = 0; // no channels
    EXPECT_FALSE(player_load(bad.data(), bad.size()));
    EXPECT_FALSE(player_load(nullptr, 0));
    EXPECT_FALSE(player_play());
}

TEST_F(AudioPlayer, SignalsThatEndTheIntroAreLeftToItWhileTheMusicPlays)
{
    struct sigaction interrupt_before = {}, terminate_before = {}, interrupt_after = {}, terminate_after = {};
    sigaction(SIGINT, nullptr, &interrupt_before);
    sigaction(SIGTERM, nullptr, &terminate_before);
    ASSERT_TRUE(player_open(RATE));
    ASSERT_TRUE(player_start());
    ASSERT_TRUE(player_load(music_module, music_module_size));
    ASSERT_TRUE(player_play());
    sigaction(SIGINT, nullptr, &interrupt_after);
    sigaction(SIGTERM, nullptr, &terminate_after);
    EXPECT_EQ(interrupt_after.sa_handler, interrupt_before.sa_handler);
    EXPECT_EQ(terminate_after.sa_handler, terminate_before.sa_handler);
}

TEST_F(AudioPlayer, ADriverThatCannotOpenFailsTheFirstStepAndEverythingAfterIt)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(player_open(RATE));
    EXPECT_FALSE(player_start());
    EXPECT_FALSE(player_load(music_module, music_module_size));
    EXPECT_FALSE(player_play());
    player_stop();
    player_free();
}

// libopenmpt's own render of the module, played without end.
std::vector<float> reference_render(double seconds)
{
    openmpt_module* module = openmpt_module_create_from_memory2(music_module, music_module_size,
        openmpt_log_func_silent, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(module, nullptr);
    openmpt_module_set_repeat_count(module, -1);
    std::vector<float> out((size_t)(seconds * RATE) * 2);
    for (size_t done = 0; done < out.size() / 2;)
        done += openmpt_module_read_interleaved_float_stereo(
            module, RATE, std::min<size_t>(4096, out.size() / 2 - done), out.data() + done * 2);
    openmpt_module_destroy(module);
    return out;
}

size_t file_size(const std::string& path)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    return file ? (size_t)file.tellg() : 0;
}

size_t first_sound(const std::vector<float>& samples)
{
    size_t i = 0;
    while (i < samples.size() && samples[i] == 0.0f)
        i++;
    return i & ~(size_t)1;
}

// The disk driver writes what the device would play into a file; with no delay it runs as fast as
// the player renders, so a whole pass and more is recorded in moments.
TEST_F(AudioPlayer, WhatReachesTheDeviceIsTheModuleAsLibopenmptRendersItAndItLoopsPastTheEndOfAPass)
{
    const std::string path = testing::TempDir() + "glimmerhorn_player_" + std::to_string(getpid()) + ".raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);

    openmpt_module* probe = openmpt_module_create_from_memory2(music_module, music_module_size,
        openmpt_log_func_silent, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(probe, nullptr);
    const double pass = openmpt_module_get_duration_seconds(probe);
    openmpt_module_destroy(probe);
    const double seconds = pass + 8.0;

    ASSERT_TRUE(player_open(RATE));
    ASSERT_TRUE(player_start());
    ASSERT_TRUE(player_load(music_module, music_module_size));
    ASSERT_TRUE(player_play());
    // silence went out until the module played (as much as the driver could write meanwhile);
    // wait for the module's seconds on top of that, and one more for the buffer in flight
    const size_t silence_bytes = file_size(path);
    const size_t wanted_bytes = silence_bytes + (size_t)((seconds + 1.0) * RATE) * 2 * sizeof(float);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    for (;;) {
        if (file_size(path) >= wanted_bytes)
            break;
        ASSERT_LT(std::chrono::steady_clock::now(), give_up) << "the disk driver wrote too little";
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    player_stop();
    player_free();

    std::ifstream file(path, std::ios::binary);
    std::vector<char> raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    std::vector<float> played(raw.size() / sizeof(float));
    memcpy(played.data(), raw.data(), played.size() * sizeof(float));

    const std::vector<float> reference = reference_render(seconds);
    const size_t start = first_sound(played);
    const size_t reference_start = first_sound(reference);
    ASSERT_GE(played.size() - start, reference.size() - reference_start);
    const float* heard = played.data() + start;
    const float* expected = reference.data() + reference_start;
    const size_t second = (size_t)RATE * 2;

    // the start of the tune, and the seconds after the end of the first pass, as libopenmpt renders them
    EXPECT_GT(correlation(heard, expected, 5 * second), 0.999);
    const size_t after_pass = (size_t)((pass + 1.0) * RATE) * 2;
    EXPECT_GT(correlation(heard + after_pass, expected + after_pass, 5 * second), 0.999);
    // and the second pass plays the intro again (once the coda's last notes have died away)
    EXPECT_GT(correlation(heard + 3 * second, heard + after_pass + 2 * second, 4 * second), 0.95);
}

} // namespace

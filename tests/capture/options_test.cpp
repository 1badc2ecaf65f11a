// The capture's command line and the numbering of its frames, with no display and nothing drawn.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "options.h"

namespace
{

struct Parsed {
    int status;
    CaptureOptions options; // with output null: it pointed into the words parsed
    std::string output;
    std::string out; // what went to stdout
    std::string err; // and to stderr
};

// Runs options_parse on a command line, as main gets it.
Parsed parse(std::vector<std::string> words)
{
    words.insert(words.begin(), "glimmerhorn-capture");
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(&word[0]);
    argv.push_back(nullptr);
    Parsed parsed {};
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    parsed.status = options_parse((int)words.size(), argv.data(), &parsed.options);
    parsed.out = testing::internal::GetCapturedStdout();
    parsed.err = testing::internal::GetCapturedStderr();
    parsed.output = parsed.options.output ? parsed.options.output : "";
    parsed.options.output = nullptr;
    return parsed;
}

// A mistake: status 2, the reason on one line and the pointer to --help on the next.
void expect_refused(const std::vector<std::string>& words, const std::string& reason)
{
    const Parsed parsed = parse(words);
    EXPECT_EQ(parsed.status, 2) << words.back();
    EXPECT_EQ(parsed.err, "glimmerhorn-capture: " + reason + "\nTry 'glimmerhorn-capture --help' for more.\n")
        << words.back();
}

TEST(CaptureOptions, DefaultsAreOnePassAt100FramesAndOneScaleIn32BitMode)
{
    const Parsed parsed = parse({ "intro.mkv" });
    ASSERT_EQ(parsed.status, -1) << parsed.err;
    EXPECT_EQ(parsed.output, "intro.mkv");
    EXPECT_EQ(parsed.options.format, FORMAT_MKV);
    EXPECT_EQ(parsed.options.fps, 100);
    EXPECT_EQ(parsed.options.seconds, 0.0);
    EXPECT_EQ(parsed.options.frames, 0);
    EXPECT_EQ(parsed.options.scale, 1);
    EXPECT_EQ(parsed.options.mode, 32);
    EXPECT_EQ(parsed.options.crf, 18);
    EXPECT_FALSE(parsed.options.ffv1);
    EXPECT_FALSE(parsed.options.force);
    EXPECT_EQ(parsed.err, "");

    const Parsed gif = parse({ "docs/preview.GIF" });
    ASSERT_EQ(gif.status, -1);
    EXPECT_EQ(gif.options.format, FORMAT_GIF);
    EXPECT_EQ(gif.options.fps, 50);
}

TEST(CaptureOptions, EveryOptionInBothSpellings)
{
    const Parsed parsed = parse(
        { "--fps=60", "--seconds", "2.5", "--scale", "4", "--mode=16", "--crf", "0", "-f", "clip.MP4" });
    ASSERT_EQ(parsed.status, -1) << parsed.err;
    EXPECT_EQ(parsed.options.format, FORMAT_MP4);
    EXPECT_EQ(parsed.options.fps, 60);
    EXPECT_EQ(parsed.options.seconds, 2.5);
    EXPECT_EQ(parsed.options.scale, 4);
    EXPECT_EQ(parsed.options.mode, 16);
    EXPECT_EQ(parsed.options.crf, 0);
    EXPECT_TRUE(parsed.options.force);

    const Parsed ffv1 = parse({ "--ffv1", "--frames=86400", "--force", "--fps", "25", "a.mkv" });
    ASSERT_EQ(ffv1.status, -1) << ffv1.err;
    EXPECT_TRUE(ffv1.options.ffv1);
    EXPECT_EQ(ffv1.options.frames, 86400);
    EXPECT_EQ(ffv1.options.fps, 25);
    EXPECT_TRUE(ffv1.options.force);
}

TEST(CaptureOptions, ValuesOutOfRangeOrNotWholeAreRefused)
{
    expect_refused({ "--fps", "30", "x.mkv" }, "--fps takes 100, 50, 25 or 60, not '30'");
    expect_refused({ "--fps", "1e2", "x.mkv" }, "--fps takes 100, 50, 25 or 60, not '1e2'");
    expect_refused({ "--scale", "0", "x.mkv" }, "--scale takes 1, 2, 3 or 4, not '0'");
    expect_refused({ "--scale", "5", "x.mkv" }, "--scale takes 1, 2, 3 or 4, not '5'");
    expect_refused({ "--mode", "24", "x.mkv" }, "--mode takes 32 or 16, not '24'");
    expect_refused({ "--crf", "52", "x.mp4" }, "--crf takes 0 to 51, not '52'");
    expect_refused(
        { "--frames", "0", "x.mkv" }, "--frames takes a count from 1 up to a day's worth, not '0'");
    expect_refused({ "--frames", "8640001", "x.mkv" },
        "--frames takes a count from 1 up to a day's worth, not '8640001'");
    expect_refused(
        { "--frames", "12x", "x.mkv" }, "--frames takes a count from 1 up to a day's worth, not '12x'");
    for (const char* seconds : { "0", "-1", "86400.5", "nan", "", "2s" })
        expect_refused({ "--seconds", seconds, "x.mkv" },
            std::string("--seconds takes a length above 0 and up to a day, not '") + seconds + "'");
    expect_refused({ "--seconds", "1", "--frames", "1", "x.mkv" }, "give --seconds or --frames, not both");
    expect_refused({ "--fps", "100", "x.gif" }, "a GIF plays at 50 or 25 frames a second, not 100");
    expect_refused({ "--fps", "60", "x.gif" }, "a GIF plays at 50 or 25 frames a second, not 60");
}

TEST(CaptureOptions, AnOptionTheFormatHasNoUseForIsRefusedLikeAnyOther)
{
    expect_refused({ "--ffv1", "x.mp4" }, "--ffv1 is for .mkv files, not 'x.mp4'");
    expect_refused({ "--ffv1", "x.gif" }, "--ffv1 is for .mkv files, not 'x.gif'");
    expect_refused({ "--crf", "18", "x.mkv" }, "--crf is for .mp4 files, not 'x.mkv'");
    expect_refused({ "--crf=30", "x.gif" }, "--crf is for .mp4 files, not 'x.gif'");
}

TEST(CaptureOptions, TheFileIsOneArgumentWithAKnownExtension)
{
    expect_refused({ "--frames", "5" }, "no output FILE given");
    expect_refused({ "a.mkv", "b.mkv" }, "one output FILE only; 'b.mkv' is one too many");
    expect_refused({ "--fps" }, "--fps needs a value");
    expect_refused({ "--colour", "x.mkv" }, "unknown option '--colour'");

    for (const char* name : { "clip.avi", "mkv", "folder.mkv/", "x.mkv.part" }) {
        const Parsed parsed = parse({ name });
        EXPECT_EQ(parsed.status, 2) << name;
        for (const char* extension : { ".mkv", ".mp4", ".gif" })
            EXPECT_NE(parsed.err.find(extension), std::string::npos) << name << ": " << parsed.err;
    }
}

TEST(CaptureOptions, HelpAndVersionEndAtOnceWithStatus0)
{
    const Parsed help = parse({ "--help", "x.avi" });
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: glimmerhorn-capture [OPTION]... FILE\n", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");
    const Parsed version = parse({ "-V" });
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("glimmerhorn-capture ", 0), 0u) << version.out;

    // a parse that stopped inside a group of short options leaves nothing behind for the next one
    EXPECT_EQ(parse({ "-fhV" }).status, 0);
    const Parsed after = parse({ "-f", "x.mkv" });
    EXPECT_EQ(after.status, -1) << after.err;
    EXPECT_TRUE(after.options.force);
}

// Intro frame n is on screen from (n - 1) x 10 ms until n x 10 ms; video frame k is at k / fps.
TEST(CaptureFrames, EachVideoFrameShowsTheIntroFrameOnScreenAtItsTime)
{
    for (const int fps : { 100, 50, 25, 60 })
        EXPECT_EQ(intro_frame_of(0, fps), 1) << fps;
    EXPECT_EQ(intro_frame_of(1, 100), 2);
    EXPECT_EQ(intro_frame_of(13863, 100), 13864);
    EXPECT_EQ(intro_frame_of(1, 50), 3); // 20 ms
    EXPECT_EQ(intro_frame_of(1, 25), 5); // 40 ms
    EXPECT_EQ(intro_frame_of(24, 25), 97); // 960 ms
    EXPECT_EQ(intro_frame_of(1, 60), 2); // 16.7 ms
    EXPECT_EQ(intro_frame_of(3, 60), 6); // 50 ms: frame 6 starts there
    EXPECT_EQ(intro_frame_of(59, 60), 99); // 983.3 ms
    EXPECT_EQ(intro_frame_of(60, 60), 101); // 1 s
    EXPECT_EQ(intro_frame_of(8318, 60), 13864); // 138.633 s
}

TEST(CaptureFrames, ALengthTakesEveryFrameThatStartsBeforeItsEnd)
{
    EXPECT_EQ(video_frames_for(138.64, 100), 13864); // one pass of the tune
    EXPECT_EQ(video_frames_for(138.64, 60), 8319);
    EXPECT_EQ(video_frames_for(5.0, 25), 125);
    EXPECT_EQ(video_frames_for(1.0, 50), 50);
    EXPECT_EQ(video_frames_for(0.011, 100), 2); // frames at 0 and 10 ms
    EXPECT_EQ(video_frames_for(0.001, 100), 1);
    EXPECT_EQ(video_frames_for(86400.0, 100), 8640000);
}

} // namespace

// The capture's command line and the numbering of its frames, with no display
// and nothing drawn.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "options.h"
#include "tune.h"

namespace
{

// options_parse on a command line, as main gets it: the status it ends with, or
// when it goes on the options as "format fps seconds frames scale mode crf ffv1
// force". stderr and stdout land in err, out; --help states tune_seconds.
std::string parse(std::vector<std::string> words, std::string* err = nullptr, std::string* out = nullptr,
    double tune_seconds = 0.0)
{
    words.insert(words.begin(), "glimmerhorn-capture");
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(&word[0]);
    CaptureOptions o {};
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = options_parse((int)argv.size(), argv.data(), tune_seconds, &o);
    const std::string said = testing::internal::GetCapturedStderr();
    const std::string printed = testing::internal::GetCapturedStdout();
    if (err)
        *err = said;
    if (out)
        *out = printed;
    if (status != -1)
        return std::to_string(status);
    static const char* const FORMATS[] = { "mkv", "mp4", "gif" };
    char line[128];
    snprintf(line, sizeof line, "%s %d %g %ld %d %d %d %d %d%s%s", FORMATS[o.format], o.fps, o.seconds, o.frames,
        o.scale, o.mode, o.crf, o.ffv1, o.force, o.text ? " text " : "", o.text ? o.text : "");
    return line;
}

TEST(CaptureOptions, DefaultsAndEveryOptionInBothSpellings)
{
    EXPECT_EQ(parse({ "intro.mkv" }), "mkv 100 0 0 1 32 18 0 0");
    EXPECT_EQ(parse({ "docs/preview.GIF" }), "gif 50 0 0 1 32 18 0 0");
    EXPECT_EQ(
        parse({ "--fps=60", "--seconds", "2.5", "--scale", "4", "--mode=16", "--crf", "0", "-f", "a.MP4" }),
        "mp4 60 2.5 0 4 16 0 0 1");
    EXPECT_EQ(parse({ "--ffv1", "--frames=86400", "--force", "--fps", "25", "a.mkv" }),
        "mkv 25 0 86400 1 32 18 1 1");
    EXPECT_EQ(parse({ "--text=-", "a.gif" }), "gif 50 0 0 1 32 18 0 0 text -");
}

TEST(CaptureOptions, MistakesAreRefusedWithTheReasonAndAPointerToTheHelp)
{
    // clang-format off
    const std::vector<std::pair<std::vector<std::string>, std::string>> mistakes = {
        { { "--fps", "30", "x.mkv" },           "--fps takes 100, 50, 25 or 60, not '30'" },
        { { "--scale", "5", "x.mkv" },          "--scale takes 1, 2, 3 or 4, not '5'" },
        { { "--mode", "24", "x.mkv" },          "--mode takes 32 or 16, not '24'" },
        { { "--crf", "52", "x.mp4" },           "--crf takes 0 to 51, not '52'" },
        { { "--frames", "8640001", "x.mkv" },   "--frames takes a count from 1 up to a day's worth, not '8640001'" },
        { { "--frames", "12x", "x.mkv" },       "--frames takes a count from 1 up to a day's worth, not '12x'" },
        { { "--seconds", "nan", "x.mkv" },      "--seconds takes a length above 0 and up to a day, not 'nan'" },
        { { "--seconds", "86400.5", "x.mkv" },  "--seconds takes a length above 0 and up to a day, not '86400.5'" },
        { { "--seconds", "1", "--frames", "1", "x.mkv" }, "give --seconds or --frames, not both" },
        { { "--fps", "100", "x.gif" },          "a GIF plays at 50 or 25 frames a second, not 100" },
        // an option the format has no use for, whichever it is
        { { "--ffv1", "x.mp4" },                "--ffv1 is for .mkv files, not 'x.mp4'" },
        { { "--crf", "18", "x.mkv" },           "--crf is for .mp4 files, not 'x.mkv'" },
        { { "--crf=30", "x.gif" },              "--crf is for .mp4 files, not 'x.gif'" },
        { { "--frames", "5" },                  "no output FILE given" },
        { { "a.mkv", "b.mkv" },                 "one output FILE only; 'b.mkv' is one too many" },
        { { "--colour", "x.mkv" },              "unknown option '--colour'" },
        { { "--text=", "x.mkv" },               "--text takes a file, or - for standard input" },
    };
    // clang-format on
    for (const auto& [words, reason] : mistakes) {
        std::string err;
        EXPECT_EQ(parse(words, &err), "2") << reason;
        EXPECT_EQ(err, "glimmerhorn-capture: " + reason + "\nTry 'glimmerhorn-capture --help' for more.\n");
    }
    for (const char* name : { "clip.avi", "folder.mkv/", "x.mkv.part" }) {
        std::string err;
        EXPECT_EQ(parse({ name }, &err), "2") << name;
        for (const char* known : { ".mkv", ".mp4", ".gif" })
            EXPECT_NE(err.find(known), std::string::npos) << name << ": " << err;
    }
}

TEST(CaptureOptions, HelpAndVersionEndAtOnceAndTheNextParseStartsAfresh)
{
    std::string out;
    EXPECT_EQ(parse({ "--help", "x.avi" }, nullptr, &out), "0");
    EXPECT_EQ(out.rfind("Usage: glimmerhorn-capture [OPTION]... FILE\n", 0), 0u) << out;
    // a parse that stopped inside a group of short options leaves nothing behind
    // for the next one
    EXPECT_EQ(parse({ "-fVh" }, nullptr, &out), "0");
    EXPECT_EQ(out.rfind("glimmerhorn-capture ", 0), 0u) << out;
    EXPECT_EQ(parse({ "-f", "x.mkv" }), "mkv 100 0 0 1 32 18 0 1");
}

std::string file_text(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Every text that states the tune's length (--help the embedded tune's) states libopenmpt's length of
// assets/music.xm.
TEST(CaptureOptions, EveryTextStatingTheTunesLengthStatesTheTunesOwn)
{
    const std::string tune = file_text(GLIMMERHORN_SOURCE "/assets/music.xm");
    openmpt_module* module = openmpt_module_create_from_memory2(
        tune.data(), tune.size(), openmpt_log_func_silent, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(module, nullptr);
    char length[32];
    snprintf(length, sizeof length, "%.2f s", openmpt_module_get_duration_seconds(module));
    openmpt_module_destroy(module);
    std::string help;
    parse({ "--help" }, nullptr, &help, tune_embedded_pass_seconds());
    // clang-format off
    const std::vector<std::pair<std::string, int>> texts = {
        // text                                                              mentions
        { help,                                       1 },
        { file_text(GLIMMERHORN_SOURCE "/README.md"), 2 },
        { file_text(GLIMMERHORN_SOURCE "/packaging/glimmerhorn-capture.1"), 1 },
        { file_text(GLIMMERHORN_SOURCE "/bench/capture.py"), 2 },
        { file_text(GLIMMERHORN_SOURCE "/bench/CMakeLists.txt"), 1 },
    };
    // clang-format on
    for (const auto& [text, times] : texts) {
        int found = 0;
        for (size_t at = text.find(length); at != std::string::npos; at = text.find(length, at + 1))
            found++;
        EXPECT_EQ(found, times) << length << " in:\n" << text.substr(0, 200);
    }
    const std::string bench = file_text(GLIMMERHORN_SOURCE "/bench/capture.py");
    EXPECT_NE(bench.find("PASS_SECONDS = " + std::string(length, strlen(length) - 2)), std::string::npos);
}

// Intro frame n is on screen from (n - 1) x 10 ms until n x 10 ms; video frame
// k is at k / fps.
TEST(CaptureFrames, EachVideoFrameShowsTheIntroFrameOnScreenAtItsTime)
{
    for (const int fps : { 100, 50, 25, 60 })
        EXPECT_EQ(intro_frame_of(0, fps), 1) << fps;
    EXPECT_EQ(intro_frame_of(13863, 100), 13864);
    EXPECT_EQ(intro_frame_of(1, 50), 3); // 20 ms
    EXPECT_EQ(intro_frame_of(24, 25), 97); // 960 ms
    EXPECT_EQ(intro_frame_of(1, 60), 2); // 16.7 ms
    EXPECT_EQ(intro_frame_of(3, 60), 6); // 50 ms: frame 6 starts there
    EXPECT_EQ(intro_frame_of(59, 60), 99); // 983.3 ms
    EXPECT_EQ(intro_frame_of(8318, 60), 13864); // 138.633 s
    // a length takes every frame that starts before its end
    EXPECT_EQ(video_frames_for(138.64, 100), 13864); // one pass of the tune
    EXPECT_EQ(video_frames_for(138.64, 60), 8319);
    EXPECT_EQ(video_frames_for(5.0, 25), 125);
    EXPECT_EQ(video_frames_for(0.011, 100), 2); // frames at 0 and 10 ms
    EXPECT_EQ(video_frames_for(0.001, 100), 1);
}

} // namespace

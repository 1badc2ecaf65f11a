// The capture program's command line, and how its video frames map to the intro's.
#pragma once

// The containers the output's extension picks.
enum VideoFormat {
    FORMAT_MKV, // lossless H.264 in RGB (or FFV1) + FLAC: lossless, the same bytes every time
    FORMAT_MP4, // H.264 + AAC: for sharing
    FORMAT_GIF, // a palette made for the clip, no sound: for previews
};

// What the command line asks for.
struct CaptureOptions {
    const char* output; // the file to write
    VideoFormat format;
    int fps; // video frames a second: 100, 50, 25 or 60
    double seconds; // length asked for with --seconds, 0 when not given
    long frames; // length asked for with --frames, 0 when not given
    int scale; // 800 x 600 times this, 1 to 4
    int mode; // 32 (alpha and blending) or 16
    int crf; // H.264 quality for .mp4
    bool ffv1; // .mkv in FFV1 rather than lossless H.264
    bool force; // replace an existing file
    const char* text; // --text: the file holding the sender's text, "-" for standard input; null for the intro's own
};

// The intro steps once every 10 ms: 100 of its frames a second.
constexpr int INTRO_FPS = 100;
// Called by main first. Fills options from the command line; returns -1 to go on, or the status to
// end with: 0 after --help or --version, 2 after a mistake that has been explained on stderr. --help
// states tune_seconds, one pass of the tune, as the default length.
int options_parse(int argc, char** argv, double tune_seconds, CaptureOptions* options);
// The intro frame (counted from 1) that video frame k (counted from 0) shows at fps frames a second:
// the one on screen at time k / fps.
long intro_frame_of(long k, int fps);
// How many video frames at fps frames a second it takes to show seconds of the intro.
long video_frames_for(double seconds, int fps);

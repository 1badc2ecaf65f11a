// The capture program: the intro drawn off screen, frame by frame with its tune, into a video file.
#pragma once

#include <cstddef>
#include <cstdint>

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
};

// The intro steps once every 10 ms: 100 of its frames a second.
constexpr int INTRO_FPS = 100;
constexpr int INTRO_WIDTH = 800;
constexpr int INTRO_HEIGHT = 600;

// Called by main first. Fills options from the command line; returns -1 to go on, or the status to
// end with: 0 after --help or --version, 2 after a mistake that has been explained on stderr.
int options_parse(int argc, char** argv, CaptureOptions* options);
// The intro frame (counted from 1) that video frame k (counted from 0) shows at fps frames a second:
// the one on screen at time k / fps.
long intro_frame_of(long k, int fps);
// How many video frames at fps frames a second it takes to show seconds of the intro.
long video_frames_for(double seconds, int fps);

// Off-screen drawing: an EGL context with no window (Mesa's surfaceless platform), desktop OpenGL in
// the compatibility profile, drawing into a framebuffer object of width x height with an alpha channel
// (truecolor) or in 5-6-5 bits. Says why on stderr and returns false when it cannot be made.
bool offscreen_open(int width, int height, bool truecolor);
// Reads the finished frame into pixels: width x height x 4 bytes (B, G, R, unused), bottom row first.
void offscreen_read(unsigned char* pixels);
// The backdrop pass drawn once into a buffer of its own, and copied into each frame before its layers.
bool offscreen_keep_backdrop();
void offscreen_put_backdrop();
void offscreen_close();

// The platform layer under init_scene for the capture: messages go to stderr, and the player, instead
// of playing, keeps the module for tune_read. These say what start_music made of it.
// Frames a second of the loaded tune; 0 when start_music did not get it playing.
int tune_rate();
// The length of one pass of the tune in seconds.
double tune_pass_seconds();
// Renders the next frames of stereo sound (interleaved floats) into out.
void tune_read(float* out, size_t frames);
void tune_free();

// A palette made for a clip: 255 colours chosen by median cut from a count of the clip's pixels, and
// a 256th left transparent for pixels that stay as they were. Counted in a shared block, so that a
// child process can count for its parent.
constexpr int PALETTE_BITS = 6; // per channel, in the count and in the lookup
constexpr size_t PALETTE_CELLS = (size_t)1 << (3 * PALETTE_BITS);
constexpr int PALETTE_TRANSPARENT = 255;
struct ColourCell {
    uint64_t count;
    uint64_t red;
    uint64_t green;
    uint64_t blue;
};
struct PaletteCount {
    ColourCell cells[PALETTE_CELLS];
    long frames; // frames counted
};
// Adds width x height pixels (B, G, R, unused) to count.
void palette_count(PaletteCount* count, const unsigned char* pixels, int width, int height);
// Chooses the colours (0xAARRGGBB) and the lookup from a cell to its nearest colour.
void palette_make(const PaletteCount* count, uint32_t colours[256], unsigned char* lookup);
// Writes one palette index a pixel; source rows are source_stride bytes apart (negative: upwards).
void palette_map(const unsigned char* lookup, const unsigned char* source, long source_stride,
    unsigned char* out, long out_stride, int width, int height);

// The output file, written by the encoding thread. video_file_open says why on stderr when it fails;
// the others keep their reason for video_file_error.
struct VideoFrame {
    unsigned char* pixels; // the slot's frame (B, G, R, unused), bottom row first
    long number; // video frame, counted from 0
    int slot; // handed back to frame_slot_release once the encoder is done with it
};
// Opens path (the temporary file) for the format of options, width x height, sound at audio_rate
// (none for GIF); colours is the GIF's palette (null for the others).
bool video_file_open(const CaptureOptions* options, const char* path, int width, int height, int audio_rate,
    const uint32_t* colours, const unsigned char* lookup);
// Encodes one frame and the sound up to its end.
bool video_file_add(const VideoFrame* frame);
// Flushes the encoders and writes the container's index; false when anything failed on the way.
bool video_file_close();
// Drops everything after a failure; the temporary file is the caller's to remove.
void video_file_discard();
const char* video_file_error();

// Called by the encoding thread (or from inside FFmpeg, on that thread) when a frame slot is free again.
void frame_slot_release(int slot);

// Called by main once the options are read: the whole capture. Returns the exit status.
int capture_run(const CaptureOptions* options, const char* program_path);

// The capture's run: the drawing loop on the main thread, the encoding thread beside it, and the file
// that appears under its name only once it is complete.
#include <GL/gl.h>
#include <signal.h>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "capture.h"
#include "greeting.h"
#include "offscreen.h"
#include "palette.h"
#include "platform.h"
#include "scene.h"
#include "target.h"
#include "tune.h"
#include "video_file.h"

// Frames drawn ahead of the encoder: enough to ride out an uneven frame on either side.
constexpr int FRAME_SLOTS = 4;

// The slots the drawing loop reads frames into and the encoding thread takes them from, in turn.
// Everything below the lock is shared between the two threads and changed only under it.
struct FrameQueue {
    unsigned char* pixels[FRAME_SLOTS];
    std::mutex lock;
    std::condition_variable changed;
    bool drawn[FRAME_SLOTS]; // holds a frame the encoder is not done with yet
    long encoded; // frames the encoder is done with
    bool drawing_done;
    bool encoding_failed;
};
static FrameQueue queue;

// The run: how far the scene has been stepped since init_scene, and the signal that ends the run
// early (set by on_stop_signal, read by the drawing loops).
struct CaptureRun {
    std::string picture; // the gfx.data found by find_picture
    std::string text; // the greeting's bytes, as read_greeting folds them; empty for the intro's own text
    long intro_frames_drawn;
    volatile sig_atomic_t stop_signal;
};
static CaptureRun run;

// The signals that end a capture early with what was made so far: Ctrl+C, kill's default, a closed
// terminal or dropped connection, and Ctrl+\.
static const int STOP_SIGNALS[] = { SIGINT, SIGTERM, SIGHUP, SIGQUIT };

static void on_stop_signal(int number) { run.stop_signal = number; }

// Holds the stop signals back from the calling thread, or lets them through again. Threads started
// meanwhile (FFmpeg's, the encoding thread) keep them held back for good, so that the drawing loop's
// thread is the one that notes them; one that comes while they are held waits for the loop.
static void hold_stop_signals(bool hold)
{
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    for (const int number : STOP_SIGNALS)
        sigaddset(&stop_signals, number);
    pthread_sigmask(hold ? SIG_BLOCK : SIG_UNBLOCK, &stop_signals, nullptr);
}

// Called by capture_run first. A stop signal the caller chose to ignore (nohup's SIGHUP, SIGINT for a
// job in the background) stays ignored.
static void catch_stop_signals()
{
    struct sigaction stop = {};
    stop.sa_handler = on_stop_signal;
    stop.sa_flags = SA_RESTART;
    sigemptyset(&stop.sa_mask);
    for (const int number : STOP_SIGNALS) {
        struct sigaction old = {};
        if (sigaction(number, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
            sigaction(number, &stop, nullptr);
    }
    hold_stop_signals(true);
    // a closed pipe on stderr or a file size limit shows as a failed write, not as death
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
}

// The encoding thread: takes the drawn frames in order until the drawing loop is done with them all.
static void encode_frames()
{
    for (long k = 0;; k++) {
        const int slot = (int)(k % FRAME_SLOTS);
        {
            std::unique_lock<std::mutex> hold(queue.lock);
            queue.changed.wait(hold, [&] { return queue.drawn[slot] || queue.drawing_done; });
            if (!queue.drawn[slot])
                return;
        }
        // the slot is the encoder's until it is marked free again: the drawing loop waits for that
        const bool added = video_file_add(queue.pixels[slot], k);
        std::lock_guard<std::mutex> hold(queue.lock);
        queue.drawn[slot] = false;
        if (added)
            queue.encoded = k + 1;
        else
            queue.encoding_failed = true;
        queue.changed.notify_all();
        if (!added)
            return;
    }
}

// One frame of the intro into the pbuffer, as on_display draws it (clear, draw_frame, flush) but with
// the backdrop's pixels copied in instead of drawn again: they are the same every frame, and drawing
// them costs llvmpipe three times what the layers over them do.
static void draw_intro_frame()
{
    offscreen_put_backdrop();
    set_layer_state();
    draw_layers();
    glFlush();
    run.intro_frames_drawn++;
}

// Steps the intro on to the frame that video frame k shows; every frame before it is drawn too, since
// drawing is what moves the scene.
static void draw_up_to(long k, int fps)
{
    const long wanted = intro_frame_of(k, fps);
    while (run.intro_frames_drawn < wanted)
        draw_intro_frame();
}

// The progress line, on stderr when it is a terminal and at most five times a second.
struct Progress {
    bool on_terminal; // stderr is a terminal: asked once, not every frame
    bool shown;
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point last;
};

static void progress_start(Progress* progress)
{
    progress->on_terminal = isatty(STDERR_FILENO);
    progress->shown = false;
    progress->start = std::chrono::steady_clock::now();
    progress->last = progress->start;
}

static void progress_show(Progress* progress, const char* what, long done, long total, int fps, bool final)
{
    if (!progress->on_terminal)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!final && now - progress->last < std::chrono::milliseconds(200))
        return;
    progress->last = now;
    const double elapsed = std::chrono::duration<double>(now - progress->start).count();
    const double speed = elapsed > 0.0 ? (double)done / fps / elapsed : 0.0;
    const long left = speed > 0.0 ? (long)((double)(total - done) / fps / speed + 0.5) : 0;
    fprintf(stderr, "\r%s: %ld of %ld frames, %.2fx real time, %ld:%02ld left\033[K", what, done, total,
        speed, left / 60, left % 60);
    if (final)
        fputc('\n', stderr);
    progress->shown = true;
}

// Ends a progress line cut short, so that the next message starts a line of its own.
static void progress_end(const Progress* progress)
{
    if (progress->shown)
        fputc('\n', stderr);
}

// Null when folder holds a gfx.data the picture loader will open, else the loader's reason why not;
// absent tells whether there is no such file at all.
static const char* picture_missing(const std::string& folder, bool* absent)
{
    const std::string path = folder + "/gfx.data";
    const char* why = nullptr;
    FILE* file = plain_file_open(path.c_str(), &why);
    *absent = file == nullptr && errno == ENOENT;
    if (file == nullptr)
        return why;
    fclose(file);
    return nullptr;
}

// Which gfx.data init_scene reads: the working folder's when it holds one, as for the intro; else the
// one in the program's own folder, where the build puts it; else the installed one, found from where
// the program lies. A gfx.data that is there but cannot be read stops the search. Says why on stderr
// when none serves.
static bool find_picture(const char* program_path, std::string* picture)
{
    char program[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
    if (length > 0)
        program[length] = '\0';
    const char* path = length > 0 ? program : program_path;
    const char* slash = strrchr(path, '/');
    const std::string beside = slash == nullptr ? "." : slash == path ? "/" : std::string(path, slash);
    const std::string installed = beside + "/" + GLIMMERHORN_CAPTURE_DATA;
    const std::string candidates[] = { ".", beside, installed };
    for (const std::string& candidate : candidates) {
        bool absent = false;
        const char* why = picture_missing(candidate, &absent);
        if (why == nullptr) {
            *picture = candidate + "/gfx.data";
            return true;
        }
        if (!absent) {
            fprintf(stderr, "glimmerhorn-capture: cannot read gfx.data in %s: %s\n",
                candidate == "." ? "the working folder" : candidate.c_str(), why);
            return false;
        }
    }
    char* shown = realpath(installed.c_str(), nullptr);
    fprintf(stderr,
        "glimmerhorn-capture: no picture: gfx.data is not in the working folder, nor beside the program in "
        "%s, nor in %s; run it where gfx.data is\n",
        beside.c_str(), shown ? shown : installed.c_str());
    free(shown);
    return false;
}

// Called by capture_run first, with --text's file ("-": standard input): the sender's text folded by
// the greeting rule into run.text. Says on stderr why a file cannot be read or a text is refused, and
// which characters will show as gaps. Reads no more than the rule needs to decide.
static bool read_greeting(const char* path)
{
    const bool standard_input = strcmp(path, "-") == 0;
    const char* name = standard_input ? "standard input" : path;
    FILE* file = standard_input ? stdin : fopen(path, "rb");
    if (file == nullptr) {
        fprintf(stderr, "glimmerhorn-capture: cannot read the text in %s: %s\n", name, strerror(errno));
        return false;
    }
    std::string text(GREETING_READ_BYTES, '\0');
    const size_t size = fread(&text[0], 1, text.size(), file);
    const int error = ferror(file) ? errno : 0;
    if (!standard_input)
        fclose(file);
    if (error != 0) {
        fprintf(stderr, "glimmerhorn-capture: cannot read the text in %s: %s\n", name, strerror(error));
        return false;
    }
    const Greeting greeting = greeting_fold(text.data(), size);
    if (!greeting.ok) {
        fprintf(stderr, "glimmerhorn-capture: %s: %s\n", name, greeting.message.c_str());
        return false;
    }
    const std::string gaps = greeting_gap_note(greeting);
    if (!gaps.empty())
        fprintf(stderr, "glimmerhorn-capture: %s: %s\n", name, gaps.c_str());
    run.text = greeting.bytes;
    return true;
}

// Sets up what init_scene needs and runs it: the colour mode from --mode, as the intro's question
// sets it, and the off-screen context; then keeps the backdrop for the frames to start from.
static bool set_up_scene(const CaptureOptions* options)
{
    const bool truecolor = options->mode == 32;
    if (!offscreen_open(INTRO_WIDTH * options->scale, INTRO_HEIGHT * options->scale, truecolor))
        return false;
    // given again for every pass: the scene's reset between a GIF's two passes takes it back
    scene_set_text(run.text.empty() ? nullptr : run.text.c_str());
    init_scene(truecolor, run.picture.c_str());
    run.intro_frames_drawn = 0;
    return offscreen_keep_backdrop();
}

// Undoes set_up_scene, so that the next one starts where a fresh process does: no GL objects, the
// tune and the scene at their beginning.
static void tear_down_scene()
{
    offscreen_close();
    tune_free();
    scene_reset();
}

// The length of the capture in video frames; init_scene has loaded the tune by then.
static long capture_length(const CaptureOptions* options)
{
    if (options->frames > 0)
        return options->frames;
    const double seconds = options->seconds > 0.0 ? options->seconds : tune_pass_seconds();
    return video_frames_for(seconds, options->fps);
}

// The GIF's first pass: draws the whole clip, counts its colours and makes the palette from the
// count; the scene is torn down after it, for the second pass to start afresh. Returns -1 when the
// palette is made, else the status to end with.
static int make_palette(const CaptureOptions* options, uint32_t colours[256], unsigned char* lookup)
{
    const int width = INTRO_WIDTH * options->scale;
    const int height = INTRO_HEIGHT * options->scale;
    PaletteCount* count = (PaletteCount*)calloc(1, sizeof(PaletteCount));
    unsigned char* pixels = (unsigned char*)malloc((size_t)width * (size_t)height * 4);
    int result = -1;
    if (count == nullptr || pixels == nullptr) {
        fprintf(stderr, "glimmerhorn-capture: no memory to count the colours\n");
        result = 1;
    } else if (!set_up_scene(options)) {
        result = 1;
    } else {
        const long total = capture_length(options);
        Progress progress;
        progress_start(&progress);
        hold_stop_signals(false);
        for (long k = 0; k < total && !run.stop_signal; k++) {
            draw_up_to(k, options->fps);
            offscreen_read(pixels);
            palette_count(count, pixels, width, height);
            progress_show(&progress, "choosing the colours", k + 1, total, options->fps, k + 1 == total);
        }
        hold_stop_signals(true);
        if (run.stop_signal) {
            progress_end(&progress);
            fprintf(stderr, "glimmerhorn-capture: interrupted while choosing the colours; nothing written\n");
            result = 128 + run.stop_signal;
        } else {
            palette_make(count, colours, lookup);
        }
    }
    free(pixels);
    free(count);
    tear_down_scene();
    return result;
}

// The frame slots, made before the file so that a machine short of memory leaves nothing behind.
static bool allocate_slots(int width, int height)
{
    for (int i = 0; i < FRAME_SLOTS; i++) {
        queue.pixels[i] = (unsigned char*)malloc((size_t)width * (size_t)height * 4);
        queue.drawn[i] = false;
        if (queue.pixels[i] == nullptr) {
            fprintf(stderr, "glimmerhorn-capture: no memory for %d frames of %d x %d\n", FRAME_SLOTS, width,
                height);
            return false;
        }
    }
    return true;
}

static void free_slots()
{
    for (unsigned char*& pixels : queue.pixels) {
        free(pixels);
        pixels = nullptr;
    }
}

// The drawing loop on the main thread, with the encoding thread beside it. Returns the number of
// frames drawn, or -1 when the encoder failed.
static long draw_and_encode(const CaptureOptions* options, long total)
{
    queue.encoded = 0;
    queue.drawing_done = false;
    queue.encoding_failed = false;
    std::thread encoder(encode_frames);
    hold_stop_signals(false);

    Progress progress;
    progress_start(&progress);
    long drawn = 0;
    bool failed = false;
    while (drawn < total && !run.stop_signal) {
        draw_up_to(drawn, options->fps);
        const int slot = (int)(drawn % FRAME_SLOTS);
        {
            std::unique_lock<std::mutex> hold(queue.lock);
            queue.changed.wait(hold, [&] { return !queue.drawn[slot] || queue.encoding_failed; });
            failed = queue.encoding_failed;
        }
        if (failed)
            break;
        offscreen_read(queue.pixels[slot]);
        long encoded = 0;
        {
            std::lock_guard<std::mutex> hold(queue.lock);
            queue.drawn[slot] = true;
            encoded = queue.encoded;
            queue.changed.notify_all();
        }
        drawn++;
        progress_show(&progress, "capturing", encoded, total, options->fps, false);
    }
    hold_stop_signals(true);
    {
        std::lock_guard<std::mutex> hold(queue.lock);
        queue.drawing_done = true;
        queue.changed.notify_all();
    }
    encoder.join();
    failed = failed || queue.encoding_failed;
    if (!failed)
        progress_show(&progress, "capturing", queue.encoded, total, options->fps, true);
    else
        progress_end(&progress);
    return failed ? -1 : drawn;
}

// The second pass (the only one for .mkv and .mp4): draws and encodes into the target, and gives it
// its name when complete. colours and lookup are the GIF's palette, null for the others.
static int write_video(const CaptureOptions* options, const uint32_t* colours, const unsigned char* lookup)
{
    if (!set_up_scene(options))
        return 1;
    if (options->format != FORMAT_GIF && tune_rate() == 0) {
        fprintf(stderr, "glimmerhorn-capture: the tune does not play, so there is no sound to capture\n");
        return 1;
    }
    const long total = capture_length(options);
    const int width = INTRO_WIDTH * options->scale;
    const int height = INTRO_HEIGHT * options->scale;
    if (!allocate_slots(width, height)
        || !video_file_open(options, target_path(), width, height, tune_rate(), colours, lookup))
        return 1;
    const long drawn = draw_and_encode(options, total);
    const bool closed = drawn > 0 && video_file_close();
    if (!closed) {
        if (drawn == 0)
            fprintf(stderr, "glimmerhorn-capture: interrupted before the first frame; nothing written\n");
        else
            fprintf(
                stderr, "glimmerhorn-capture: cannot write %s: %s\n", options->output, video_file_error());
        video_file_discard();
        return drawn == 0 ? 128 + run.stop_signal : 1;
    }
    free_slots();
    tear_down_scene();
    if (!target_publish())
        return 1;
    if (run.stop_signal) {
        fprintf(stderr, "glimmerhorn-capture: interrupted: %s holds the first %ld of %ld frames (%.2f s)\n",
            options->output, drawn, total, (double)drawn / options->fps);
        return 128 + run.stop_signal;
    }
    return 0;
}

int capture_run(const CaptureOptions* options, const char* program_path)
{
    // before the stop signals are held back: Ctrl+C must end a wait for standard input
    if (options->text != nullptr && !read_greeting(options->text))
        return 2;
    av_log_set_level(AV_LOG_FATAL);
    // llvmpipe draws, as on the X servers the intro is tested on, whatever graphics card there is;
    // LIBGL_ALWAYS_SOFTWARE=0 from the caller lets a card draw instead
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    // and on the drawing thread itself: with the backdrop copied in, a frame is little work, and
    // handing its tiles to llvmpipe's own threads costs more than it gains while the encoder has both
    // cores busy. The tiles come out the same either way.
    setenv("LP_NUM_THREADS", "0", 0);
    catch_stop_signals();

    // the target is checked, and its file made, before anything is drawn
    if (!target_open(options->output, options->force, TARGET_UNNAMED))
        return 1;
    if (!find_picture(program_path, &run.picture)) {
        target_discard();
        return 1;
    }
    int status = -1;
    if (options->format == FORMAT_GIF) {
        static uint32_t colours[256];
        static unsigned char lookup[PALETTE_CELLS];
        status = make_palette(options, colours, lookup);
        if (status < 0)
            status = write_video(options, colours, lookup);
    } else {
        status = write_video(options, nullptr, nullptr);
    }
    // after a failure or an interruption before the first frame: nothing left behind
    target_discard();
    return status;
}

// The capture's run: the drawing loop on the main thread, the encoding thread beside it, and the file
// that appears under its name only once it is complete.
#include <GL/gl.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
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
#include "platform.h"
#include "scene.h"

// Frames drawn ahead of the encoder: enough to ride out an uneven frame on either side.
constexpr int FRAME_SLOTS = 4;

enum SlotState { SLOT_FREE, SLOT_DRAWN, SLOT_ENCODING };

// The slots the drawing loop reads frames into and the encoding thread takes them from, in turn.
// Everything below the lock is shared between the two threads and changed only under it.
static unsigned char* slot_pixels[FRAME_SLOTS];
static std::mutex slot_lock;
static std::condition_variable slot_changed;
static SlotState slot_state[FRAME_SLOTS];
static long slot_number[FRAME_SLOTS];
static long frames_encoded;
static bool drawing_done;
static bool encoding_failed;

// Set by SIGINT or SIGTERM: the drawing loop stops after the frame in hand and the file is finished.
static volatile sig_atomic_t capture_signal;
static long intro_frames_drawn;

static void on_stop_signal(int number) { capture_signal = number; }

// Holds SIGINT and SIGTERM back from the calling thread, or lets them through again. Threads started
// meanwhile (llvmpipe's, FFmpeg's, the encoding thread) keep them held back for good, so that the
// drawing loop's thread is the one that notes them.
static void hold_stop_signals(bool hold)
{
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(hold ? SIG_BLOCK : SIG_UNBLOCK, &stop_signals, nullptr);
}

void frame_slot_release(int slot)
{
    std::lock_guard<std::mutex> hold(slot_lock);
    slot_state[slot] = SLOT_FREE;
    slot_changed.notify_all();
}

// The encoding thread: takes the drawn frames in order until the drawing loop is done with them all.
static void encode_frames()
{
    for (long k = 0;; k++) {
        const int slot = (int)(k % FRAME_SLOTS);
        {
            std::unique_lock<std::mutex> hold(slot_lock);
            slot_changed.wait(hold, [&] { return slot_state[slot] == SLOT_DRAWN || drawing_done; });
            if (slot_state[slot] != SLOT_DRAWN)
                return;
            slot_state[slot] = SLOT_ENCODING;
        }
        const VideoFrame frame = { slot_pixels[slot], k, slot };
        const bool added = video_file_add(&frame);
        std::lock_guard<std::mutex> hold(slot_lock);
        if (!added) {
            encoding_failed = true;
            slot_changed.notify_all();
            return;
        }
        frames_encoded = k + 1;
    }
}

// One frame of the intro into the pbuffer, as on_display draws it (clear, draw_frame, flush) but with
// the backdrop's pixels copied in instead of drawn again: they are the same every frame, and drawing
// them costs llvmpipe three times what the layers over them do. The backdrop pass still runs for the
// state it leaves, with every pixel outside a scissor box of nothing.
static void draw_intro_frame()
{
    offscreen_put_backdrop();
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 0, 0);
    draw_backdrop();
    glDisable(GL_SCISSOR_TEST);
    draw_layers();
    glFlush();
    intro_frames_drawn++;
}

// Steps the intro on to the frame that video frame k shows; every frame before it is drawn too, since
// drawing is what moves the scene.
static void draw_up_to(long k, int fps)
{
    const long wanted = intro_frame_of(k, fps);
    while (intro_frames_drawn < wanted)
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

// Where gfx.data is read from: the working folder when it holds one, as for the intro, else the
// installed data folder, found from where the program lies. Says why on stderr when neither serves.
static bool find_picture_folder(const char* program_path, std::string* folder)
{
    bool absent = false;
    const char* here = picture_missing(".", &absent);
    if (here == nullptr) {
        *folder = ".";
        return true;
    }
    if (!absent) {
        fprintf(stderr, "glimmerhorn-capture: cannot read gfx.data in the working folder: %s\n", here);
        return false;
    }
    char program[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
    if (length > 0)
        program[length] = '\0';
    const char* path = length > 0 ? program : program_path;
    const char* slash = strrchr(path, '/');
    const std::string installed = (slash ? std::string(path, (size_t)(slash - path)) : std::string(".")) + "/"
        + GLIMMERHORN_CAPTURE_DATA;
    const char* there = picture_missing(installed, &absent);
    if (there == nullptr) {
        *folder = installed;
        return true;
    }
    char* shown = realpath(installed.c_str(), nullptr);
    fprintf(stderr,
        "glimmerhorn-capture: no picture: gfx.data is neither in the working folder nor in %s (%s); run it "
        "where gfx.data is\n",
        shown ? shown : installed.c_str(), there);
    free(shown);
    return false;
}

// The absolute form of path, so that it still names the same file once the working folder changes.
static std::string absolute_path(const char* path)
{
    if (path[0] == '/')
        return path;
    char* here = getcwd(nullptr, 0);
    std::string joined = std::string(here ? here : ".") + "/" + path;
    free(here);
    return joined;
}

// Makes the temporary file beside target (so that the rename at the end stays on one file system),
// with the permissions a new file would have. Says why on stderr when the folder takes no file.
static bool make_temporary(const CaptureOptions* options, const std::string& target, std::string* temporary)
{
    const size_t slash = target.rfind('/');
    std::string name = target.substr(0, slash + 1) + "." + target.substr(slash + 1) + ".XXXXXX";
    const int fd = mkstemp(&name[0]);
    if (fd < 0) {
        const std::string folder = slash == 0 ? "/" : target.substr(0, slash);
        fprintf(stderr, "glimmerhorn-capture: cannot write %s: cannot make a file in %s: %s\n",
            options->output, folder.c_str(), strerror(errno));
        return false;
    }
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    *temporary = name;
    return true;
}

// Puts the finished file under its name. Without --force a file that appeared there meanwhile is
// kept, and so is the capture, under its temporary name.
static bool publish(const CaptureOptions* options, const std::string& temporary, const std::string& target)
{
    int status = 0;
    if (options->force) {
        status = rename(temporary.c_str(), target.c_str());
    } else {
        status = renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
        // a file system that cannot refuse a replacement: look first
        if (status != 0 && (errno == EINVAL || errno == ENOSYS)) {
            struct stat existing;
            if (lstat(target.c_str(), &existing) == 0)
                errno = EEXIST;
            else
                status = rename(temporary.c_str(), target.c_str());
        }
    }
    if (status == 0)
        return true;
    if (errno == EEXIST) {
        fprintf(stderr,
            "glimmerhorn-capture: %s was made by something else while capturing; the capture is in %s\n",
            options->output, temporary.c_str());
        return false;
    }
    fprintf(stderr, "glimmerhorn-capture: cannot write %s: %s\n", options->output, strerror(errno));
    unlink(temporary.c_str());
    return false;
}

// Sets up what init_scene needs and runs it: the colour mode from --mode, as the intro's question
// sets it, and the off-screen context; then keeps the backdrop for the frames to start from.
static bool set_up_scene(const CaptureOptions* options)
{
    truecolor_mode = options->mode == 32;
    if (!offscreen_open(INTRO_WIDTH * options->scale, INTRO_HEIGHT * options->scale, truecolor_mode))
        return false;
    init_scene();
    return offscreen_keep_backdrop();
}

// The length of the capture in video frames; init_scene has loaded the tune by then.
static long capture_length(const CaptureOptions* options)
{
    if (options->frames > 0)
        return options->frames;
    const double seconds = options->seconds > 0.0 ? options->seconds : tune_pass_seconds();
    return video_frames_for(seconds, options->fps);
}

// The GIF's first pass, in a child process of its own so that the scene starts afresh for the
// second: draws the whole clip and counts its colours into the shared count.
static int count_colours(const CaptureOptions* options, PaletteCount* count)
{
    if (!set_up_scene(options))
        return 1;
    const long total = capture_length(options);
    const int width = INTRO_WIDTH * options->scale;
    const int height = INTRO_HEIGHT * options->scale;
    unsigned char* pixels = (unsigned char*)malloc((size_t)width * (size_t)height * 4);
    if (pixels == nullptr)
        return 1;
    hold_stop_signals(false);
    Progress progress;
    progress_start(&progress);
    for (long k = 0; k < total; k++) {
        if (capture_signal)
            return 128 + capture_signal;
        draw_up_to(k, options->fps);
        offscreen_read(pixels);
        palette_count(count, pixels, width, height);
        progress_show(&progress, "choosing the colours", k + 1, total, options->fps, k + 1 == total);
    }
    free(pixels);
    offscreen_close();
    return 0;
}

// Runs count_colours in a child and makes the palette from its count. Returns -1 when the palette
// is made, else the status to end with.
static int make_palette(const CaptureOptions* options, uint32_t colours[256], unsigned char* lookup)
{
    void* shared
        = mmap(nullptr, sizeof(PaletteCount), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) {
        fprintf(stderr, "glimmerhorn-capture: no memory to count the colours: %s\n", strerror(errno));
        return 1;
    }
    PaletteCount* count = (PaletteCount*)shared;
    fflush(stderr);
    const pid_t child = fork();
    if (child == 0)
        _exit(count_colours(options, count));
    // a Ctrl+C reaches both; a signal sent to this process alone is passed on
    int status = 0;
    hold_stop_signals(false);
    bool passed_on = false;
    while (child > 0 && waitpid(child, &status, WNOHANG) == 0) {
        if (capture_signal && !passed_on) {
            kill(child, capture_signal);
            passed_on = true;
        }
        usleep(20000);
    }
    hold_stop_signals(true);
    int result = -1;
    if (child < 0) {
        fprintf(stderr, "glimmerhorn-capture: cannot start counting the colours: %s\n", strerror(errno));
        result = 1;
    } else if (capture_signal || !WIFEXITED(status) || WEXITSTATUS(status) > 128) {
        fprintf(stderr, "glimmerhorn-capture: interrupted while choosing the colours; nothing written\n");
        result = 128 + (capture_signal ? capture_signal : SIGINT);
    } else if (WEXITSTATUS(status) != 0) {
        result = 1; // the child said why
    } else {
        palette_make(count, colours, lookup);
    }
    munmap(shared, sizeof(PaletteCount));
    return result;
}

// The frame slots, made before the file so that a machine short of memory leaves nothing behind.
static bool allocate_slots(int width, int height)
{
    for (int i = 0; i < FRAME_SLOTS; i++) {
        slot_pixels[i] = (unsigned char*)malloc((size_t)width * (size_t)height * 4);
        slot_state[i] = SLOT_FREE;
        if (slot_pixels[i] == nullptr) {
            fprintf(stderr, "glimmerhorn-capture: no memory for %d frames of %d x %d\n", FRAME_SLOTS, width,
                height);
            return false;
        }
    }
    return true;
}

static void free_slots()
{
    for (unsigned char*& pixels : slot_pixels) {
        free(pixels);
        pixels = nullptr;
    }
}

// The drawing loop on the main thread, with the encoding thread beside it. Returns the number of
// frames drawn, or -1 when the encoder failed.
static long draw_and_encode(const CaptureOptions* options, long total)
{
    frames_encoded = 0;
    drawing_done = false;
    encoding_failed = false;
    std::thread encoder(encode_frames);
    hold_stop_signals(false);

    Progress progress;
    progress_start(&progress);
    long drawn = 0;
    bool failed = false;
    while (drawn < total && !capture_signal) {
        draw_up_to(drawn, options->fps);
        const int slot = (int)(drawn % FRAME_SLOTS);
        {
            std::unique_lock<std::mutex> hold(slot_lock);
            slot_changed.wait(hold, [&] { return slot_state[slot] == SLOT_FREE || encoding_failed; });
            failed = encoding_failed;
        }
        if (failed)
            break;
        offscreen_read(slot_pixels[slot]);
        long encoded = 0;
        {
            std::lock_guard<std::mutex> hold(slot_lock);
            slot_state[slot] = SLOT_DRAWN;
            slot_number[slot] = drawn;
            encoded = frames_encoded;
            slot_changed.notify_all();
        }
        drawn++;
        progress_show(&progress, "capturing", encoded, total, options->fps, false);
    }
    {
        std::lock_guard<std::mutex> hold(slot_lock);
        drawing_done = true;
        slot_changed.notify_all();
    }
    encoder.join();
    failed = failed || encoding_failed;
    if (!failed)
        progress_show(&progress, "capturing", frames_encoded, total, options->fps, true);
    else if (progress.shown)
        fputc('\n', stderr);
    return failed ? -1 : drawn;
}

int capture_run(const CaptureOptions* options, const char* program_path)
{
    av_log_set_level(AV_LOG_FATAL);
    // llvmpipe draws, as on the X servers the intro is tested on, whatever graphics card there is;
    // LIBGL_ALWAYS_SOFTWARE=0 from the caller lets a card draw instead
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    // and on the drawing thread itself: with the backdrop copied in, a frame is little work, and
    // handing its tiles to llvmpipe's own threads costs more than it gains while the encoder has both
    // cores busy. The tiles come out the same either way.
    setenv("LP_NUM_THREADS", "0", 0);

    const std::string target = absolute_path(options->output);
    struct stat existing;
    if (!options->force && lstat(target.c_str(), &existing) == 0) {
        fprintf(stderr, "glimmerhorn-capture: %s exists; --force replaces it\n", options->output);
        return 1;
    }
    std::string picture_folder;
    if (!find_picture_folder(program_path, &picture_folder))
        return 1;

    struct sigaction stop = {};
    stop.sa_handler = on_stop_signal;
    stop.sa_flags = SA_RESTART;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);
    hold_stop_signals(true);
    // a file size limit shows as a failed write, not as death with the temporary file left behind
    signal(SIGXFSZ, SIG_IGN);

    if (chdir(picture_folder.c_str()) != 0) {
        fprintf(
            stderr, "glimmerhorn-capture: cannot enter %s: %s\n", picture_folder.c_str(), strerror(errno));
        return 1;
    }
    static uint32_t colours[256];
    static unsigned char lookup[PALETTE_CELLS];
    if (options->format == FORMAT_GIF) {
        const int status = make_palette(options, colours, lookup);
        if (status >= 0)
            return status;
    }
    if (!set_up_scene(options))
        return 1;
    if (options->format != FORMAT_GIF && tune_rate() == 0) {
        fprintf(stderr, "glimmerhorn-capture: the tune does not play, so there is no sound to capture\n");
        return 1;
    }
    const long total = capture_length(options);
    const int width = INTRO_WIDTH * options->scale;
    const int height = INTRO_HEIGHT * options->scale;

    std::string temporary;
    if (!allocate_slots(width, height) || !make_temporary(options, target, &temporary))
        return 1;
    const bool gif = options->format == FORMAT_GIF;
    if (!video_file_open(options, temporary.c_str(), width, height, tune_rate(), gif ? colours : nullptr,
            gif ? lookup : nullptr)) {
        unlink(temporary.c_str());
        return 1;
    }
    const long drawn = draw_and_encode(options, total);
    const bool closed = drawn > 0 && video_file_close();
    if (!closed) {
        if (drawn == 0)
            fprintf(stderr, "glimmerhorn-capture: interrupted before the first frame; nothing written\n");
        else
            fprintf(
                stderr, "glimmerhorn-capture: cannot write %s: %s\n", options->output, video_file_error());
        video_file_discard();
        unlink(temporary.c_str());
        free_slots();
        return drawn == 0 ? 128 + capture_signal : 1;
    }
    free_slots();
    tune_free();
    offscreen_close();
    if (!publish(options, temporary, target))
        return 1;
    if (capture_signal) {
        fprintf(stderr, "glimmerhorn-capture: interrupted: %s holds the first %ld of %ld frames (%.2f s)\n",
            options->output, drawn, total, (double)drawn / options->fps);
        return 128 + capture_signal;
    }
    return 0;
}

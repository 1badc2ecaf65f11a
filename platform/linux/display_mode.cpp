// The display switch to 800 x 600 through XRandR, undone when the process ends by any path; on
// XWayland made on the window's own connection.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform.h"

// What the switch changed, kept to put it back: one CRTC and, when it had to shrink, the screen.
struct SavedMode {
    RRCrtc crtc;
    RRMode mode;
    int x;
    int y;
    Rotation rotation;
    int output_count;
    RROutput outputs[16];
    int screen_width;
    int screen_height;
    int screen_mm_width;
    int screen_mm_height;
};

// Everything the switch keeps between calls, in one record: as at program start until a switch.
struct ModeSwitch {
    SavedMode saved;
    int restore_pipe; // write end; closing it tells the watcher to put the mode back
    int restored_pipe; // read end; it hangs up once the watcher has finished
    pid_t watcher_pid;
    pid_t intro_pid; // whose exit hands over; its forked children inherit the handler too
    // the size display_mode_set left for display_mode_set_on_window: on XWayland the switch waits for
    // the window
    int xwayland_width;
    int xwayland_height;
};
static ModeSwitch mode_switch = { {}, -1, -1, 0, 0, 0, 0 };

static const int RESTORE_WAIT_MS = 2000;

// Used by screen_bounds: a CRTC turned a quarter shows its mode with width and height swapped.
static bool rotated(Rotation rotation) { return (rotation & (RR_Rotate_90 | RR_Rotate_270)) != 0; }

// The description of mode `id` among the screen's modes; null when the server lists none.
static XRRModeInfo* find_mode(XRRScreenResources* resources, RRMode id)
{
    for (int i = 0; i < resources->nmode; i++)
        if (resources->modes[i].id == id)
            return &resources->modes[i];
    return nullptr;
}

// Frames a second of a mode, from its dot clock and totals; 0 when the mode does not say.
static double refresh_rate(const XRRModeInfo* mode)
{
    double v_total = (double)mode->vTotal;
    if (mode->modeFlags & RR_DoubleScan)
        v_total *= 2.0;
    if (mode->modeFlags & RR_Interlace)
        v_total /= 2.0;
    if (mode->hTotal == 0 || v_total == 0.0)
        return 0.0;
    return (double)mode->dotClock / ((double)mode->hTotal * v_total);
}

// The output the switch acts on: the primary one, else the first connected output that shows something.
static RROutput pick_output(Display* display, Window root, XRRScreenResources* resources)
{
    RROutput primary = XRRGetOutputPrimary(display, root);
    if (primary != None)
        return primary;
    for (int i = 0; i < resources->noutput; i++) {
        XRROutputInfo* info = XRRGetOutputInfo(display, resources, resources->outputs[i]);
        const bool showing = info && info->connection == RR_Connected && info->crtc != None;
        if (info)
            XRRFreeOutputInfo(info);
        if (showing)
            return resources->outputs[i];
    }
    return None;
}

// Among the output's modes of exactly width x height, the one nearest the current refresh rate,
// interlaced modes last. None when the output offers no such mode.
static RRMode pick_mode(
    XRRScreenResources* resources, XRROutputInfo* output, int width, int height, double current_rate)
{
    RRMode best = None;
    double best_score = 0.0;
    for (int i = 0; i < output->nmode; i++) {
        XRRModeInfo* mode = find_mode(resources, output->modes[i]);
        if (!mode || (int)mode->width != width || (int)mode->height != height)
            continue;
        double score = refresh_rate(mode) - current_rate;
        score = score < 0.0 ? -score : score;
        if (mode->modeFlags & (RR_Interlace | RR_DoubleScan))
            score += 1000.0;
        if (best == None || score < best_score) {
            best = mode->id;
            best_score = score;
        }
    }
    return best;
}

// The smallest screen that holds every CRTC that shows something, with `changed` showing `mode`.
static void screen_bounds(Display* display, XRRScreenResources* resources, RRCrtc changed, int width,
    int height, int* screen_width, int* screen_height)
{
    *screen_width = 0;
    *screen_height = 0;
    for (int i = 0; i < resources->ncrtc; i++) {
        XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
        if (!crtc)
            continue;
        int right = 0;
        int bottom = 0;
        if (resources->crtcs[i] == changed) {
            const bool turned = rotated(crtc->rotation);
            right = crtc->x + (turned ? height : width);
            bottom = crtc->y + (turned ? width : height);
        } else if (crtc->mode != None) {
            right = crtc->x + (int)crtc->width;
            bottom = crtc->y + (int)crtc->height;
        }
        if (right > *screen_width)
            *screen_width = right;
        if (bottom > *screen_height)
            *screen_height = bottom;
        XRRFreeCrtcInfo(crtc);
    }
}

// Puts back what mode_switch.saved holds: run by the watcher, or by display_mode_set when no watcher could
// be started. Growing the screen comes first, since a CRTC must fit in the screen.
static void restore_mode(Display* display)
{
    Window root = DefaultRootWindow(display);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (!resources)
        return;
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    SavedMode& saved = mode_switch.saved; // not const: XRRSetCrtcConfig takes its outputs unqualified
    const bool grow = saved.screen_width > width || saved.screen_height > height;
    if (grow)
        XRRSetScreenSize(display, root, saved.screen_width, saved.screen_height, saved.screen_mm_width,
            saved.screen_mm_height);
    XRRSetCrtcConfig(display, resources, saved.crtc, CurrentTime, saved.x, saved.y, saved.mode,
        saved.rotation, saved.outputs, saved.output_count);
    if (!grow && (saved.screen_width != width || saved.screen_height != height))
        XRRSetScreenSize(display, root, saved.screen_width, saved.screen_height, saved.screen_mm_width,
            saved.screen_mm_height);
    XSync(display, False);
    XRRFreeScreenResources(resources);
}

// The errors of a restore on a display whose outputs changed meanwhile are not worth a message.
static int ignore_x_error(Display* display, XErrorEvent* error)
{
    (void)display;
    (void)error;
    return 0;
}

// The watcher process, forked right after the switch. It sleeps until the intro ends, whatever the
// way: exit, a signal, even a crash; then it puts the mode back on a connection of its own and ends.
// The intro's pidfd tells of its end even while a child of it (SDL's message-box process) holds the
// pipe's write end open; the pipe's closing tells of a normal exit, and is all there is on kernels
// without pidfds. It leaves the terminal's process group so that Ctrl+C reaches the intro only.
[[noreturn]] static void run_watcher(
    int restore_read, int restored_write, int intro_pidfd, const char* display_name)
{
    setsid();
    signal(SIGINT, SIG_IGN);
    signal(SIGQUIT, SIG_IGN);
    signal(SIGHUP, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
    const int null_fd = open("/dev/null", O_RDWR);
    if (null_fd >= 0) {
        dup2(null_fd, 0);
        dup2(null_fd, 1);
        dup2(null_fd, 2);
    }
    // nothing of the intro's stays open here: above all not its X connection, or its window would
    // outlive it. The three descriptors kept go to 3, 4 and 5 by way of copies above them.
    int keep[3] = { restore_read, restored_write, intro_pidfd };
    for (int& fd : keep)
        fd = fd >= 0 ? fcntl(fd, F_DUPFD, 6) : -1;
    for (int i = 0; i < 3; i++) {
        if (keep[i] >= 0)
            dup2(keep[i], 3 + i);
        else
            close(3 + i);
    }
    close_range(6, ~0U, 0);

    // any event ends the wait, an error as well: a watcher must never spin
    pollfd ends[2] = { { 3, POLLIN, 0 }, { keep[2] >= 0 ? 5 : -1, POLLIN, 0 } };
    while (poll(ends, 2, -1) < 0 && errno == EINTR) { }
    Display* display = XOpenDisplay(display_name);
    if (display) {
        XSetErrorHandler(ignore_x_error);
        restore_mode(display);
        XCloseDisplay(display);
    }
    _exit(0);
}

// Called by exit, after the exit key or GLUT's own exit: hands the restore to the watcher and waits
// for it, so that the desktop is back when the process ends. X is not touched here: the server may be
// gone, and Xlib would then call exit from inside exit. A forked child that exits (SDL's message-box
// process, when its connection breaks) inherited the handler but has nothing to hand over.
static void restore_at_exit()
{
    if (mode_switch.restore_pipe < 0 || getpid() != mode_switch.intro_pid)
        return;
    close(mode_switch.restore_pipe);
    mode_switch.restore_pipe = -1;
    pollfd done = { mode_switch.restored_pipe, POLLIN, 0 };
    while (poll(&done, 1, RESTORE_WAIT_MS) < 0) { }
    close(mode_switch.restored_pipe);
    mode_switch.restored_pipe = -1;
    waitpid(mode_switch.watcher_pid, nullptr, WNOHANG);
}

// Starts the watcher; false when it could not be started (the caller then undoes the switch).
static bool start_watcher(const char* display_name)
{
    int restore[2];
    int restored[2];
    if (pipe2(restore, O_CLOEXEC) != 0)
        return false;
    if (pipe2(restored, O_CLOEXEC) != 0) {
        close(restore[0]);
        close(restore[1]);
        return false;
    }
    // the intro's own pidfd, for the watcher alone; -1 on kernels without pidfds
    const int intro_pidfd = (int)syscall(SYS_pidfd_open, getpid(), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        close(restore[1]);
        close(restored[0]);
        run_watcher(restore[0], restored[1], intro_pidfd, display_name);
    }
    close(restore[0]);
    close(restored[1]);
    if (intro_pidfd >= 0)
        close(intro_pidfd);
    if (pid < 0) {
        close(restore[1]);
        close(restored[0]);
        return false;
    }
    mode_switch.watcher_pid = pid;
    mode_switch.intro_pid = getpid();
    mode_switch.restore_pipe = restore[1];
    mode_switch.restored_pipe = restored[0];
    atexit(restore_at_exit);
    return true;
}

// Frees what a switch looked up; any of the three may be null.
static void randr_free(XRRScreenResources* resources, XRROutputInfo* output, XRRCrtcInfo* crtc)
{
    if (crtc)
        XRRFreeCrtcInfo(crtc);
    if (output)
        XRRFreeOutputInfo(output);
    if (resources)
        XRRFreeScreenResources(resources);
}

// What both switches look up: the output they act on, its CRTC, and the mode of width x height to
// give that CRTC, None when it already shows that size or the output offers no such mode.
struct ModeChoice {
    XRROutputInfo* output; // null when there is no output to act on
    XRRCrtcInfo* crtc; // null when the output shows nothing
    RRMode mode;
};

// Called by both switches with the screen's resources, which may be null; randr_free frees what the
// choice holds.
static ModeChoice choose_mode(
    Display* display, Window root, XRRScreenResources* resources, int width, int height)
{
    ModeChoice choice = { nullptr, nullptr, None };
    const RROutput output_id = resources ? pick_output(display, root, resources) : None;
    if (output_id != None)
        choice.output = XRRGetOutputInfo(display, resources, output_id);
    if (choice.output && choice.output->crtc != None)
        choice.crtc = XRRGetCrtcInfo(display, resources, choice.output->crtc);
    if (choice.crtc && choice.crtc->mode != None) {
        XRRModeInfo* current = find_mode(resources, choice.crtc->mode);
        if (current && !((int)current->width == width && (int)current->height == height))
            choice.mode = pick_mode(resources, choice.output, width, height, refresh_rate(current));
    }
    return choice;
}

// True when the server is XWayland: it says so with an extension of its own (XWayland 23 on) or, before
// that, in the names of its outputs ("XWAYLAND0", ...).
static bool on_xwayland(Display* display, XRRScreenResources* resources)
{
    int opcode = 0;
    int event_base = 0;
    int error_base = 0;
    if (XQueryExtension(display, "XWAYLAND", &opcode, &event_base, &error_base))
        return true;
    for (int i = 0; resources && i < resources->noutput; i++) {
        XRROutputInfo* info = XRRGetOutputInfo(display, resources, resources->outputs[i]);
        const bool named = info && info->name && strncmp(info->name, "XWAYLAND", 8) == 0;
        if (info)
            XRRFreeOutputInfo(info);
        if (named)
            return true;
    }
    return false;
}

// Called by run_intro once the window exists and its context is current, before the full-screen
// request. XWayland emulates a mode change for the client that makes it, on that client's full-screen
// window, which the compositor then scales to fill the output: so the switch display_mode_set left
// here is made on GLUT's own connection. The emulation ends with the connection, so there is nothing
// to restore. Anywhere else this does nothing. Failure is silent.
void display_mode_set_on_window()
{
    Display* display = glXGetCurrentDisplay();
    if (mode_switch.xwayland_width == 0 || !display)
        return;
    const int width = mode_switch.xwayland_width;
    const int height = mode_switch.xwayland_height;
    mode_switch.xwayland_width = 0;
    mode_switch.xwayland_height = 0;
    // GLUT's error handler would end the intro over a refused switch
    XSync(display, False);
    XErrorHandler previous_handler = XSetErrorHandler(ignore_x_error);
    Window root = DefaultRootWindow(display);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    const ModeChoice choice = choose_mode(display, root, resources, width, height);
    const XRRCrtcInfo* crtc = choice.crtc;
    if (choice.mode != None)
        XRRSetCrtcConfig(display, resources, choice.output->crtc, CurrentTime, crtc->x, crtc->y, choice.mode,
            crtc->rotation, crtc->outputs, crtc->noutput);
    randr_free(resources, choice.output, choice.crtc);
    XSync(display, False);
    XSetErrorHandler(previous_handler);
}

// Called by set_display_mode, before the window exists. On XWayland it only notes the size for
// display_mode_set_on_window. Elsewhere it switches the primary output (X knows no window of ours
// yet) to a width x height mode it offers, shrinking the screen to fit, and leaves a watcher behind
// to put both back. X cannot change colour depth: bpp picks nothing here. Every
// failure leaves the display as it was and says nothing; the intro then runs on the desktop mode.
void display_mode_set(int width, int height, int bpp)
{
    (void)bpp;
    if (mode_switch.restore_pipe >= 0)
        return;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return;
    int event_base = 0;
    int error_base = 0;
    int major = 0;
    int minor = 0;
    if (!XRRQueryExtension(display, &event_base, &error_base) || !XRRQueryVersion(display, &major, &minor)
        || major < 1 || (major == 1 && minor < 3)) {
        XCloseDisplay(display);
        return;
    }
    XErrorHandler previous_handler = XSetErrorHandler(ignore_x_error);
    const int screen = DefaultScreen(display);
    Window root = RootWindow(display, screen);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (on_xwayland(display, resources)) {
        // made by display_mode_set_on_window, on GLUT's connection, once the window exists
        mode_switch.xwayland_width = width;
        mode_switch.xwayland_height = height;
        if (resources)
            XRRFreeScreenResources(resources);
        XSetErrorHandler(previous_handler);
        XCloseDisplay(display);
        return;
    }
    const ModeChoice choice = choose_mode(display, root, resources, width, height);
    XRROutputInfo* output = choice.output;
    XRRCrtcInfo* crtc = choice.crtc;
    const RRMode mode = choice.mode;

    bool switched = false;
    // mode_switch.saved holds at most 16 outputs of the CRTC to give them back
    if (mode != None && crtc->noutput <= 16) {
        SavedMode& saved = mode_switch.saved;
        saved.crtc = output->crtc;
        saved.mode = crtc->mode;
        saved.x = crtc->x;
        saved.y = crtc->y;
        saved.rotation = crtc->rotation;
        saved.output_count = crtc->noutput;
        for (int i = 0; i < crtc->noutput; i++)
            saved.outputs[i] = crtc->outputs[i];
        saved.screen_width = DisplayWidth(display, screen);
        saved.screen_height = DisplayHeight(display, screen);
        saved.screen_mm_width = DisplayWidthMM(display, screen);
        saved.screen_mm_height = DisplayHeightMM(display, screen);

        int new_width = 0;
        int new_height = 0;
        screen_bounds(display, resources, output->crtc, width, height, &new_width, &new_height);
        const Status status = XRRSetCrtcConfig(display, resources, output->crtc, CurrentTime, crtc->x,
            crtc->y, mode, crtc->rotation, crtc->outputs, crtc->noutput);
        if (status == RRSetConfigSuccess) {
            switched = true;
            // the same dots per millimetre as before
            if (new_width > 0 && new_height > 0
                && (new_width != mode_switch.saved.screen_width
                    || new_height != mode_switch.saved.screen_height)) {
                const int mm_width = (int)((double)mode_switch.saved.screen_mm_width * new_width
                    / mode_switch.saved.screen_width);
                const int mm_height = (int)((double)mode_switch.saved.screen_mm_height * new_height
                    / mode_switch.saved.screen_height);
                XRRSetScreenSize(display, root, new_width, new_height, mm_width, mm_height);
            }
        }
        XSync(display, False);
    }
    randr_free(resources, output, crtc);
    XSetErrorHandler(previous_handler);

    // the display's name is copied before the connection closes: the watcher opens its own
    char display_name[256];
    const char* name = DisplayString(display);
    size_t i = 0;
    for (; name && name[i] && i + 1 < sizeof display_name; i++)
        display_name[i] = name[i];
    display_name[i] = '\0';
    if (switched && !start_watcher(display_name))
        restore_mode(display);
    XCloseDisplay(display);
}

// Preloaded into the intro (LD_PRELOAD) by the end-to-end tests and the benchmarks: wraps the buffer
// swap to see from outside what the program drew and when. Each feature is on when its variable is set:
//   GLIMMERHORN_GL_PROBE_LOG   file: swap count and the first and last viewports, written at exit
//   GLIMMERHORN_GRAB_DIR       folder: frames listed in GLIMMERHORN_GRAB_FRAMES ("1 500"), as drawn,
//                              written as frame-<number>.ppm
//   GLIMMERHORN_SWAP_LOG       file: monotonic and CPU seconds of every swap, written at exit
//   GLIMMERHORN_SWAP_STREAM    file: the same, written as the swaps come (long runs)
// Under Wine the Windows build's swaps pass here too: Wine opens libGL itself and takes every GLX
// function from glXGetProcAddressARB, so the probe also wraps dlsym to hand out its own
// glXGetProcAddressARB, which hands out its own glXSwapBuffers. The preload lands in Wine's helper
// processes as well; only a process that swapped writes the logs.
#define _GNU_SOURCE
#include <GL/gl.h>
#include <GL/glx.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

// One record per swap, kept in memory until the process ends; a run of a few minutes at 100 frames
// a second fits.
typedef struct SwapTime {
    struct timespec wall;
    struct timespec cpu;
} SwapTime;

enum { MAX_SWAP_TIMES = 1 << 17 };

typedef void (*ProcAddress)(void);

static void (*real_swap)(Display*, GLXDrawable);
static ProcAddress (*real_get_proc_address)(const GLubyte*);
static int started;
static long swap_count;
static GLint first_viewport[4];
static GLint last_viewport[4];
static const char* grab_dir;
static const char* grab_frames;
static const char* swap_log;
static FILE* swap_stream;
static SwapTime swap_times[MAX_SWAP_TIMES];

// True when frame `number` is listed in GLIMMERHORN_GRAB_FRAMES (numbers separated by blanks).
static int wanted(long number)
{
    const char* list = grab_frames;
    char* end = NULL;
    while (list && *list) {
        const long n = strtol(list, &end, 10);
        if (end == list)
            return 0;
        if (n == number)
            return 1;
        list = end;
    }
    return 0;
}

// Writes the back buffer's viewport as <grab_dir>/frame-<number>.ppm, top row first, through a
// temporary name so a reader never sees half a file.
static void grab(long number, const GLint* viewport)
{
    const int width = viewport[2];
    const int height = viewport[3];
    unsigned char* pixels = malloc((size_t)width * (size_t)height * 3);
    if (!pixels)
        return;
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(viewport[0], viewport[1], width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    char path[4096];
    char temporary[4200];
    snprintf(path, sizeof path, "%s/frame-%ld.ppm", grab_dir, number);
    snprintf(temporary, sizeof temporary, "%s.part", path);
    FILE* file = fopen(temporary, "wb");
    if (file) {
        fprintf(file, "P6\n%d %d\n255\n", width, height);
        for (int row = height - 1; row >= 0; row--)
            fwrite(pixels + (size_t)row * (size_t)width * 3, 3, (size_t)width, file);
        fclose(file);
        rename(temporary, path);
    }
    free(pixels);
}

static void write_time(FILE* file, const SwapTime* time)
{
    fprintf(file, "%lld.%09ld %lld.%09ld\n", (long long)time->wall.tv_sec, time->wall.tv_nsec,
        (long long)time->cpu.tv_sec, time->cpu.tv_nsec);
}

// Called by freeglut's glutSwapBuffers in place of libGL's, with the intro's context current: the
// time the swap is asked for (the process's CPU time counts every thread, Mesa's included), the
// viewport and the picture of the frame, then the real swap.
void glXSwapBuffers(Display* display, GLXDrawable drawable)
{
    SwapTime now;
    clock_gettime(CLOCK_MONOTONIC, &now.wall);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now.cpu);
    if (!started) {
        started = 1;
        grab_dir = getenv("GLIMMERHORN_GRAB_DIR");
        grab_frames = getenv("GLIMMERHORN_GRAB_FRAMES");
        swap_log = getenv("GLIMMERHORN_SWAP_LOG");
        const char* stream = getenv("GLIMMERHORN_SWAP_STREAM");
        swap_stream = stream ? fopen(stream, "w") : NULL;
        if (real_get_proc_address)
            real_swap = (void (*)(Display*, GLXDrawable))real_get_proc_address((const GLubyte*)"glXSwapBuffers");
        else
            *(void**)&real_swap = dlsym(RTLD_NEXT, "glXSwapBuffers"); // the form POSIX gives for this
    }
    if (swap_stream)
        write_time(swap_stream, &now);
    else if (swap_log && swap_count < MAX_SWAP_TIMES)
        swap_times[swap_count] = now;
    glGetIntegerv(GL_VIEWPORT, last_viewport);
    if (swap_count == 0)
        for (int i = 0; i < 4; i++)
            first_viewport[i] = last_viewport[i];
    swap_count++;
    if (grab_dir && wanted(swap_count))
        grab(swap_count, last_viewport);
    if (real_swap)
        real_swap(display, drawable);
}

// What Wine gets for glXGetProcAddressARB: libGL's own answer, except this probe's glXSwapBuffers.
static ProcAddress probe_get_proc_address(const GLubyte* name)
{
    if (strcmp((const char*)name, "glXSwapBuffers") == 0)
        return (ProcAddress)glXSwapBuffers;
    return real_get_proc_address ? real_get_proc_address(name) : NULL;
}

// Every dlsym of the process: glXGetProcAddress(ARB) looked up in libGL becomes the probe's.
void* dlsym(void* handle, const char* name)
{
    static void* (*real_dlsym)(void*, const char*);
    if (!real_dlsym) {
        *(void**)&real_dlsym = dlvsym(RTLD_NEXT, "dlsym", "GLIBC_2.34");
        if (!real_dlsym)
            *(void**)&real_dlsym = dlvsym(RTLD_NEXT, "dlsym", "GLIBC_2.2.5");
    }
    void* found = real_dlsym(handle, name);
    if (found && (strcmp(name, "glXGetProcAddressARB") == 0 || strcmp(name, "glXGetProcAddress") == 0)) {
        *(void**)&real_get_proc_address = found;
        ProcAddress (*wrapper)(const GLubyte*) = probe_get_proc_address;
        void* handed_out;
        memcpy(&handed_out, &wrapper, sizeof handed_out);
        return handed_out;
    }
    return found;
}

// Runs as the process exits (the intro ends through exit on its exit key). A process that never
// swapped (one of Wine's helpers) leaves the logs alone.
__attribute__((destructor)) static void write_logs(void)
{
    if (swap_count == 0)
        return;
    if (swap_stream)
        fclose(swap_stream);
    FILE* file = swap_log ? fopen(swap_log, "w") : NULL;
    if (file) {
        for (long i = 0; i < swap_count && i < MAX_SWAP_TIMES; i++)
            write_time(file, &swap_times[i]);
        fclose(file);
    }
    const char* probe_log = getenv("GLIMMERHORN_GL_PROBE_LOG");
    file = probe_log ? fopen(probe_log, "w") : NULL;
    if (file) {
        fprintf(file, "swaps %ld\n", swap_count);
        fprintf(file, "first_viewport %d %d %d %d\n", first_viewport[0], first_viewport[1], first_viewport[2],
            first_viewport[3]);
        fprintf(file, "last_viewport %d %d %d %d\n", last_viewport[0], last_viewport[1], last_viewport[2],
            last_viewport[3]);
        fclose(file);
    }
}

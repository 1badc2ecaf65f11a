// Preloaded into the intro by bench/pacing.py: notes the time of every buffer swap from outside the program.
#define _GNU_SOURCE
#include <GL/glx.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

// One record per swap, kept in memory and written out when the process ends; a run of a few
// minutes at 100 frames a second fits.
typedef struct SwapRecord {
    struct timespec wall;
    struct timespec cpu;
} SwapRecord;

enum { MAX_SWAPS = 1 << 17 };

static SwapRecord swaps[MAX_SWAPS];
static int swap_count;
static void (*real_swap)(Display*, GLXDrawable);
// With GLIMMERHORN_SWAP_STREAM set, records go to that file as they come instead (long runs).
static FILE* stream;
static int stream_checked;

// Called by freeglut's glutSwapBuffers in place of libGL's: the monotonic time and the process's
// CPU time (every thread, Mesa's included) as the swap is asked for, then the real swap.
void glXSwapBuffers(Display* display, GLXDrawable drawable)
{
    if (!stream_checked) {
        const char* path = getenv("GLIMMERHORN_SWAP_STREAM");
        stream = path ? fopen(path, "w") : NULL;
        stream_checked = 1;
    }
    if (stream) {
        struct timespec wall, cpu;
        clock_gettime(CLOCK_MONOTONIC, &wall);
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        fprintf(stream, "%lld.%09ld %lld.%09ld\n", (long long)wall.tv_sec, wall.tv_nsec,
            (long long)cpu.tv_sec, cpu.tv_nsec);
    } else if (swap_count < MAX_SWAPS) {
        clock_gettime(CLOCK_MONOTONIC, &swaps[swap_count].wall);
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &swaps[swap_count].cpu);
        swap_count++;
    }
    if (!real_swap)
        *(void**)&real_swap = dlsym(RTLD_NEXT, "glXSwapBuffers"); // the form POSIX gives for this
    if (real_swap)
        real_swap(display, drawable);
}

// Runs as the process exits (the intro ends through exit on its exit key): one line per swap,
// monotonic and CPU seconds, into the file named by GLIMMERHORN_SWAP_LOG.
__attribute__((destructor)) static void write_swaps(void)
{
    if (stream)
        fclose(stream);
    const char* path = getenv("GLIMMERHORN_SWAP_LOG");
    if (!path)
        return;
    FILE* file = fopen(path, "w");
    if (!file)
        return;
    for (int i = 0; i < swap_count; i++)
        fprintf(file, "%lld.%09ld %lld.%09ld\n", (long long)swaps[i].wall.tv_sec, swaps[i].wall.tv_nsec,
            (long long)swaps[i].cpu.tv_sec, swaps[i].cpu.tv_nsec);
    fclose(file);
}

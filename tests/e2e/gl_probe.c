// Preloaded into the intro by end-to-end tests: notes GL state at every buffer swap, from outside the
// program.
#define _GNU_SOURCE
#include <GL/gl.h>
#include <GL/glx.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

static long swap_count;
static GLint first_viewport[4];
static GLint last_viewport[4];
static void (*real_swap)(Display*, GLXDrawable);

// Called by freeglut's glutSwapBuffers in place of libGL's, with the intro's context current:
// the viewport the frame was drawn with, then the real swap.
void glXSwapBuffers(Display* display, GLXDrawable drawable)
{
    glGetIntegerv(GL_VIEWPORT, last_viewport);
    if (swap_count == 0)
        for (int i = 0; i < 4; i++)
            first_viewport[i] = last_viewport[i];
    swap_count++;
    if (!real_swap)
        *(void**)&real_swap = dlsym(RTLD_NEXT, "glXSwapBuffers"); // the form POSIX gives for this
    if (real_swap)
        real_swap(display, drawable);
}

// Runs as the process exits: the swap count and the first and last viewports, into the file named
// by GLIMMERHORN_GL_PROBE_LOG.
__attribute__((destructor)) static void write_probe(void)
{
    const char* path = getenv("GLIMMERHORN_GL_PROBE_LOG");
    if (!path)
        return;
    FILE* file = fopen(path, "w");
    if (!file)
        return;
    fprintf(file, "swaps %ld\n", swap_count);
    fprintf(file, "first_viewport %d %d %d %d\n", first_viewport[0], first_viewport[1], first_viewport[2],
        first_viewport[3]);
    fprintf(file, "last_viewport %d %d %d %d\n", last_viewport[0], last_viewport[1], last_viewport[2],
        last_viewport[3]);
    fclose(file);
}

// Preloaded into the intro by end-to-end tests: keeps chosen frames exactly as drawn, before their swap.
#define _GNU_SOURCE
#include <GL/gl.h>
#include <GL/glx.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static long swap_count;
static void (*real_swap)(Display*, GLXDrawable);

// True when frame `number` is listed in GLIMMERHORN_GRAB_FRAMES (numbers separated by blanks).
static int wanted(long number)
{
    const char* list = getenv("GLIMMERHORN_GRAB_FRAMES");
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

// Writes the back buffer's viewport as <GLIMMERHORN_GRAB_DIR>/frame-<number>.ppm, top row first,
// through a temporary name so a reader never sees half a file.
static void grab(long number)
{
    const char* folder = getenv("GLIMMERHORN_GRAB_DIR");
    if (!folder)
        return;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
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
    snprintf(path, sizeof path, "%s/frame-%ld.ppm", folder, number);
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

// Called by freeglut's glutSwapBuffers in place of libGL's, with the intro's context current.
void glXSwapBuffers(Display* display, GLXDrawable drawable)
{
    swap_count++;
    if (wanted(swap_count))
        grab(swap_count);
    if (!real_swap)
        *(void**)&real_swap = dlsym(RTLD_NEXT, "glXSwapBuffers"); // the form POSIX gives for this
    if (real_swap)
        real_swap(display, drawable);
}

// Scene benchmark: frames drawn back to back on the real GL, nine ornaments and the letters in sight,
// beside bare frames (clear and swap only) measured in the same run.
#include <GL/freeglut.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "app.h"
#include "platform.h"
#include "scene.h"

// The window's display callback: every frame here is drawn by main itself.
static void on_expose() { }

static int ornaments_alive()
{
    int alive = 0;
    for (const OrnamentSlot& slot : scene.ornament_slots)
        alive += slot.active;
    return alive;
}

static double seconds(clockid_t clock)
{
    timespec now;
    clock_gettime(clock, &now);
    return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

struct Timing {
    std::vector<double> wall;
    double process_cpu = 0;
    double thread_cpu = 0;
};

// One frame as on_display draws it, without the pacing: clear, the scene or nothing, flush, swap.
static void timed_frame(bool with_scene, Timing* timing)
{
    const double wall = seconds(CLOCK_MONOTONIC);
    const double process = seconds(CLOCK_PROCESS_CPUTIME_ID);
    const double thread = seconds(CLOCK_THREAD_CPUTIME_ID);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (with_scene)
        draw_frame();
    glFlush();
    glutSwapBuffers();
    timing->wall.push_back(seconds(CLOCK_MONOTONIC) - wall);
    timing->process_cpu += seconds(CLOCK_PROCESS_CPUTIME_ID) - process;
    timing->thread_cpu += seconds(CLOCK_THREAD_CPUTIME_ID) - thread;
}

static void report(const char* name, Timing* timing)
{
    std::vector<double>& wall = timing->wall;
    std::sort(wall.begin(), wall.end());
    double sum = 0;
    for (double w : wall)
        sum += w;
    const double frames = (double)wall.size();
    printf("%-12s %6zu frames  wall mean %7.3f ms  p50 %7.3f ms  p95 %7.3f ms  cpu (all threads) %7.3f ms"
           "  cpu (main thread) %7.3f ms\n",
        name, wall.size(), sum / frames * 1e3, wall[wall.size() / 2] * 1e3,
        wall[wall.size() * 95 / 100] * 1e3, timing->process_cpu / frames * 1e3,
        timing->thread_cpu / frames * 1e3);
}

// Run from the folder holding gfx.data, on an X display: scene_frame [16|32] [frames a block] [blocks].
int main(int argc, char** argv)
{
    const int bits = argc > 1 ? atoi(argv[1]) : 32;
    const int block = argc > 2 ? atoi(argv[2]) : 200;
    const int blocks = argc > 3 ? atoi(argv[3]) : 5;
    const bool truecolor = bits == 32;

    // the intro's own window and GL state, without the question and the display switch
    init_glut();
    open_window(truecolor);
    glutDisplayFunc(on_expose);
    for (int i = 0; i < 10; i++)
        glutMainLoopEvent();
    init_scene(truecolor, INTRO_PICTURE);
    // the tune has its own benchmark; here it would only add its audio thread to the CPU figures
    player_stop();
    player_free();

    // Run the intro until nine ornaments are in the air, then draw that same frame over and over.
    int frame = 0;
    while (ornaments_alive() < 9 && frame < 5000) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw_frame();
        glFlush();
        glutSwapBuffers();
        frame++;
    }
    if (ornaments_alive() < 9) {
        fprintf(stderr, "nine ornaments never flew at once in %d frames\n", frame);
        return 1;
    }
    const SceneState nine = scene;
    printf("%s-bit mode, renderer %s, frame %d of the intro (%d ornaments, %d letters' lists)\n",
        truecolor ? "32" : "16", (const char*)glGetString(GL_RENDERER), frame + 1, ornaments_alive(), 18);

    Timing bare;
    Timing drawn;
    for (int b = 0; b < blocks; b++) {
        for (int i = 0; i < block; i++)
            timed_frame(false, &bare);
        for (int i = 0; i < block; i++) {
            scene = nine;
            timed_frame(true, &drawn);
        }
    }
    report("bare frame", &bare);
    report("scene frame", &drawn);
    return 0;
}

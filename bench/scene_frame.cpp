// Scene benchmark: frames drawn back to back on the real GL, nine ornaments and the letters in sight,
// beside bare frames (clear and swap only) measured in the same run.
#include <GL/freeglut.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "app.h"
#include "media.h"
#include "platform.h"
#include "scene.h"

// The tune has its own benchmark; here it would only add its audio thread to the CPU figures.
void start_music() { }

struct SceneState {
    OrnamentSlot slots[ORNAMENT_SLOT_COUNT];
    int next_slot;
    int counter;
    float offset;
    int start;
    float phase_x;
    float phase_y;
    float phase_z;
};

static SceneState save_scene()
{
    SceneState state;
    memcpy(state.slots, ornament_slots, sizeof state.slots);
    state.next_slot = next_ornament_slot;
    state.counter = spawn_counter;
    state.offset = scroll_offset;
    state.start = scroll_start;
    state.phase_x = wave_phase_x;
    state.phase_y = wave_phase_y;
    state.phase_z = wave_phase_z;
    return state;
}

static void restore_scene(const SceneState& state)
{
    memcpy(ornament_slots, state.slots, sizeof state.slots);
    next_ornament_slot = state.next_slot;
    spawn_counter = state.counter;
    scroll_offset = state.offset;
    scroll_start = state.start;
    wave_phase_x = state.phase_x;
    wave_phase_y = state.phase_y;
    wave_phase_z = state.phase_z;
}

// The window's display callback: every frame here is drawn by main itself.
static void on_expose() { }

static int ornaments_alive()
{
    int alive = 0;
    for (const OrnamentSlot& slot : ornament_slots)
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
static void timed_frame(bool scene, Timing* timing)
{
    const double wall = seconds(CLOCK_MONOTONIC);
    const double process = seconds(CLOCK_PROCESS_CPUTIME_ID);
    const double thread = seconds(CLOCK_THREAD_CPUTIME_ID);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (scene)
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
    truecolor_mode = bits == 32;
    display_bpp = bits;

    static char empty_name[] = "";
    static char* glut_argv[] = { empty_name, nullptr };
    int glut_argc = 1;
    glutInit(&glut_argc, glut_argv);
    glutInitDisplayMode(truecolor_mode ? GLUT_RGB | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH
                                       : GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    glutCreateWindow("Glimmerhorn!");
    swap_control_disable();
    glutFullScreen();
    glutDisplayFunc(on_expose);
    for (int i = 0; i < 10; i++)
        glutMainLoopEvent();
    init_scene();

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
    const SceneState nine = save_scene();
    printf("%s-bit mode, renderer %s, frame %d of the intro (%d ornaments, %d letters' lists)\n",
        truecolor_mode ? "32" : "16", (const char*)glGetString(GL_RENDERER), frame + 1, ornaments_alive(),
        18);

    Timing bare;
    Timing scene;
    for (int b = 0; b < blocks; b++) {
        for (int i = 0; i < block; i++)
            timed_frame(false, &bare);
        for (int i = 0; i < block; i++) {
            restore_scene(nine);
            timed_frame(true, &scene);
        }
    }
    report("bare frame", &bare);
    report("scene frame", &scene);
    return 0;
}

// The scene's own cost: draw_frame with nine ornaments and the letters against the recording GL with
// recording off, so what is timed is the scene's code and nothing of a GL implementation.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "fakes.h"
#include "scene.h"

static double seconds(clockid_t clock)
{
    timespec now;
    clock_gettime(clock, &now);
    return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

static int ornaments_alive()
{
    int alive = 0;
    for (const OrnamentSlot& slot : scene.ornament_slots)
        alive += slot.active;
    return alive;
}

// bench_scene_code [frames]: prints the time per frame of draw_frame alone.
int main(int argc, char** argv)
{
    const long frames = argc > 1 ? atol(argv[1]) : 200000;
    // set-up without the picture or the tune, which are no part of a frame: the media stand in
    loader_script.writes_size = true;
    loader_script.width = 1024;
    loader_script.height = 1024;
    init_scene(true, INTRO_PICTURE);
    fake_log.recording = false;
    int frame = 0;
    while (ornaments_alive() < 9) {
        draw_frame();
        frame++;
    }
    const SceneState nine = scene;

    // the scene is put back before every frame, so nine stay in the air
    const double wall = seconds(CLOCK_MONOTONIC);
    const double cpu = seconds(CLOCK_THREAD_CPUTIME_ID);
    for (long n = 0; n < frames; n++) {
        scene = nine;
        draw_frame();
    }
    const double wall_us = (seconds(CLOCK_MONOTONIC) - wall) / (double)frames * 1e6;
    const double cpu_us = (seconds(CLOCK_THREAD_CPUTIME_ID) - cpu) / (double)frames * 1e6;
    printf("scene code alone (GL calls into a no-op fake), from frame %d with %d ornaments: %ld frames, "
           "wall %.3f us, cpu %.3f us per frame\n",
        frame + 1, ornaments_alive(), frames, wall_us, cpu_us);
    return 0;
}

// A stand-in for the scene, for tests of the app: set-up and the frame as single log entries.
#include "fakes.h"
#include "scene.h"

SceneStandIn scene_stand_in;

void init_scene(bool truecolor, const char* picture)
{
    fake_record("init_scene", { truecolor ? 1.0 : 0.0 }, picture);
}

void draw_frame()
{
    fake_record("draw_frame");
    const double end = now_ms() + scene_stand_in.draw_ms;
    while (now_ms() < end) { }
    scene_stand_in.draw_end_ms = now_ms();
}

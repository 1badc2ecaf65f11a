// Scene set-up: the fixed GL state, the lights and the lists, once before the first frame.
#include "scene.h"

unsigned int background_texture = 0;
int background_width = 0;
int scroll_length = 0;

// Called once by run_intro with the window's GL context current.
void init_scene()
{
}

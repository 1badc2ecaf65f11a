// The wave scroller: 18 block letters riding three sine waves through the scroll text.
#include "scene.h"

float scroll_offset = 0;
int scroll_start = 0;
float wave_phase_x = 0;
float wave_phase_y = 0;
float wave_phase_z = 0;

void draw_scroller()
{
}

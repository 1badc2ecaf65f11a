// Frame composition: the backdrop, ornament and scroller passes.
#include "scene.h"

// Called by on_display once per frame, between the clear and the swap.
void draw_frame()
{
}

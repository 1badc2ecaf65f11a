// Off-screen drawing for the capture: an EGL context with no window, drawing into pbuffers.
#pragma once

// Makes an EGL context with no window (Mesa's surfaceless platform), desktop OpenGL in the
// compatibility profile, current on the calling thread and drawing into a pbuffer of width x height
// with an alpha channel (truecolor) or in 5-6-5 bits. Says why on stderr and returns false when it
// cannot be made.
bool offscreen_open(int width, int height, bool truecolor);
// Reads the finished frame into pixels: width x height x 4 bytes (B, G, R, unused), bottom row first.
void offscreen_read(unsigned char* pixels);
// The backdrop pass drawn once into a buffer of its own, and copied into each frame before its layers.
bool offscreen_keep_backdrop();
void offscreen_put_backdrop();
// Destroys the context with everything made in it; the next offscreen_open starts afresh.
void offscreen_close();

// The tune as the capture renders it: the platform layer under init_scene for the capture keeps the
// module that start_music loads instead of playing it, and these say what start_music made of it.
#pragma once

#include <cstddef>

// Frames a second of the loaded tune; 0 when start_music did not get it playing.
int tune_rate();
// The length of one pass of the loaded tune in seconds.
double tune_pass_seconds();
// The length of one pass of the embedded tune in seconds, with nothing loaded: what --help states.
double tune_embedded_pass_seconds();
// Renders the next frames of stereo sound (interleaved floats) into out, from the tune's start on.
void tune_read(float* out, size_t frames);
// Drops the module; the next start_music loads it afresh from its first sample.
void tune_free();

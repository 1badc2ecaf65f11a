// Media: the background picture's decoder and the start of the music.
#pragma once

#include <cstddef>

constexpr int JPEG_SKIP_BYTES = 1;

// The largest pixel block the loader will hold: a 16384 x 16384 picture, 768 MiB. OpenGL drivers
// seldom take a bigger texture, so such a picture could hardly be shown; refusing it up front keeps a
// lying header (65500 x 65500 claims 12 GB) from holding the machine for minutes.
constexpr size_t JPEG_MAX_BLOCK_BYTES = (size_t)16384 * 16384 * 3;

// Called by init_scene with "gfx.data". Returns a heap block of width x height x 3 bytes (R, G, B,
// top row first) that the caller frees, or null after showing why.
unsigned char* read_jpeg_image(const char* path, int* width, int* height);

// Called by init_scene as its last step: starts the looped module, or says why not.
void start_music();

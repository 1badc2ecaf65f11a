// Media: the background picture's decoder and the start of the music.
#pragma once

constexpr int JPEG_SKIP_BYTES = 1;

// Called by init_scene with "gfx.data". Returns a heap block of width x height x 3 bytes (R, G, B,
// top row first) that the caller frees, or null after showing why.
unsigned char* read_jpeg_image(const char* path, int* width, int* height);

// Called by init_scene as its last step: starts the looped module, or says why not.
void start_music();

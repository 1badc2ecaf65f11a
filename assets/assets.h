// Constant data of the program: block font, scroll text, ornament mesh, music module.
#pragma once

#include <cstddef>
#include <cstdint>

// Block font.

// Scroll text: ISO 8859-1, NUL-terminated.
extern const char scroll_text[];

// Ornament mesh.

// Music module: assets/music.xm, embedded at build time and followed by zero bytes.
extern const unsigned char music_module[];
extern const size_t music_module_size;

// Constant data of the program: block font, scroll text, ornament mesh, music module.
#pragma once

#include <cstddef>
#include <cstdint>

// The ISO 8859-1 text of the scroller, NUL-terminated.
extern const char scroll_text[];

// The XM module, embedded from assets/music.xm at build time and followed by zero bytes.
extern const unsigned char music_module[];
extern const size_t music_module_size;

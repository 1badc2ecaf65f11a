// A palette made for a clip: 255 colours chosen by median cut from a count of the clip's pixels, and
// a 256th left transparent for pixels that stay as they were.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int PALETTE_BITS = 6; // per channel, in the count and in the lookup
constexpr size_t PALETTE_CELLS = (size_t)1 << (3 * PALETTE_BITS);
constexpr int PALETTE_TRANSPARENT = 255;
struct ColourCell {
    uint64_t count;
    uint64_t red;
    uint64_t green;
    uint64_t blue;
};
// Zero-initialised before the first palette_count.
struct PaletteCount {
    ColourCell cells[PALETTE_CELLS];
    long frames; // frames counted
};
// Adds width x height pixels (B, G, R, unused) to count.
void palette_count(PaletteCount* count, const unsigned char* pixels, int width, int height);
// Chooses the colours (0xAARRGGBB) and the lookup (PALETTE_CELLS entries) from a cell to its nearest
// colour.
void palette_make(const PaletteCount* count, uint32_t colours[256], unsigned char* lookup);
// Writes one palette index a pixel; source rows are source_stride bytes apart (negative: upwards).
void palette_map(const unsigned char* lookup, const unsigned char* source, long source_stride,
    unsigned char* out, long out_stride, int width, int height);

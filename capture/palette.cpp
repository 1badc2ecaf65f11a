// A GIF's palette made for its clip: a count of the clip's colours cut into 255 boxes at their medians.
#include <cstring>

#include "palette.h"

constexpr int CELL_LEVELS = 1 << PALETTE_BITS;
constexpr int CELL_SHIFT = 8 - PALETTE_BITS;

static size_t cell_of(int red, int green, int blue)
{
    return ((size_t)(red >> CELL_SHIFT) << (2 * PALETTE_BITS))
        | ((size_t)(green >> CELL_SHIFT) << PALETTE_BITS) | (size_t)(blue >> CELL_SHIFT);
}

// Called for every frame of the clip, before any is encoded.
void palette_count(PaletteCount* count, const unsigned char* pixels, int width, int height)
{
    const size_t total = (size_t)width * (size_t)height;
    for (size_t i = 0; i < total; i++) {
        const unsigned char* p = pixels + i * 4;
        ColourCell& cell = count->cells[cell_of(p[2], p[1], p[0])];
        cell.count++;
        cell.red += p[2];
        cell.green += p[1];
        cell.blue += p[0];
    }
    count->frames++;
}

// A box of cells, bounds inclusive, in cell units per channel (red, green, blue).
struct ColourBox {
    int low[3];
    int high[3];
    uint64_t pixels;
};

// Sums the cells of a box, and narrows it to the cells that hold any pixel.
static void measure_box(const PaletteCount* count, ColourBox* box, uint64_t sums[3])
{
    int low[3] = { CELL_LEVELS, CELL_LEVELS, CELL_LEVELS };
    int high[3] = { -1, -1, -1 };
    box->pixels = 0;
    sums[0] = sums[1] = sums[2] = 0;
    for (int r = box->low[0]; r <= box->high[0]; r++) {
        for (int g = box->low[1]; g <= box->high[1]; g++) {
            for (int b = box->low[2]; b <= box->high[2]; b++) {
                const ColourCell& cell = count->cells[((size_t)r << (2 * PALETTE_BITS))
                    | ((size_t)g << PALETTE_BITS) | (size_t)b];
                if (cell.count == 0)
                    continue;
                const int at[3] = { r, g, b };
                for (int c = 0; c < 3; c++) {
                    low[c] = at[c] < low[c] ? at[c] : low[c];
                    high[c] = at[c] > high[c] ? at[c] : high[c];
                }
                box->pixels += cell.count;
                sums[0] += cell.red;
                sums[1] += cell.green;
                sums[2] += cell.blue;
            }
        }
    }
    if (box->pixels == 0)
        return;
    memcpy(box->low, low, sizeof low);
    memcpy(box->high, high, sizeof high);
}

// The channel a box is longest in, and that length in cells.
static int longest_side(const ColourBox& box, int* length)
{
    int best = 0;
    for (int c = 1; c < 3; c++)
        if (box.high[c] - box.low[c] > box.high[best] - box.low[best])
            best = c;
    *length = box.high[best] - box.low[best];
    return best;
}

// Splits box in two halves of about as many pixels along its longest side: box keeps the lower half.
static void split_box(const PaletteCount* count, ColourBox* box, ColourBox* upper)
{
    int length = 0;
    const int channel = longest_side(*box, &length);
    uint64_t per_level[CELL_LEVELS] = {};
    for (int r = box->low[0]; r <= box->high[0]; r++)
        for (int g = box->low[1]; g <= box->high[1]; g++)
            for (int b = box->low[2]; b <= box->high[2]; b++) {
                const int at[3] = { r, g, b };
                per_level[at[channel]] += count
                                              ->cells[((size_t)r << (2 * PALETTE_BITS))
                                                  | ((size_t)g << PALETTE_BITS) | (size_t)b]
                                              .count;
            }
    // the last level of the lower half: where half the pixels are reached, but never the top level
    uint64_t below = 0;
    int cut = box->low[channel];
    for (; cut < box->high[channel] - 1; cut++) {
        below += per_level[cut];
        if (below * 2 >= box->pixels)
            break;
    }
    *upper = *box;
    box->high[channel] = cut;
    upper->low[channel] = cut + 1;
}

// Called once the clip is counted. Entry 255 is left transparent: the GIF encoder puts it where a
// pixel is the same as in the frame before, which is most of the picture.
void palette_make(const PaletteCount* count, uint32_t colours[256], unsigned char* lookup)
{
    ColourBox boxes[PALETTE_TRANSPARENT];
    uint64_t sums[PALETTE_TRANSPARENT][3];
    int used = 1;
    boxes[0] = ColourBox { { 0, 0, 0 }, { CELL_LEVELS - 1, CELL_LEVELS - 1, CELL_LEVELS - 1 }, 0 };
    measure_box(count, &boxes[0], sums[0]);
    while (used < PALETTE_TRANSPARENT) {
        // the box with the most pixels times its length goes next: crowded and wide boxes split first
        int chosen = -1;
        uint64_t chosen_weight = 0;
        for (int i = 0; i < used; i++) {
            int length = 0;
            longest_side(boxes[i], &length);
            const uint64_t weight = boxes[i].pixels * (uint64_t)length;
            if (weight > chosen_weight) {
                chosen_weight = weight;
                chosen = i;
            }
        }
        if (chosen < 0)
            break; // every box is a single cell
        split_box(count, &boxes[chosen], &boxes[used]);
        measure_box(count, &boxes[chosen], sums[chosen]);
        measure_box(count, &boxes[used], sums[used]);
        used++;
    }

    int red[256] = {};
    int green[256] = {};
    int blue[256] = {};
    for (int i = 0; i < 256; i++) {
        if (i < used && boxes[i].pixels > 0) {
            const uint64_t n = boxes[i].pixels;
            red[i] = (int)((sums[i][0] + n / 2) / n);
            green[i] = (int)((sums[i][1] + n / 2) / n);
            blue[i] = (int)((sums[i][2] + n / 2) / n);
        }
        const uint32_t alpha = i == PALETTE_TRANSPARENT ? 0u : 0xFFu;
        colours[i] = alpha << 24 | (uint32_t)red[i] << 16 | (uint32_t)green[i] << 8 | (uint32_t)blue[i];
    }

    // every cell takes the nearest colour to its middle
    for (size_t cell = 0; cell < PALETTE_CELLS; cell++) {
        const int half = 1 << CELL_SHIFT >> 1;
        const int r = (int)(cell >> (2 * PALETTE_BITS)) << CELL_SHIFT | half;
        const int g = (int)(cell >> PALETTE_BITS & (CELL_LEVELS - 1)) << CELL_SHIFT | half;
        const int b = (int)(cell & (CELL_LEVELS - 1)) << CELL_SHIFT | half;
        int best = 0;
        int best_distance = 1 << 30;
        for (int i = 0; i < used; i++) {
            const int dr = r - red[i];
            const int dg = g - green[i];
            const int db = b - blue[i];
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < best_distance) {
                best_distance = distance;
                best = i;
            }
        }
        lookup[cell] = (unsigned char)best;
    }
}

// Called by the encoding thread for every GIF frame.
void palette_map(const unsigned char* lookup, const unsigned char* source, long source_stride,
    unsigned char* out, long out_stride, int width, int height)
{
    for (int y = 0; y < height; y++) {
        const unsigned char* p = source + y * source_stride;
        unsigned char* q = out + y * out_stride;
        for (int x = 0; x < width; x++, p += 4)
            q[x] = lookup[cell_of(p[2], p[1], p[0])];
    }
}

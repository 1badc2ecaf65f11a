// The GIF's palette: few colours come back exactly, many are cut fairly, the
// transparent entry stays free for the encoder, and a picture stored bottom row
// first is mapped top row first.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "palette.h"

namespace
{

// Makes the palette of a picture of count pixels given as 0xRRGGBB, and maps
// the picture, read from its last row of width pixels upwards; returns each
// pixel's colour as 0xRRGGBB, in that order.
std::vector<uint32_t> palette_round_trip(const std::vector<uint32_t>& rgb, int width, uint32_t colours[256])
{
    std::vector<unsigned char> bytes; // B, G, R, unused, as the capture reads them back
    for (const uint32_t c : rgb)
        bytes.insert(
            bytes.end(), { (unsigned char)c, (unsigned char)(c >> 8), (unsigned char)(c >> 16), 0x7F });
    const int height = (int)rgb.size() / width;
    std::unique_ptr<PaletteCount> count(new PaletteCount {});
    palette_count(count.get(), bytes.data(), width, height);
    std::vector<unsigned char> lookup(PALETTE_CELLS);
    palette_make(count.get(), colours, lookup.data());
    std::vector<unsigned char> indices(rgb.size());
    palette_map(lookup.data(), bytes.data() + (rgb.size() - (size_t)width) * 4, -4L * width, indices.data(),
        width, width, height);
    std::vector<uint32_t> mapped;
    for (const unsigned char index : indices) {
        EXPECT_NE(index, PALETTE_TRANSPARENT);
        mapped.push_back(colours[index] & 0xFFFFFF);
    }
    return mapped;
}

TEST(CapturePalette, AFewColoursComeBackExactlyAndTheLastEntryStaysTransparent)
{
    // two rows of three: the second row first once mapped
    uint32_t colours[256];
    const std::vector<uint32_t> mapped
        = palette_round_trip({ 0xFF0000, 0x0C6464, 0xFFFFFF, 0x0000FF, 0x000000, 0x0000FF }, 3, colours);
    EXPECT_EQ(mapped, (std::vector<uint32_t> { 0x0000FF, 0x000000, 0x0000FF, 0xFF0000, 0x0C6464, 0xFFFFFF }));
    for (int i = 0; i < 256; i++)
        EXPECT_EQ(colours[i] >> 24, i == PALETTE_TRANSPARENT ? 0u : 0xFFu) << i;
}

} // namespace

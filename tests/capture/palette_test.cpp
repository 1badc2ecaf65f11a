// The GIF's palette: few colours come back exactly, many are cut fairly, the transparent entry stays
// free for the encoder, and pictures are mapped whichever way up they are stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "palette.h"

namespace
{

struct Rgb {
    int red;
    int green;
    int blue;
};

// A picture as the capture reads it back: B, G, R and an unused byte a pixel.
std::vector<unsigned char> picture(const std::vector<Rgb>& pixels)
{
    std::vector<unsigned char> bytes;
    for (const Rgb& p : pixels)
        bytes.insert(
            bytes.end(), { (unsigned char)p.blue, (unsigned char)p.green, (unsigned char)p.red, 0x7F });
    return bytes;
}

struct Palette {
    std::unique_ptr<PaletteCount> count { new PaletteCount {} };
    uint32_t colours[256] = {};
    std::vector<unsigned char> lookup = std::vector<unsigned char>(PALETTE_CELLS);

    Rgb colour(int index) const
    {
        const uint32_t c = colours[index];
        return { (int)(c >> 16 & 0xFF), (int)(c >> 8 & 0xFF), (int)(c & 0xFF) };
    }
    // The indices of a one-row picture.
    std::vector<unsigned char> map(const std::vector<unsigned char>& bytes) const
    {
        const int width = (int)bytes.size() / 4;
        std::vector<unsigned char> out((size_t)width);
        palette_map(lookup.data(), bytes.data(), width * 4L, out.data(), width, width, 1);
        return out;
    }
};

TEST(CapturePalette, AFewColoursComeBackExactlyAndTheLastEntryStaysTransparent)
{
    const std::vector<Rgb> used
        = { { 255, 0, 0 }, { 0, 0, 255 }, { 12, 200, 100 }, { 255, 255, 255 }, { 0, 0, 0 } };
    std::vector<Rgb> pixels;
    for (int i = 0; i < 1000; i++)
        pixels.push_back(used[(size_t)(i * 3 + i / 7) % used.size()]);
    const std::vector<unsigned char> bytes = picture(pixels);
    Palette palette;
    palette_count(palette.count.get(), bytes.data(), 100, 10);
    palette_count(palette.count.get(), bytes.data(), 100, 10);
    EXPECT_EQ(palette.count->frames, 2);
    palette_make(palette.count.get(), palette.colours, palette.lookup.data());

    for (int i = 0; i < 256; i++)
        EXPECT_EQ(palette.colours[i] >> 24, i == PALETTE_TRANSPARENT ? 0u : 0xFFu) << i;
    const std::vector<unsigned char> indices = palette.map(bytes);
    for (size_t i = 0; i < pixels.size(); i++) {
        ASSERT_NE(indices[i], PALETTE_TRANSPARENT);
        const Rgb got = palette.colour(indices[i]);
        EXPECT_EQ(got.red, pixels[i].red);
        EXPECT_EQ(got.green, pixels[i].green);
        EXPECT_EQ(got.blue, pixels[i].blue);
    }
}

TEST(CapturePalette, ManyColoursAreCutIntoAllEntriesWithSmallErrors)
{
    // every 4th level of red and green, blue from both: 64 x 64 colours, more than fit
    std::vector<Rgb> pixels;
    for (int r = 0; r < 256; r += 4)
        for (int g = 0; g < 256; g += 4)
            pixels.push_back({ r, g, (r + g) / 2 });
    const std::vector<unsigned char> bytes = picture(pixels);
    Palette palette;
    palette_count(palette.count.get(), bytes.data(), 64, 64);
    palette_make(palette.count.get(), palette.colours, palette.lookup.data());

    const std::vector<unsigned char> indices = palette.map(bytes);
    std::vector<bool> seen(256);
    long total = 0;
    int worst = 0;
    for (size_t i = 0; i < pixels.size(); i++) {
        seen[indices[i]] = true;
        const Rgb got = palette.colour(indices[i]);
        for (const int error :
            { got.red - pixels[i].red, got.green - pixels[i].green, got.blue - pixels[i].blue }) {
            total += abs(error);
            worst = std::max(worst, abs(error));
        }
    }
    EXPECT_FALSE(seen[PALETTE_TRANSPARENT]);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), PALETTE_TRANSPARENT);
    // 255 boxes over a 64 x 64 square: about 4 x 4 of its colours each, 16 levels wide
    EXPECT_LT((double)total / (double)(pixels.size() * 3), 6.0);
    EXPECT_LE(worst, 24);
}

TEST(CapturePalette, PicturesStoredBottomRowFirstAreMappedTopRowFirst)
{
    Palette palette;
    const std::vector<unsigned char> bytes
        = picture({ { 255, 0, 0 }, { 255, 0, 0 }, { 0, 0, 255 }, { 0, 255, 0 } });
    palette_count(palette.count.get(), bytes.data(), 2, 2);
    palette_make(palette.count.get(), palette.colours, palette.lookup.data());
    unsigned char out[2][3] = {};
    // the last row first, rows going upwards; the output's rows 3 bytes apart
    palette_map(palette.lookup.data(), bytes.data() + 8, -8, &out[0][0], 3, 2, 2);
    EXPECT_EQ(palette.colour(out[0][0]).blue, 255);
    EXPECT_EQ(palette.colour(out[0][1]).green, 255);
    EXPECT_EQ(palette.colour(out[1][0]).red, 255);
    EXPECT_EQ(palette.colour(out[1][1]).red, 255);
    EXPECT_EQ(out[0][2], 0);
}

} // namespace

// The picture loader on JPEG files the tests make themselves: layouts, lead byte, every failure box.
#include <gtest/gtest.h>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "fakes.h"
#include "jpeg_samples.h"
#include "media.h"

namespace
{

const char JPEG_ERROR[] = "JPEG Error|";
const int WARNING_STYLE = 48; // MB_OK | MB_ICONWARNING
const int NOT_WRITTEN = -7;

class JpegImage : public testing::Test
{
protected:
    std::string dir;
    int width = NOT_WRITTEN;
    int height = NOT_WRITTEN;

    void SetUp() override
    {
        fake_platform_reset();
        fake_calls_clear();
        char name[] = "/tmp/jpeg_image_test.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override { EXPECT_EQ(system(("rm -rf " + dir).c_str()), 0); }

    // Writes the bytes as a file and loads it; the caller frees the result.
    unsigned char* load(const Bytes& file)
    {
        const std::string path = dir + "/gfx.data";
        EXPECT_TRUE(write_file(path, file));
        return read_jpeg_image(path.c_str(), &width, &height);
    }

    // The boxes shown, as "caption|text".
    static std::vector<std::string> boxes()
    {
        std::vector<std::string> shown;
        for (const FakeCall& call : fake_calls_named("message_box_show"))
            shown.push_back(call.text);
        return shown;
    }
    static std::vector<int> box_styles()
    {
        std::vector<int> styles;
        for (const FakeCall& call : fake_calls_named("message_box_show"))
            styles.push_back((int)call.args.at(0));
        return styles;
    }
};

// The block as a vector of exactly width x height x 3 bytes (reading past it would trip ASan).
Bytes block_bytes(const unsigned char* pixels, int width, int height)
{
    return Bytes(pixels, pixels + (size_t)width * (size_t)height * 3);
}

TEST_F(JpegImage, ColourPictureGivesRgbRowsFromTheTopInOneBlock)
{
    const Bytes stream = encode_sample(SampleKind::colour, 1024, 1024);
    unsigned char* pixels = load(with_lead_byte(0x00, stream));
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(height, 1024);
    EXPECT_GE(malloc_usable_size(pixels), (size_t)3 * 1024 * 1024);

    // top-left pixel red, bottom-right yellow (flat 16 x 16 corners: only the lossy coding moves them)
    EXPECT_NEAR(pixels[0], 230, 6);
    EXPECT_NEAR(pixels[1], 20, 6);
    EXPECT_NEAR(pixels[2], 20, 6);
    const size_t last = (size_t)3 * 1024 * 1024 - 3;
    EXPECT_NEAR(pixels[last + 0], 230, 6);
    EXPECT_NEAR(pixels[last + 1], 230, 6);
    EXPECT_NEAR(pixels[last + 2], 20, 6);
    // top-right blue: the first row is the top of the picture, not its bottom
    EXPECT_NEAR(pixels[1023 * 3 + 2], 230, 6);

    int ref_width, ref_height, ref_components;
    const Bytes expected = reference_decode(stream, &ref_width, &ref_height, &ref_components);
    ASSERT_EQ(ref_components, 3);
    EXPECT_TRUE(block_bytes(pixels, width, height) == expected);
    EXPECT_TRUE(boxes().empty());
    free(pixels);
}

TEST_F(JpegImage, RowsFollowEachOtherWithoutGapsWhateverTheWidth)
{
    for (SampleKind kind : { SampleKind::colour, SampleKind::progressive }) {
        const Bytes stream = encode_sample(kind, 37, 23);
        unsigned char* pixels = load(with_lead_byte(0x00, stream));
        ASSERT_NE(pixels, nullptr);
        EXPECT_EQ(width, 37);
        EXPECT_EQ(height, 23);
        int ref_width, ref_height, ref_components;
        EXPECT_TRUE(block_bytes(pixels, width, height)
            == reference_decode(stream, &ref_width, &ref_height, &ref_components));
        free(pixels);
    }
    EXPECT_TRUE(boxes().empty());
}

TEST_F(JpegImage, GreySamplesAreSpreadOverRedGreenAndBlue)
{
    const Bytes stream = encode_sample(SampleKind::grey, 37, 21);
    unsigned char* pixels = load(with_lead_byte(0x00, stream));
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, 37);
    EXPECT_EQ(height, 21);
    int ref_width, ref_height, ref_components;
    const Bytes grey = reference_decode(stream, &ref_width, &ref_height, &ref_components);
    ASSERT_EQ(ref_components, 1);
    ASSERT_EQ(grey.size(), (size_t)37 * 21);
    for (size_t i = 0; i < grey.size(); i++) {
        ASSERT_EQ(pixels[i * 3 + 0], grey[i]) << "pixel " << i;
        ASSERT_EQ(pixels[i * 3 + 1], grey[i]) << "pixel " << i;
        ASSERT_EQ(pixels[i * 3 + 2], grey[i]) << "pixel " << i;
    }
    EXPECT_TRUE(boxes().empty());
    free(pixels);
}

TEST_F(JpegImage, TheLeadByteIsSkippedWhateverItsValue)
{
    const Bytes stream = encode_sample(SampleKind::colour, 64, 32);
    Bytes first;
    for (int lead : { 0x00, 0xFF, 0x7F }) {
        unsigned char* pixels = load(with_lead_byte((unsigned char)lead, stream));
        ASSERT_NE(pixels, nullptr) << "lead byte " << lead;
        const Bytes block = block_bytes(pixels, width, height);
        if (first.empty())
            first = block;
        EXPECT_TRUE(block == first) << "lead byte " << lead;
        free(pixels);
    }
    EXPECT_TRUE(boxes().empty());
}

TEST_F(JpegImage, PlainJpegWithoutLeadByteIsNotAJpegToTheLoader)
{
    unsigned char* pixels = load(encode_sample(SampleKind::colour, 64, 32));
    EXPECT_EQ(pixels, nullptr);
    EXPECT_EQ(boxes(),
        std::vector<std::string> { std::string(JPEG_ERROR) + "Not a JPEG file: starts with 0xd8 0xff" });
    EXPECT_EQ(box_styles(), std::vector<int> { 0 }); // MB_OK alone, no icon
    // the header was never read, so neither out-value is written
    EXPECT_EQ(width, NOT_WRITTEN);
    EXPECT_EQ(height, NOT_WRITTEN);
}

TEST_F(JpegImage, EmptyAndOneByteFilesAreEmptyInput)
{
    EXPECT_EQ(load(Bytes()), nullptr);
    EXPECT_EQ(load(Bytes(1, 0x00)), nullptr);
    const std::string empty = std::string(JPEG_ERROR) + "Empty input file";
    EXPECT_EQ(boxes(), (std::vector<std::string> { empty, empty }));
    EXPECT_EQ(box_styles(), (std::vector<int> { 0, 0 }));
}

TEST_F(JpegImage, StreamCutShortShowsOnlyTheFirstWarningAndGivesTheWholePicture)
{
    const Bytes stream = encode_sample(SampleKind::colour, 256, 128);
    Bytes cut = stream;
    cut.resize(stream.size() / 2);
    unsigned char* pixels = load(with_lead_byte(0x00, cut));
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, 256);
    EXPECT_EQ(height, 128);
    // the cut also leaves a data segment short, a second warning that is only counted
    EXPECT_EQ(boxes(), std::vector<std::string> { std::string(JPEG_ERROR) + "Premature end of JPEG file" });
    // what was there decodes as it would have whole
    int ref_width, ref_height, ref_components;
    const Bytes whole = reference_decode(stream, &ref_width, &ref_height, &ref_components);
    EXPECT_TRUE(std::equal(pixels, pixels + 256 * 3 * 16, whole.begin()));
    block_bytes(pixels, width, height); // the whole block is there to read
    free(pixels);
}

TEST_F(JpegImage, FatalErrorAfterTheBlockWasMadeFreesItAndReturnsNone)
{
    // the second scan is met by jpeg_finish_decompress, after every row was stored
    unsigned char* pixels
        = load(with_lead_byte(0x00, with_second_scan(encode_sample(SampleKind::colour, 48, 32))));
    EXPECT_EQ(pixels, nullptr);
    EXPECT_EQ(
        boxes(), std::vector<std::string> { std::string(JPEG_ERROR) + "Didn't expect more than one scan" });
    EXPECT_EQ(width, 48);
    EXPECT_EQ(height, 32);
    // the loader is usable again after the jump
    pixels = load(with_lead_byte(0x00, encode_sample(SampleKind::colour, 48, 32)));
    EXPECT_NE(pixels, nullptr);
    free(pixels);
}

TEST_F(JpegImage, CmykPictureGivesAZeroFilledBlock)
{
    unsigned char* pixels = load(with_lead_byte(0x00, encode_sample(SampleKind::cmyk, 40, 24)));
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, 40);
    EXPECT_EQ(height, 24);
    const Bytes block = block_bytes(pixels, width, height);
    EXPECT_TRUE(block == Bytes((size_t)40 * 24 * 3, 0));
    EXPECT_TRUE(boxes().empty());
    free(pixels);
}

TEST_F(JpegImage, HugeHeaderIsRefusedAsOutOfMemoryWithoutWrapping)
{
    // 65500 x 65500 x 3 is 12,871,575,000 bytes: an int would wrap it to a small positive size
    unsigned char* pixels = load(
        with_lead_byte(0x00, with_frame_size(encode_sample(SampleKind::colour, 16, 16), 65500, 65500)));
    EXPECT_EQ(pixels, nullptr);
    EXPECT_EQ(boxes(), std::vector<std::string> { "Glimmerhorn!|Out of memory when loading graphics" });
    EXPECT_EQ(box_styles(), std::vector<int> { WARNING_STYLE });
    // decoding had started, so both out-values are written
    EXPECT_EQ(width, 65500);
    EXPECT_EQ(height, 65500);
}

TEST_F(JpegImage, TooBigProgressivePictureIsRefusedBeforeTheLibraryBuffersIt)
{
    // 17000 x 17000 is just over the limit; a progressive decoder would first take 1.7 GB of
    // coefficients and then decode 289 million pixels of nothing
    const Bytes stream = with_frame_size(encode_sample(SampleKind::progressive, 16, 16), 17000, 17000);
    unsigned char* pixels = load(with_lead_byte(0x00, stream));
    EXPECT_EQ(pixels, nullptr);
    EXPECT_EQ(boxes(), std::vector<std::string> { "Glimmerhorn!|Out of memory when loading graphics" });
    EXPECT_EQ(width, 17000);
    EXPECT_EQ(height, 17000);
    EXPECT_GT((size_t)17000 * 17000 * 3, JPEG_MAX_BLOCK_BYTES);
}

TEST_F(JpegImage, WideButShortHeaderStillDecodes)
{
    // 65500 x 16 is 3 MB: allowed; the scan is far too short for it, which is a warning only
    unsigned char* pixels
        = load(with_lead_byte(0x00, with_frame_size(encode_sample(SampleKind::colour, 16, 16), 65500, 16)));
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, 65500);
    EXPECT_EQ(height, 16);
    EXPECT_EQ(boxes().size(), 1u);
    block_bytes(pixels, width, height);
    free(pixels);
}

TEST_F(JpegImage, MissingFileIsNamedInAWarningAndLeavesTheSizesAlone)
{
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    unsigned char* pixels = read_jpeg_image("gfx.data", &width, &height);
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_EQ(pixels, nullptr);
    EXPECT_EQ(boxes(), std::vector<std::string> { "Glimmerhorn!|Can't open JPEG file gfx.data\n" });
    EXPECT_EQ(box_styles(), std::vector<int> { WARNING_STYLE });
    EXPECT_EQ(width, NOT_WRITTEN);
    EXPECT_EQ(height, NOT_WRITTEN);
}

TEST_F(JpegImage, LongMissingPathIsCutShortInTheMessage)
{
    const std::string path = dir + "/" + std::string(600, 'x');
    EXPECT_EQ(read_jpeg_image(path.c_str(), &width, &height), nullptr);
    const std::vector<std::string> shown = boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("Glimmerhorn!|Can't open JPEG file /tmp/", 0), 0u) << shown[0];
    EXPECT_LT(shown[0].size(), 300u);
}

} // namespace

namespace
{

// Marks the screen pixels (800 x 600, row 0 at the top) that the scroller's letters can cover: every
// letter place from where letters enter to where they leave, every height and depth the waves take
// them to, the whole glyph box, seen through the scroller's camera (eye (0, 3.5, 0) looking at
// (1.2, 0, -4), up (1, 1.3, -1), 90 degrees high, aspect 4:3).
std::vector<bool> letter_reach()
{
    const double eye[3] = { 0.0, 3.5, 0.0 };
    double f[3] = { 1.2, -3.5, -4.0 };
    const double up[3] = { 1.0, 1.3, -1.0 };
    auto normalise = [](double* v) {
        const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        for (int i = 0; i < 3; i++)
            v[i] /= length;
    };
    normalise(f);
    double side[3]
        = { f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2], f[0] * up[1] - f[1] * up[0] };
    normalise(side);
    const double upward[3] = { side[1] * f[2] - side[2] * f[1], side[2] * f[0] - side[0] * f[2],
        side[0] * f[1] - side[1] * f[0] };
    std::vector<bool> reach(800 * 600, false);
    for (double tx = -7.4; tx < 16.2; tx += 0.1)
        for (double ty = -0.6; ty <= 0.61; ty += 0.3)
            for (double tz = -4.0; tz <= -1.99; tz += 0.25)
                for (double lx : { 0.0, 0.57, 1.14 })
                    for (double ly : { 0.0, 0.4, 0.8, 1.2, 1.57 })
                        for (double lz : { 0.0, 0.29 }) {
                            const double d[3] = { tx + lx - eye[0], ty + ly - eye[1], tz + lz - eye[2] };
                            const double depth = d[0] * f[0] + d[1] * f[1] + d[2] * f[2];
                            if (depth < 0.1)
                                continue;
                            const double sx
                                = (d[0] * side[0] + d[1] * side[1] + d[2] * side[2]) / depth * 0.75;
                            const double sy
                                = (d[0] * upward[0] + d[1] * upward[1] + d[2] * upward[2]) / depth;
                            const int px = (int)((sx + 1.0) * 400.0), py = (int)((1.0 - sy) * 300.0);
                            for (int dy = -8; dy <= 8; dy += 4)
                                for (int dx = -8; dx <= 8; dx += 4)
                                    if (px + dx >= 0 && px + dx < 800 && py + dy >= 0 && py + dy < 600)
                                        reach[(size_t)(py + dy) * 800 + (size_t)(px + dx)] = true;
                        }
    return reach;
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[(size_t)(p * (double)(values.size() - 1))];
}

TEST_F(JpegImage, ShippedPictureIsDarkWhereTheLettersRunAndDetailedElsewhere)
{
    unsigned char* pixels = read_jpeg_image(GLIMMERHORN_PICTURE, &width, &height);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(height, 1024);
    EXPECT_TRUE(boxes().empty());
    // the screen shows columns 224..1023 and rows 0..599
    const std::vector<bool> reach = letter_reach();
    std::vector<double> band, view;
    for (int y = 0; y < 600; y++) {
        for (int x = 0; x < 800; x++) {
            const unsigned char* p = pixels + ((size_t)y * 1024 + (size_t)(x + 224)) * 3;
            const double luma = 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
            view.push_back(luma);
            if (reach[(size_t)y * 800 + (size_t)x])
                band.push_back(luma);
        }
    }
    // the letters reach a broad diagonal band, about half of the screen
    EXPECT_GT(band.size(), view.size() / 3);
    EXPECT_LT(band.size(), view.size() * 2 / 3);
    double band_sum = 0.0;
    for (double luma : band)
        band_sum += luma;
    EXPECT_LT(band_sum / (double)band.size(), 40.0);
    EXPECT_LT(percentile(band, 0.95), 90.0);
    // not a flat fill: stars, moon, snow and trees spread the levels
    EXPECT_GT(percentile(view, 0.99) - percentile(view, 0.01), 60.0);
    EXPECT_GT(percentile(view, 0.9999), 200.0);
    free(pixels);
}

} // namespace

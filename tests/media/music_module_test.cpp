// The tune as a file: its XM headers and layout, what libopenmpt makes of it, its level and its loop,
// and the copy embedded in the program.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "assets.h"
#include "sound_test_support.h"

namespace
{

const int ORDER_LIST[] = { 21, 10, 0, 9, 1, 2, 1, 5, 6, 7, 6, 7, 11, 12, 13, 12, 14, 15, 16, 15, 17, 3, 4, 3,
    4, 18, 19, 18, 20 };
const int RATE = 44100;

std::vector<unsigned char> read_module_file()
{
    std::ifstream file(GLIMMERHORN_MUSIC_FILE, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

unsigned u16(const std::vector<unsigned char>& data, size_t at) { return data.at(at) | data.at(at + 1) << 8; }
unsigned long u32(const std::vector<unsigned char>& data, size_t at)
{
    return u16(data, at) | (unsigned long)u16(data, at + 2) << 16;
}

// One unpacked pattern cell.
struct Cell {
    int note, instrument, volume, effect, param;
};

// The patterns of the file, unpacked; also gives where the pattern block ends.
std::vector<std::vector<Cell>> read_patterns(const std::vector<unsigned char>& data, size_t* end)
{
    std::vector<std::vector<Cell>> patterns;
    size_t at = 336;
    for (int p = 0; p < 22; p++) {
        EXPECT_EQ(u32(data, at), 9u) << "pattern " << p;
        EXPECT_EQ(data.at(at + 4), 0) << "pattern " << p;
        EXPECT_EQ(u16(data, at + 5), 64u) << "pattern " << p;
        const size_t packed_end = at + 9 + u16(data, at + 7);
        std::vector<Cell> cells;
        at += 9;
        while (at < packed_end) {
            int fields[5] = { 0, 0, 0, 0, 0 };
            const unsigned char first = data.at(at);
            if (first & 0x80) {
                at++;
                for (int bit = 0; bit < 5; bit++)
                    if (first & (1 << bit))
                        fields[bit] = data.at(at++);
            } else {
                for (int& field : fields)
                    field = data.at(at++);
            }
            cells.push_back(Cell { fields[0], fields[1], fields[2], fields[3], fields[4] });
        }
        EXPECT_EQ(at, packed_end) << "pattern " << p;
        EXPECT_EQ(cells.size(), 64u * 4u) << "pattern " << p;
        patterns.push_back(cells);
    }
    *end = at;
    return patterns;
}

// Renders seconds of the module (looped without end) as interleaved stereo floats.
std::vector<float> render(openmpt_module* module, double seconds)
{
    std::vector<float> out((size_t)(seconds * RATE) * 2);
    size_t done = 0;
    while (done < out.size() / 2) {
        const size_t got = openmpt_module_read_interleaved_float_stereo(
            module, RATE, std::min<size_t>(4096, out.size() / 2 - done), out.data() + done * 2);
        if (got == 0)
            break;
        done += got;
    }
    out.resize(done * 2);
    return out;
}

double rms_db(const float* samples, size_t count)
{
    double sum = 0.0;
    for (size_t i = 0; i < count; i++)
        sum += (double)samples[i] * samples[i];
    return 10.0 * log10(sum / (double)count);
}

class MusicModule : public testing::Test
{
protected:
    void SetUp() override
    {
        data = read_module_file();
        ASSERT_EQ(data.size(), 91443u);
        module = openmpt_module_create_from_memory2(data.data(), data.size(), openmpt_log_func_silent,
            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override
    {
        if (module != nullptr)
            openmpt_module_destroy(module);
    }
    std::vector<unsigned char> data;
    openmpt_module* module = nullptr;
};

TEST_F(MusicModule, HeaderIsAnXmOfFourChannelsTwentyTwoPatternsAndTwentyNineOrders)
{
    EXPECT_EQ(std::string(data.begin(), data.begin() + 17), "Extended Module: ");
    const std::string title(data.begin() + 17, data.begin() + 37);
    EXPECT_NE(title[0], '\0');
    EXPECT_EQ(data[37], 0x1A);
    EXPECT_EQ(std::string(data.begin() + 38, data.begin() + 58), "FastTracker v2.00   ");
    EXPECT_EQ(u16(data, 58), 0x0104u);
    EXPECT_EQ(u32(data, 60), 276u);
    EXPECT_EQ(u16(data, 64), 29u); // song length
    EXPECT_EQ(u16(data, 66), 0u); // restart position
    EXPECT_EQ(u16(data, 68), 4u); // channels
    EXPECT_EQ(u16(data, 70), 22u); // patterns
    EXPECT_EQ(u16(data, 72), 32u); // instruments
    EXPECT_EQ(u16(data, 74), 0u); // Amiga frequency table
    EXPECT_EQ(u16(data, 76), 6u); // ticks a row
    EXPECT_EQ(u16(data, 78), 125u); // BPM
    for (int i = 0; i < 29; i++)
        EXPECT_EQ(data[80 + i], ORDER_LIST[i]) << "order " << i;
}

TEST_F(MusicModule, PatternsAndInstrumentsFillTheirFixedBlocksToTheLastByte)
{
    size_t at = 0;
    read_patterns(data, &at);
    EXPECT_EQ(at, 336u + 13923u);

    std::set<int> with_sample;
    int forward = 0, unlooped = 0;
    for (int number = 1; number <= 32; number++) {
        const unsigned long header_size = u32(data, at);
        const unsigned sample_count = u16(data, at + 27);
        ASSERT_LE(sample_count, 1u) << "instrument " << number;
        const size_t sample_header = at + header_size;
        at = sample_header;
        if (sample_count == 0)
            continue;
        with_sample.insert(number);
        const unsigned long length = u32(data, sample_header);
        const unsigned long loop_start = u32(data, sample_header + 4);
        const unsigned long loop_length = u32(data, sample_header + 8);
        const int type = data.at(sample_header + 14);
        EXPECT_EQ(type & 0x10, 0) << "instrument " << number << " is 8-bit";
        if ((type & 3) == 1) {
            forward++;
            EXPECT_GT(loop_length, 0u);
            EXPECT_LE(loop_start + loop_length, length) << "instrument " << number;
        } else {
            EXPECT_EQ(type & 3, 0) << "instrument " << number;
            unlooped++;
        }
        at = sample_header + 40 + length;
    }
    EXPECT_EQ(at, data.size());
    EXPECT_EQ(at - (336u + 13923u), 77184u);
    EXPECT_EQ(with_sample, (std::set<int> { 1, 2, 3, 12, 13, 15, 32 }));
    EXPECT_EQ(forward, 5);
    EXPECT_EQ(unlooped, 2);
}

TEST_F(MusicModule, LeadInSetsItsPaceAndBreaksAfterFourRowsThenEveryRowSwingsItsSpeed)
{
    size_t end = 0;
    const std::vector<std::vector<Cell>> patterns = read_patterns(data, &end);
    auto effects_of_row = [&](int pattern, int row) {
        std::set<std::pair<int, int>> effects;
        for (int channel = 0; channel < 4; channel++) {
            const Cell& cell = patterns[pattern][row * 4 + channel];
            if (cell.effect != 0 || cell.param != 0)
                effects.insert({ cell.effect, cell.param });
        }
        return effects;
    };
    EXPECT_TRUE(effects_of_row(21, 0).count({ 0x0F, 5 })); // speed 5
    EXPECT_TRUE(effects_of_row(21, 0).count({ 0x0F, 125 })); // 125 BPM
    EXPECT_TRUE(effects_of_row(21, 1).empty());
    EXPECT_TRUE(effects_of_row(21, 2).empty());
    EXPECT_TRUE(effects_of_row(21, 3).count({ 0x0D, 0 })); // pattern break after the fourth row

    for (int order = 1; order < 29; order++) {
        const int pattern = ORDER_LIST[order];
        int previous = -1, changes = 0;
        for (int row = 0; row < 64; row++) {
            for (const std::pair<int, int>& effect : effects_of_row(pattern, row)) {
                EXPECT_NE(effect.first, 0x0D) << "pattern " << pattern << " row " << row << " breaks early";
                if (effect.first == 0x0F && effect.second < 0x20) {
                    changes += previous != -1 && effect.second != previous;
                    previous = effect.second;
                }
            }
        }
        EXPECT_GE(changes, 32) << "pattern " << pattern;
    }
    for (int order : ORDER_LIST)
        EXPECT_NE(order, 8);
}

TEST_F(MusicModule, LibopenmptReadsItAsTheTabledXmOfAboutOneHundredThirtyNineSeconds)
{
    const char* type = openmpt_module_get_metadata(module, "type");
    EXPECT_STREQ(type, "xm");
    openmpt_free_string(type);
    EXPECT_EQ(openmpt_module_get_num_channels(module), 4);
    EXPECT_EQ(openmpt_module_get_num_patterns(module), 22);
    EXPECT_EQ(openmpt_module_get_num_orders(module), 29);
    for (int order = 0; order < 29; order++)
        EXPECT_EQ(openmpt_module_get_order_pattern(module, order), ORDER_LIST[order]) << "order " << order;
    EXPECT_EQ(openmpt_module_get_num_instruments(module), 32);
    EXPECT_EQ(openmpt_module_get_num_samples(module), 7);
    EXPECT_NEAR(openmpt_module_get_duration_seconds(module), 139.0, 3.0);
}

TEST_F(MusicModule, AFullPassPeaksBelowFullScaleWithAnRmsBetweenMinusTwentyAndMinusTwelveDecibels)
{
    const double duration = openmpt_module_get_duration_seconds(module);
    const std::vector<float> pass = render(module, duration + 1.0); // repeat count 0: stops at the end
    ASSERT_NEAR((double)pass.size() / 2 / RATE, duration, 0.5);
    float peak = 0.0f;
    for (float sample : pass)
        peak = std::max(peak, std::fabs(sample));
    EXPECT_LT(peak, 1.0f);
    EXPECT_GT(peak, 0.1f);
    const double level = rms_db(pass.data(), pass.size());
    EXPECT_GT(level, -20.0);
    EXPECT_LT(level, -12.0);
}

TEST_F(MusicModule, PlayedWithoutEndItStartsAgainFromTheLeadInAfterOnePass)
{
    openmpt_module_set_repeat_count(module, -1);
    const double duration = openmpt_module_get_duration_seconds(module);
    const std::vector<float> audio = render(module, duration + 8.0);
    ASSERT_EQ(audio.size(), (size_t)((duration + 8.0) * RATE) * 2);
    // three seconds into each pass (the coda's last notes have died away by then), four seconds of the intro
    const size_t first = (size_t)(3.0 * RATE) * 2;
    const size_t second = (size_t)((duration + 3.0) * RATE) * 2;
    const size_t count = (size_t)(4.0 * RATE) * 2;
    EXPECT_GT(rms_db(audio.data() + second, count), -40.0);
    EXPECT_GT(correlation(audio.data() + first, audio.data() + second, count), 0.95);
}

TEST(EmbeddedMusic, TheProgramCarriesTheFileByteForByteFollowedByZeroBytes)
{
    const std::vector<unsigned char> file = read_module_file();
    ASSERT_EQ(file.size(), 91443u);
    ASSERT_EQ(music_module_size, file.size());
    EXPECT_EQ(memcmp(music_module, file.data(), file.size()), 0);
    for (size_t i = 0; i < 16; i++)
        EXPECT_EQ(music_module[music_module_size + i], 0) << "byte " << i << " after the module";
}

} // namespace

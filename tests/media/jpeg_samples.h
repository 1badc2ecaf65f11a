// JPEG files the picture tests make for themselves with libjpeg's encoder, and a reference decoder.
#pragma once

#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// Kinds of stream: baseline colour (YCbCr), greyscale, CMYK (four components), progressive colour.
enum class SampleKind { colour, grey, cmyk, progressive };

// Pixels in the encoder's input layout: width x height x (3, 1 or 4) samples, top row first.
// Every pixel's value comes from a smooth pattern, with flat 16 x 16 corners of four colours so the
// corner pixels survive the lossy coding within a few steps.
Bytes sample_pixels(SampleKind kind, int width, int height);
// The JPEG stream (no lead byte) of those pixels at quality 95.
Bytes encode_sample(SampleKind kind, int width, int height);
// Encodes pixels laid out as sample_pixels would give them.
Bytes encode_pixels(const Bytes& pixels, SampleKind kind, int width, int height, int quality);
// Decodes a stream with the library's defaults straight from memory: RGB for colour, one sample
// for grey. Sets width, height and components.
Bytes reference_decode(const Bytes& stream, int* width, int* height, int* components);

// The stream with its start-of-frame size fields overwritten.
Bytes with_frame_size(Bytes stream, int width, int height);
// The stream with its one scan given twice: the library takes the second for damage it cannot pass.
Bytes with_second_scan(const Bytes& stream);
// The seed files of the loader's fuzz target, by name: every file the tests below use.
std::vector<std::pair<std::string, Bytes>> fuzz_seed_files();

bool write_file(const std::string& path, const Bytes& bytes);
// A lead byte followed by the stream.
Bytes with_lead_byte(unsigned char lead, const Bytes& stream);

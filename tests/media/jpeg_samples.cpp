// JPEG files for the picture tests, made with libjpeg's encoder, and a plain reference decoder.
#include "jpeg_samples.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

static int components_of(SampleKind kind)
{
    switch (kind) {
    case SampleKind::grey:
        return 1;
    case SampleKind::cmyk:
        return 4;
    default:
        return 3;
    }
}

Bytes sample_pixels(SampleKind kind, int width, int height)
{
    const int components = components_of(kind);
    Bytes pixels((size_t)width * (size_t)height * (size_t)components);
    // corners (16 x 16, one colour block) flat: red top left, blue top right, green bottom left, yellow
    // bottom right
    const unsigned char corner[4][4]
        = { { 230, 20, 20, 0 }, { 20, 20, 230, 0 }, { 20, 230, 20, 0 }, { 230, 230, 20, 0 } };
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            unsigned char* p = &pixels[((size_t)y * (size_t)width + (size_t)x) * (size_t)components];
            const bool left = x < 16, right = x >= width - 16, top = y < 16, bottom = y >= height - 16;
            int value[4] = { (x * 255) / width, (y * 255) / height, ((x + y) * 97) % 256, (x ^ y) & 0xFF };
            if ((left || right) && (top || bottom)) {
                const int which = (top ? 0 : 2) + (right ? 1 : 0);
                for (int c = 0; c < 4; c++)
                    value[c] = corner[which][c];
            }
            if (components == 1)
                p[0] = (unsigned char)((value[0] + value[1]) / 2);
            else
                for (int c = 0; c < components; c++)
                    p[c] = (unsigned char)value[c];
        }
    }
    return pixels;
}

Bytes encode_pixels(const Bytes& pixels, SampleKind kind, int width, int height, int quality)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = (JDIMENSION)width;
    cinfo.image_height = (JDIMENSION)height;
    cinfo.input_components = components_of(kind);
    cinfo.in_color_space = kind == SampleKind::grey ? JCS_GRAYSCALE
        : kind == SampleKind::cmyk                  ? JCS_CMYK
                                                    : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (kind == SampleKind::progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    const size_t stride = (size_t)width * (size_t)cinfo.input_components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&pixels[cinfo.next_scanline * stride]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes stream(buffer, buffer + size);
    free(buffer);
    return stream;
}

Bytes encode_sample(SampleKind kind, int width, int height)
{
    return encode_pixels(sample_pixels(kind, width, height), kind, width, height, 95);
}

Bytes reference_decode(const Bytes& stream, int* width, int* height, int* components)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, stream.data(), (unsigned long)stream.size());
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    *width = (int)cinfo.output_width;
    *height = (int)cinfo.output_height;
    *components = cinfo.output_components;
    const size_t stride = (size_t)cinfo.output_width * (size_t)cinfo.output_components;
    Bytes pixels(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &pixels[cinfo.output_scanline * stride];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return pixels;
}

Bytes with_frame_size(Bytes stream, int width, int height)
{
    // SOF0 (FF C0) or SOF2 (FF C2): length (2), precision (1), height (2), width (2)
    for (size_t i = 2; i + 9 < stream.size(); i++) {
        if (stream[i] == 0xFF && (stream[i + 1] == 0xC0 || stream[i + 1] == 0xC2)) {
            stream[i + 5] = (unsigned char)(height >> 8);
            stream[i + 6] = (unsigned char)height;
            stream[i + 7] = (unsigned char)(width >> 8);
            stream[i + 8] = (unsigned char)width;
            break;
        }
    }
    return stream;
}

Bytes with_second_scan(const Bytes& stream)
{
    // the scan runs from its SOS marker (FF DA) to the EOI marker that ends the stream
    size_t sos = 0;
    for (size_t i = 2; i + 1 < stream.size(); i++) {
        if (stream[i] == 0xFF && stream[i + 1] == 0xDA) {
            sos = i;
            break;
        }
    }
    Bytes twice(stream.begin(), stream.end() - 2);
    twice.insert(twice.end(), stream.begin() + (long)sos, stream.end());
    return twice;
}

Bytes with_lead_byte(unsigned char lead, const Bytes& stream)
{
    Bytes file(1, lead);
    file.insert(file.end(), stream.begin(), stream.end());
    return file;
}

std::vector<std::pair<std::string, Bytes>> fuzz_seed_files()
{
    const Bytes colour = encode_sample(SampleKind::colour, 48, 32);
    Bytes cut = colour;
    cut.resize(cut.size() / 2);
    return {
        { "colour", with_lead_byte(0x00, colour) },
        { "grey", with_lead_byte(0xFF, encode_sample(SampleKind::grey, 37, 21)) },
        { "cmyk", with_lead_byte(0x7F, encode_sample(SampleKind::cmyk, 16, 16)) },
        { "progressive", with_lead_byte(0x00, encode_sample(SampleKind::progressive, 40, 24)) },
        { "cut_short", with_lead_byte(0x00, cut) },
        { "no_lead_byte", colour },
        { "two_scans", with_lead_byte(0x00, with_second_scan(colour)) },
        { "one_byte", Bytes(1, 0x00) },
        { "huge_header",
            with_lead_byte(0x00, with_frame_size(encode_sample(SampleKind::colour, 16, 16), 65500, 65500)) },
    };
}

bool write_file(const std::string& path, const Bytes& bytes)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

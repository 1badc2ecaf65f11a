// Paints the program's icon: the snowflake of the ornament mesh, seen from the front, on a night-blue
// disc. Writes one PNG per size named on the command line, make_icon OUT_DIR SIZE..., or one Windows
// icon file holding them all, make_icon OUT.ico SIZE...
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets.h"

struct Rgba {
    double r, g, b, a;
};

// Whole-image coverage: 8 x 8 samples a pixel.
static const int SAMPLES = 8;
// The flake's half-height in the icon, as a share of the icon's half-size.
static const double FLAKE_SCALE = 0.84 / 0.37;

static bool inside_triangle(const float (&c)[3][3], double x, double y)
{
    double d0 = (c[1][0] - c[0][0]) * (y - c[0][1]) - (c[1][1] - c[0][1]) * (x - c[0][0]);
    double d1 = (c[2][0] - c[1][0]) * (y - c[1][1]) - (c[2][1] - c[1][1]) * (x - c[1][0]);
    double d2 = (c[0][0] - c[2][0]) * (y - c[2][1]) - (c[0][1] - c[2][1]) * (x - c[2][0]);
    return (d0 >= 0 && d1 >= 0 && d2 >= 0) || (d0 <= 0 && d1 <= 0 && d2 <= 0);
}

// The front caps (normal +z) make the flake's silhouette.
static bool on_flake(double x, double y)
{
    for (const OrnamentTriangle& t : ornament_mesh)
        if (t.normal[2] > 0.5f && inside_triangle(t.corners, x, y))
            return true;
    return false;
}

static Rgba sample(double u, double v)
{
    // u, v in [-1, 1], v up
    const double radius = std::sqrt(u * u + v * v);
    if (radius > 0.97)
        return { 0, 0, 0, 0 };
    if (on_flake(u / FLAKE_SCALE, v / FLAKE_SCALE))
        return { 0.96, 0.98, 1.0, 1.0 };
    // night sky: deep blue at the rim, lighter towards the top
    const double glow = 0.5 + 0.5 * v;
    return { 0.05 + 0.10 * glow, 0.10 + 0.16 * glow, 0.28 + 0.22 * glow, 1.0 };
}

static void put32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back((uint8_t)(value >> shift));
}

static uint32_t crc32(const uint8_t* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; i++) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; bit++)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

static void chunk(std::vector<uint8_t>& png, const char* kind, const std::vector<uint8_t>& body)
{
    put32(png, (uint32_t)body.size());
    const size_t start = png.size();
    png.insert(png.end(), kind, kind + 4);
    png.insert(png.end(), body.begin(), body.end());
    put32(png, crc32(png.data() + start, png.size() - start));
}

// A PNG of RGBA rows, deflated as stored blocks: no compressor needed, and the same bytes every time.
static std::vector<uint8_t> encode_png(int size, const std::vector<uint8_t>& rgba)
{
    std::vector<uint8_t> raw;
    for (int y = 0; y < size; y++) {
        raw.push_back(0); // no filter
        raw.insert(
            raw.end(), rgba.begin() + (ptrdiff_t)y * size * 4, rgba.begin() + (ptrdiff_t)(y + 1) * size * 4);
    }
    std::vector<uint8_t> zlib = { 0x78, 0x01 };
    for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const size_t length = raw.size() - at < 65535 ? raw.size() - at : 65535;
        zlib.push_back(at + length == raw.size() ? 1 : 0);
        zlib.push_back((uint8_t)(length & 0xFF));
        zlib.push_back((uint8_t)(length >> 8));
        zlib.push_back((uint8_t)(~length & 0xFF));
        zlib.push_back((uint8_t)((~length >> 8) & 0xFF));
        zlib.insert(zlib.end(), raw.begin() + (ptrdiff_t)at, raw.begin() + (ptrdiff_t)(at + length));
    }
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32(zlib, (b << 16) | a);

    std::vector<uint8_t> png = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    std::vector<uint8_t> header;
    put32(header, (uint32_t)size);
    put32(header, (uint32_t)size);
    header.insert(header.end(), { 8, 6, 0, 0, 0 }); // 8-bit RGBA
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", zlib);
    chunk(png, "IEND", {});
    return png;
}

static std::vector<uint8_t> paint(int size)
{
    std::vector<uint8_t> rgba((size_t)size * size * 4);
    for (int py = 0; py < size; py++) {
        for (int px = 0; px < size; px++) {
            Rgba sum = { 0, 0, 0, 0 };
            for (int sy = 0; sy < SAMPLES; sy++) {
                for (int sx = 0; sx < SAMPLES; sx++) {
                    const double u = ((px + (sx + 0.5) / SAMPLES) / size) * 2 - 1;
                    const double v = 1 - ((py + (sy + 0.5) / SAMPLES) / size) * 2;
                    const Rgba s = sample(u, v);
                    sum = { sum.r + s.r * s.a, sum.g + s.g * s.a, sum.b + s.b * s.a, sum.a + s.a };
                }
            }
            uint8_t* out = &rgba[((size_t)py * size + px) * 4];
            const double alpha = sum.a / (SAMPLES * SAMPLES);
            out[0] = (uint8_t)std::lround(sum.a > 0 ? 255 * sum.r / sum.a : 0);
            out[1] = (uint8_t)std::lround(sum.a > 0 ? 255 * sum.g / sum.a : 0);
            out[2] = (uint8_t)std::lround(sum.a > 0 ? 255 * sum.b / sum.a : 0);
            out[3] = (uint8_t)std::lround(255 * alpha);
        }
    }
    return rgba;
}

static bool write_file(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = fopen(path.c_str(), "wb");
    const bool written = file && fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file && fclose(file) != 0)
        return false;
    if (!written)
        fprintf(stderr, "make_icon: cannot write %s\n", path.c_str());
    return written;
}

static void put_le(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; i++)
        out.push_back((uint8_t)(value >> (8 * i)));
}

// A Windows icon file: a directory of one entry per size, each image stored as a PNG (which Windows
// takes at every size). A width or height of 256 is written as 0.
static std::vector<uint8_t> encode_ico(const std::vector<int>& sizes, const std::vector<std::vector<uint8_t>>& pngs)
{
    std::vector<uint8_t> ico;
    put_le(ico, 0, 2); // reserved
    put_le(ico, 1, 2); // an icon, not a cursor
    put_le(ico, (uint32_t)sizes.size(), 2);
    uint32_t offset = (uint32_t)(6 + 16 * sizes.size());
    for (size_t i = 0; i < sizes.size(); i++) {
        // width, height, palette size, reserved, colour planes, bits per pixel, bytes, offset
        put_le(ico, (uint32_t)(sizes[i] & 0xFF), 1);
        put_le(ico, (uint32_t)(sizes[i] & 0xFF), 1);
        put_le(ico, 0, 1);
        put_le(ico, 0, 1);
        put_le(ico, 1, 2);
        put_le(ico, 32, 2);
        put_le(ico, (uint32_t)pngs[i].size(), 4);
        put_le(ico, offset, 4);
        offset += (uint32_t)pngs[i].size();
    }
    for (const std::vector<uint8_t>& png : pngs)
        ico.insert(ico.end(), png.begin(), png.end());
    return ico;
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: make_icon OUT_DIR SIZE... | make_icon OUT.ico SIZE...\n");
        return 2;
    }
    const std::string out = argv[1];
    const bool one_icon_file = out.size() > 4 && out.compare(out.size() - 4, 4, ".ico") == 0;
    std::vector<int> sizes;
    std::vector<std::vector<uint8_t>> pngs;
    for (int i = 2; i < argc; i++) {
        const int size = atoi(argv[i]);
        if (size < 8 || size > (one_icon_file ? 256 : 1024)) {
            fprintf(stderr, "make_icon: size %s is not between 8 and %d\n", argv[i], one_icon_file ? 256 : 1024);
            return 2;
        }
        sizes.push_back(size);
        pngs.push_back(encode_png(size, paint(size)));
        if (!one_icon_file && !write_file(out + "/glimmerhorn-" + argv[i] + ".png", pngs.back()))
            return 1;
    }
    if (one_icon_file && !write_file(out, encode_ico(sizes, pngs)))
        return 1;
    return 0;
}

// Paints the intro's background picture, a winter night, as gfx.data: one lead byte, then a JPEG.
// usage: make_picture OUTPUT
//
// Everything comes from the formulas and the fixed seeds below: no clock, no input file. The same
// libjpeg gives the same bytes, so tests regenerate the file and compare it with the committed one.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

constexpr int SIZE = 1024;
// The screen shows the right-most 800 columns and the top 600 rows: x 224..1023, y 0..599.
constexpr int VIEW_LEFT = SIZE - 800;
constexpr int VIEW_BOTTOM = 600;
constexpr int JPEG_QUALITY = 90;
constexpr unsigned char LEAD_BYTE = 0x00;

constexpr double PI = 3.14159265358979323846;

struct Colour {
    double r, g, b;
};

// The canvas, row 0 at the top, values 0..1 in display (gamma) space.
constexpr size_t PIXELS = (size_t)SIZE * SIZE;
static std::vector<Colour> canvas(PIXELS);

static Colour& at(int x, int y) { return canvas[(size_t)y * SIZE + (size_t)x]; }

static Colour mix(Colour a, Colour b, double t)
{
    return { a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t };
}

static Colour scale(Colour a, double k) { return { a.r * k, a.g * k, a.b * k }; }

static void add(int x, int y, Colour c, double k)
{
    if (x < 0 || y < 0 || x >= SIZE || y >= SIZE)
        return;
    Colour& p = at(x, y);
    p.r += c.r * k;
    p.g += c.g * k;
    p.b += c.b * k;
}

static void blend(int x, int y, Colour c, double coverage)
{
    if (x < 0 || y < 0 || x >= SIZE || y >= SIZE || coverage <= 0.0)
        return;
    Colour& p = at(x, y);
    p = mix(p, c, coverage > 1.0 ? 1.0 : coverage);
}

static double clamp01(double v) { return v < 0.0 ? 0.0 : v > 1.0 ? 1.0 : v; }

static double smoothstep(double a, double b, double v)
{
    const double t = clamp01((v - a) / (b - a));
    return t * t * (3.0 - 2.0 * t);
}

// splitmix64: the picture's one random sequence, from a fixed seed.
static uint64_t random_state = 0x57494E5445524E49ull;

static double random_unit()
{
    uint64_t z = (random_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return (double)(z >> 11) / 9007199254740992.0;
}

// A lattice value in 0..1 for integer coordinates and a seed, independent of the sequence above.
static double lattice(int64_t x, int64_t y, uint64_t seed)
{
    uint64_t h = (uint64_t)x * 0x9E3779B97F4A7C15ull ^ (uint64_t)y * 0xC2B2AE3D27D4EB4Full
        ^ seed * 0x165667B19E3779F9ull;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return (double)(h >> 11) / 9007199254740992.0;
}

// Smooth value noise in 0..1.
static double noise(double x, double y, uint64_t seed)
{
    const double fx = std::floor(x), fy = std::floor(y);
    const int64_t ix = (int64_t)fx, iy = (int64_t)fy;
    const double tx = smoothstep(0.0, 1.0, x - fx), ty = smoothstep(0.0, 1.0, y - fy);
    const double a = lattice(ix, iy, seed), b = lattice(ix + 1, iy, seed);
    const double c = lattice(ix, iy + 1, seed), d = lattice(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

// Fractal noise in about 0..1: octaves of value noise, each twice as fine and half as strong.
static double fractal(double x, double y, int octaves, uint64_t seed)
{
    double sum = 0.0, weight = 0.5, total = 0.0;
    for (int i = 0; i < octaves; i++) {
        sum += noise(x, y, seed + (uint64_t)i) * weight;
        total += weight;
        x *= 2.0;
        y *= 2.0;
        weight *= 0.5;
    }
    return sum / total;
}

// Sky: deep blue at the top, a faint violet glow over the horizon.
static void paint_sky()
{
    const Colour top = { 0.010, 0.014, 0.050 };
    const Colour middle = { 0.028, 0.046, 0.120 };
    const Colour low = { 0.085, 0.080, 0.185 };
    for (int y = 0; y < SIZE; y++) {
        const double t = y / 560.0;
        const Colour base = t < 0.55 ? mix(top, middle, smoothstep(0.0, 0.55, t))
                                     : mix(middle, low, smoothstep(0.55, 1.0, t));
        for (int x = 0; x < SIZE; x++) {
            // thin high cloud drifting across the sky
            const double veil = fractal(x / 180.0, y / 40.0, 5, 11) - 0.45;
            at(x, y) = mix(base, { 0.07, 0.08, 0.16 }, clamp01(veil * 0.5));
        }
    }
}

// One aurora curtain: a wavy lower edge, glowing rays rising from it and fading upwards.
struct Curtain {
    double base_y, tilt, amplitude, wavelength, phase, height, left, right, strength;
    uint64_t seed;
};

// clang-format off
static const Curtain curtains[] = {
    // base_y tilt  amplitude wavelength phase height left right strength seed
    {   200,  -0.24, 20,       330,       0.6,  170,   250, 830,  1.00,    21 }, // the bright band, above the letters
    {   150,  -0.20, 20,       290,       2.1,  110,   520, 1024, 0.50,    22 }, // behind it, to the right
    {   255,  -0.10, 16,       520,       4.0,   80,   0,   430,  0.35,    23 }, // low and faint, left
};
// clang-format on
static_assert(sizeof curtains / sizeof curtains[0] == 3, "three curtains");

static void paint_aurora()
{
    const Colour green = { 0.20, 0.95, 0.52 };
    const Colour teal = { 0.10, 0.55, 0.75 };
    const Colour violet = { 0.42, 0.18, 0.62 };
    for (const Curtain& c : curtains) {
        for (int x = 0; x < SIZE; x++) {
            const double edge = c.base_y + c.tilt * (x - 512.0)
                + c.amplitude * std::sin(2.0 * PI * x / c.wavelength + c.phase)
                + 0.35 * c.amplitude * std::sin(2.0 * PI * x / (c.wavelength * 0.37) + c.phase * 1.7)
                + 12.0 * (fractal(x / 45.0, 0.0, 3, c.seed + 40) - 0.5);
            const double envelope
                = smoothstep(c.left, c.left + 140.0, x) * (1.0 - smoothstep(c.right - 140.0, c.right, x));
            if (envelope <= 0.0)
                continue;
            for (int y = 0; y < (int)(edge + 20.0) && y < SIZE; y++) {
                const double above = edge - y;
                // the rays lean a little and flicker along the curtain
                const double ray_x = x + above * 0.18;
                const double rays = 0.35 + 0.65 * std::pow(fractal(ray_x / 9.0, 0.0, 3, c.seed), 1.6);
                const double fold = 0.6 + 0.4 * fractal(ray_x / 70.0, above / 200.0, 2, c.seed + 7);
                double k;
                if (above >= 0.0)
                    k = (std::exp(-above / (c.height * 0.45)) + 0.6 * std::exp(-above / 5.0))
                        * (1.0 - std::exp(-above / 2.0)) * rays * fold;
                else
                    k = std::exp(-(above * above) / 40.0) * 0.25 * rays;
                const double d = clamp01(above / c.height);
                const Colour tint = d < 0.5 ? mix(green, teal, d * 2.0) : mix(teal, violet, (d - 0.5) * 2.0);
                add(x, y, tint, k * c.strength * envelope * 0.42);
            }
        }
    }
}

// Stars: many faint, a few bright with a soft cross.
static void paint_stars()
{
    for (int i = 0; i < 2600; i++) {
        const double sx = random_unit() * SIZE;
        const double sy = random_unit() * 640.0;
        const double bright = 0.10 + 0.9 * std::pow(random_unit(), 7.0);
        const double warmth = random_unit();
        const Colour tint = warmth < 0.25 ? Colour { 1.0, 0.85, 0.70 }
            : warmth > 0.8                ? Colour { 0.75, 0.85, 1.0 }
                                          : Colour { 0.95, 0.95, 1.0 };
        // fewer and dimmer towards the horizon haze
        const double haze = 1.0 - smoothstep(380.0, 600.0, sy);
        const double k = bright * (0.25 + 0.75 * haze);
        const double sigma = 0.45 + 0.6 * bright;
        const int cx = (int)sx, cy = (int)sy;
        for (int dy = -3; dy <= 3; dy++) {
            for (int dx = -3; dx <= 3; dx++) {
                const double ddx = cx + dx + 0.5 - sx, ddy = cy + dy + 0.5 - sy;
                const double g = std::exp(-(ddx * ddx + ddy * ddy) / (2.0 * sigma * sigma));
                add(cx + dx, cy + dy, tint, k * g);
            }
        }
        if (bright > 0.62) {
            for (int d = 2; d <= 9; d++) {
                const double spike = k * 0.35 * std::exp(-d / 3.0);
                add(cx + d, cy, tint, spike);
                add(cx - d, cy, tint, spike);
                add(cx, cy + d, tint, spike);
                add(cx, cy - d, tint, spike);
            }
        }
    }
}

// top left of the screen: the letters run from bottom left to top right and leave this corner free
constexpr double MOON_X = 350.0;
constexpr double MOON_Y = 96.0;
constexpr double MOON_RADIUS = 40.0;

// The moon: a soft halo, then the disc with its darker seas.
static void paint_moon()
{
    const Colour halo = { 0.40, 0.46, 0.62 };
    for (int y = 0; y < 420; y++) {
        for (int x = 0; x < SIZE; x++) {
            const double r = std::hypot(x + 0.5 - MOON_X, y + 0.5 - MOON_Y);
            if (r > MOON_RADIUS)
                add(x, y, halo,
                    0.30 * std::exp(-(r - MOON_RADIUS) / 26.0) + 0.10 * std::exp(-(r - MOON_RADIUS) / 150.0));
        }
    }
    const Colour light = { 0.97, 0.96, 0.88 };
    const Colour sea = { 0.62, 0.64, 0.66 };
    for (int y = (int)(MOON_Y - MOON_RADIUS - 2); y <= (int)(MOON_Y + MOON_RADIUS + 2); y++) {
        for (int x = (int)(MOON_X - MOON_RADIUS - 2); x <= (int)(MOON_X + MOON_RADIUS + 2); x++) {
            const double dx = x + 0.5 - MOON_X, dy = y + 0.5 - MOON_Y;
            const double r = std::hypot(dx, dy);
            const double coverage = clamp01(MOON_RADIUS - r + 0.5);
            if (coverage <= 0.0)
                continue;
            const double seas = smoothstep(0.52, 0.66, fractal(dx / 22.0 + 3.0, dy / 22.0 + 5.0, 4, 31));
            const double craters = fractal(dx / 5.0, dy / 5.0, 3, 32) * 0.12;
            const double limb = 1.0 - 0.22 * std::pow(r / MOON_RADIUS, 3.0);
            const Colour surface = scale(mix(light, sea, seas * 0.8), limb * (0.94 + craters));
            blend(x, y, surface, coverage);
        }
    }
}

// A mountain peak: its top and how far to each side its flanks reach the ridge's base.
struct Peak {
    double x, top, half_width;
};

// A ridge line: rolling noise around a base line that may tilt, and peaks standing above it.
struct Ridge {
    double base, tilt, amplitude, period;
    int octaves;
    uint64_t seed;
    const Peak* peaks;
    int peak_count;
};

// clang-format off
static const Peak far_peaks[] = {
    //  x     top  half_width
    {   300,  430, 150 },
    {   470,  398, 120 },
    {   640,  352, 170 }, // the high one, bottom right of the letters' path
    {   790,  378, 110 },
    {   930,  336, 180 },
    {  1080,  392, 140 },
};
static_assert(sizeof far_peaks / sizeof far_peaks[0] == 6, "six peaks");

//                                  base tilt amplitude period octaves seed peaks      count
static const Ridge far_mountains  = { 470, -20,  20,      90,    6,      41,  far_peaks, 6 };
static const Ridge middle_hills   = { 505, -20,  40,      300,   4,      42,  nullptr,   0 };
static const Ridge near_slope     = { 565,   0,  36,      420,   3,      43,  nullptr,   0 };
// clang-format on

// The y of the ridge's top at column x (larger is lower).
static double ridge_y(const Ridge& ridge, double x)
{
    double top = ridge.base + ridge.tilt * (x - 512.0) / 512.0;
    for (int i = 0; i < ridge.peak_count; i++) {
        const Peak& peak = ridge.peaks[i];
        const double flank = std::fabs(x - peak.x) / peak.half_width;
        top = std::fmin(top, peak.top + (ridge.base - peak.top) * std::pow(flank, 0.85));
    }
    return top - ridge.amplitude * (fractal(x / ridge.period, 0.5, ridge.octaves, ridge.seed) - 0.5) * 2.0;
}

// A snowy ridge filled down to the bottom: moonlit where its slope faces the moon (to the left),
// blue shadow elsewhere, brightest along its crest, with faint streaks of rock and drift.
static void paint_ridge(
    const Ridge& ridge, Colour lit, Colour shadow, double crest_glow, double haze, double texture)
{
    const Colour horizon = { 0.085, 0.080, 0.185 };
    for (int x = 0; x < SIZE; x++) {
        const double top = ridge_y(ridge, x + 0.5);
        const double slope = ridge_y(ridge, x + 3.0) - ridge_y(ridge, x - 2.0);
        // a ridge rising to the right faces the moon, falling to the right is in shadow
        const double column_facing = clamp01(0.5 - slope * 0.25);
        // the peak whose flank this column is on
        const Peak* peak = nullptr;
        double highest = 1e9;
        for (int i = 0; i < ridge.peak_count; i++) {
            const Peak& p = ridge.peaks[i];
            const double y
                = p.top + (ridge.base - p.top) * std::pow(std::fabs(x + 0.5 - p.x) / p.half_width, 0.85);
            if (y < highest) {
                highest = y;
                peak = &p;
            }
        }
        for (int y = (int)top; y < SIZE; y++) {
            const double depth = y + 0.5 - top;
            const double coverage = clamp01(depth + 0.5);
            double facing = column_facing;
            double streak = fractal(x / 6.0, depth / 60.0, 3, ridge.seed + 100);
            if (peak != nullptr && y < ridge.base + 40.0) {
                // a crest runs down from the summit and wanders; left of it faces the moon
                const double below = std::fmax(0.0, y + 0.5 - peak->top);
                const double crest
                    = peak->x + (fractal(below / 35.0, peak->x, 3, ridge.seed + 300) - 0.5) * below * 0.9;
                facing = 1.0 - smoothstep(-1.5, 1.5, (x + 0.5 - crest) / (1.0 + below * 0.04));
                // gullies fan out from the summit
                const double angle = (x + 0.5 - peak->x) / (below + 25.0);
                streak = fractal(angle * 9.0, below / 90.0, 4, ridge.seed + 100);
                facing *= 0.45 + 0.55 * smoothstep(0.3, 0.7, streak);
            }
            Colour c = mix(shadow, lit, facing * (0.6 + 0.4 * streak));
            c = scale(c, 1.0 - texture * (1.0 - fractal(x / 30.0, y / 14.0, 4, ridge.seed + 200)));
            c = mix(c, scale(lit, 1.15), crest_glow * std::exp(-depth / 5.0) * facing);
            // lower down, further from the moon: the snow darkens
            c = scale(c, 1.0 - 0.45 * smoothstep(0.0, 260.0, depth));
            c = mix(c, horizon, haze * (1.0 - smoothstep(0.0, 120.0, depth)));
            blend(x, y, c, coverage);
        }
    }
}

// A pine: stacked tiers of drooping branches, snow on their upper edges, lighter on the moon side.
static void paint_pine(double base_x, double base_y, double height, double shade)
{
    const double width = height * 0.42;
    const int tiers = 5 + (int)(height / 40.0);
    const Colour needles = scale(Colour { 0.016, 0.045, 0.050 }, shade);
    const Colour snow = scale(Colour { 0.50, 0.58, 0.78 }, shade);
    const uint64_t seed = (uint64_t)(base_x * 131.0 + base_y);
    for (int y = (int)(base_y - height) - 1; y <= (int)base_y + 1; y++) {
        const double t = (base_y - (y + 0.5)) / height; // 0 at the foot, 1 at the tip
        if (t < -0.04 || t > 1.0)
            continue;
        // trunk
        if (t < 0.1) {
            const double half = height * 0.025 + 0.6;
            for (int x = (int)(base_x - half) - 1; x <= (int)(base_x + half) + 1; x++)
                blend(x, y, scale(Colour { 0.03, 0.025, 0.03 }, shade),
                    clamp01(half - std::fabs(x + 0.5 - base_x) + 0.5));
            if (t < 0.06)
                continue;
        }
        const double u = (t - 0.06) / 0.94 * tiers;
        const double within = u - std::floor(u); // 0 at a tier's lower edge, 1 at the next tier's
        const double taper = 1.0 - (t - 0.06) / 0.94;
        const double half = width * 0.5 * taper * (0.55 + 0.45 * (1.0 - within)) + 0.8;
        for (int x = (int)(base_x - half) - 1; x <= (int)(base_x + half) + 1; x++) {
            const double dx = x + 0.5 - base_x;
            const double ragged = (noise(x / 2.0, y / 2.0, seed) - 0.5) * 2.2;
            const double coverage = clamp01(half + ragged - std::fabs(dx) + 0.5);
            if (coverage <= 0.0)
                continue;
            // snow lies in a band along the upper edge of each tier, thicker towards the moon
            const double side = -dx / (half + 1.0);
            const double band = smoothstep(0.55, 0.85, within) * (0.45 + 0.55 * clamp01(0.5 + side));
            const double clumps = smoothstep(0.35, 0.6, noise(x / 3.0, y / 1.5, seed + 1));
            const Colour c = mix(needles, snow, clamp01(band * clumps * 1.3));
            blend(x, y, c, coverage);
        }
    }
}

// Pines along a ridge: count trees spread over [x0, x1), each standing a little below the crest.
static void paint_forest(const Ridge& ridge, int count, double x0, double x1, double min_height,
    double max_height, double sink, double shade)
{
    struct Tree {
        double x, height;
    };
    std::vector<Tree> trees;
    for (int i = 0; i < count; i++) {
        const double x = x0 + (x1 - x0) * random_unit();
        const double height = min_height + (max_height - min_height) * std::pow(random_unit(), 1.5);
        trees.push_back({ x, height });
    }
    // small ones first, so the big ones stand in front
    for (size_t i = 0; i < trees.size(); i++)
        for (size_t j = i + 1; j < trees.size(); j++)
            if (trees[j].height < trees[i].height)
                std::swap(trees[i], trees[j]);
    for (const Tree& tree : trees)
        paint_pine(tree.x, ridge_y(ridge, tree.x) + sink + tree.height * 0.05, tree.height, shade);
}

// A log cabin on the near slope with one warm window, its light spilling on the snow.
static void paint_cabin(double x0, double ground)
{
    const double w = 46.0, wall = 24.0, roof = 20.0;
    const Colour logs = { 0.075, 0.045, 0.035 };
    const Colour roof_snow = { 0.55, 0.62, 0.82 };
    const Colour window = { 1.0, 0.74, 0.36 };
    // the glow of the window on the snow below and around
    for (int y = (int)(ground - 60); y < (int)(ground + 60); y++)
        for (int x = (int)(x0 - 40); x < (int)(x0 + w + 60); x++) {
            const double d = std::hypot(x - (x0 + 30.0), (y - (ground - 10.0)) * 1.6);
            add(x, y, window, 0.11 * std::exp(-d / 26.0));
        }
    for (int y = (int)(ground - wall - roof) - 2; y <= (int)ground; y++) {
        for (int x = (int)x0 - 6; x <= (int)(x0 + w) + 6; x++) {
            const double px = x + 0.5, py = y + 0.5;
            if (py > ground - wall) {
                // walls, with the lines between the logs
                const double c = clamp01(std::min(px - x0, x0 + w - px) + 0.5);
                const double seam = std::fmod(ground - py, 4.0) < 0.9 ? 0.6 : 1.0;
                blend(x, y, scale(logs, seam), c);
            } else {
                // the roof: a snowy gable reaching a little past the walls
                const double rise = ground - wall - py; // 0 at the eaves, roof at the ridge
                const double half = (w * 0.5 + 6.0) * (1.0 - rise / roof);
                const double c = clamp01(half - std::fabs(px - (x0 + w * 0.5)) + 0.5);
                const double lit = px < x0 + w * 0.5 ? 1.0 : 0.72;
                blend(x, y, scale(roof_snow, lit * (0.85 + 0.15 * noise(px / 3.0, py / 2.0, 77))), c);
            }
        }
    }
    // the window, with its cross bars
    for (int y = (int)(ground - 17); y < (int)(ground - 7); y++)
        for (int x = (int)(x0 + 24); x < (int)(x0 + 36); x++) {
            const bool bar = x == (int)(x0 + 30) || y == (int)(ground - 12);
            blend(x, y, bar ? scale(window, 0.35) : window, 1.0);
        }
    for (int y = (int)(ground - 18); y < (int)(ground - 6); y++)
        for (int x = (int)(x0 + 18); x < (int)(x0 + 44); x++)
            add(x, y, window, 0.05);
    // a chimney and a thin wisp of smoke leaning away from the moon
    for (int y = (int)(ground - wall - roof - 4); y < (int)(ground - wall - roof * 0.4); y++)
        for (int x = (int)(x0 + 10); x < (int)(x0 + 16); x++)
            blend(x, y, logs, 1.0);
    for (int y = 0; y < 90; y++) {
        const double cy = ground - wall - roof - 6.0 - y;
        const double cx = x0 + 13.0 - y * 0.45 + 4.0 * std::sin(y / 9.0);
        const double spread = 2.0 + y * 0.12;
        const double fade = 0.10 * (1.0 - y / 90.0);
        for (int dx = -12; dx <= 12; dx++) {
            const double d = dx / spread;
            add((int)cx + dx, (int)cy, { 0.55, 0.58, 0.68 }, fade * std::exp(-d * d));
        }
    }
}

// Glints of frost on the nearest snow.
static void paint_sparkles(const Ridge& ridge)
{
    for (int i = 0; i < 900; i++) {
        const double x = random_unit() * SIZE;
        const double top = ridge_y(ridge, x);
        const double y = top + 4.0 + random_unit() * (SIZE - top);
        const double k = 0.12 + 0.4 * std::pow(random_unit(), 4.0);
        add((int)x, (int)y, { 0.85, 0.9, 1.0 }, k);
    }
}

// Darkens the corners of the part that shows, and the band where the letters run, a little.
static void paint_vignette()
{
    const double cx = VIEW_LEFT + 400.0, cy = 300.0;
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) {
            const double dx = (x - cx) / 400.0, dy = (y - cy) / 300.0;
            const double k = 1.0 - 0.22 * smoothstep(0.5, 1.5, dx * dx + dy * dy);
            at(x, y) = scale(at(x, y), k);
        }
}

// The JPEG: 4:4:4 so the aurora's thin edges keep their colour, fixed quality, the library's
// default (integer) DCT and Huffman tables, and a comment saying where the file comes from.
// The lead byte goes first.
static bool write_picture(const char* path)
{
    std::vector<unsigned char> rgb((size_t)SIZE * SIZE * 3);
    for (size_t i = 0; i < canvas.size(); i++) {
        // a little noise before rounding keeps the sky's gradient from banding
        const double dither = random_unit() - 0.5;
        const double v[3] = { canvas[i].r, canvas[i].g, canvas[i].b };
        for (int c = 0; c < 3; c++) {
            const double level = clamp01(v[c]) * 255.0 + dither * 0.9;
            rgb[i * 3 + (size_t)c] = (unsigned char)std::lround(std::fmin(255.0, std::fmax(0.0, level)));
        }
    }
    FILE* file = fopen(path, "wb");
    if (file == nullptr)
        return false;
    fputc(LEAD_BYTE, file);
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = SIZE;
    cinfo.image_height = SIZE;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, JPEG_QUALITY, TRUE);
    for (int c = 0; c < 3; c++) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    static const char NOTE[] = "generated by tools/make_picture -- do not edit";
    jpeg_write_marker(&cinfo, JPEG_COM, (const JOCTET*)NOTE, sizeof NOTE - 1);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = &rgb[(size_t)cinfo.next_scanline * SIZE * 3];
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return fclose(file) == 0;
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
        return 2;
    }
    paint_sky();
    paint_aurora();
    paint_stars();
    paint_moon();
    paint_ridge(far_mountains, { 0.40, 0.46, 0.64 }, { 0.11, 0.13, 0.26 }, 0.35, 0.30, 0.35);
    paint_forest(middle_hills, 70, 0.0, SIZE, 14.0, 30.0, 6.0, 0.8);
    paint_ridge(middle_hills, { 0.24, 0.29, 0.46 }, { 0.07, 0.085, 0.17 }, 0.5, 0.15, 0.2);
    paint_forest(middle_hills, 50, 0.0, SIZE, 18.0, 40.0, 3.0, 0.9);
    paint_ridge(near_slope, { 0.22, 0.26, 0.42 }, { 0.05, 0.06, 0.13 }, 0.6, 0.0, 0.15);
    paint_cabin(770.0, ridge_y(near_slope, 800.0) + 16.0);
    paint_forest(near_slope, 18, 0.0, 560.0, 60.0, 150.0, 14.0, 1.0);
    paint_forest(near_slope, 8, 860.0, SIZE, 70.0, 170.0, 14.0, 1.0);
    paint_sparkles(near_slope);
    paint_vignette();
    if (!write_picture(argv[1])) {
        fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}

// The capture program's command line, and the numbering of its frames.
#include <getopt.h>
#include <strings.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "greeting.h"
#include "options.h"

static const char PROGRAM[] = "glimmerhorn-capture";
// The longest capture taken: a day.
static const double MAX_SECONDS = 86400.0;

// One extension a line: what it holds, for the help and for the error that lists them.
struct FormatName {
    const char* extension;
    VideoFormat format;
    const char* holds;
};

// clang-format off
static const FormatName FORMAT_NAMES[] = {
    // extension  format      holds
    { ".mkv",     FORMAT_MKV, "lossless H.264 video and FLAC sound, the same bytes on every run" },
    { ".mp4",     FORMAT_MP4, "H.264 video and AAC sound, for sharing" },
    { ".gif",     FORMAT_GIF, "an animated picture with no sound, for previews" },
};
// clang-format on
static_assert(sizeof FORMAT_NAMES / sizeof FORMAT_NAMES[0] == 3, "one line a format");

static void print_formats(FILE* out)
{
    for (const FormatName& name : FORMAT_NAMES)
        fprintf(out, "  %s  %s\n", name.extension, name.holds);
}

static void print_help(double tune_seconds)
{
    printf("Usage: %s [OPTION]... FILE\n"
           "Draws the Glimmerhorn intro off screen, every frame exactly as the intro shows it, and writes\n"
           "it with its tune into the video FILE, faster than it plays. No display is needed.\n"
           "The extension of FILE picks the format:\n",
        PROGRAM);
    print_formats(stdout);
    printf("\n"
           "Options:\n"
           "      --fps=N        video frames a second: 100 (every frame of the intro), 50, 25 or 60;\n"
           "                     the default is 100, for .gif 50 (GIF cannot show 100 or 60)\n"
           "      --seconds=S    length in seconds (default: one pass of the tune, %.2f s)\n"
           "      --frames=N     length in video frames\n"
           "      --scale=N      draw at 800 x 600 times N, 1 to 4 (default 1)\n"
           "      --mode=BITS    32: see-through snowflakes and letters (default); 16: all solid\n"
           "      --crf=N        H.264 quality of .mp4, 0 (lossless) to 51 (default 18)\n"
           "      --ffv1         .mkv in FFV1, every frame a key frame, instead of lossless H.264;\n"
           "                     the same pixels, in files several times larger, made several\n"
           "                     times more slowly\n"
           "      --text=TEXT    scroll the greeting in the UTF-8 file TEXT (- for standard input)\n"
           "                     instead of the intro's own, folded into the font's letters: capitals\n"
           "                     become small letters, accents go (ä, å and ö stay), and a character\n"
           "                     the font has no letter for shows as a gap; at most %d characters\n"
           "  -f, --force        replace FILE if it exists\n"
           "  -h, --help         show this help and end\n"
           "  -V, --version      show the version and end\n"
           "\n"
           "The picture is read from gfx.data in the working folder, else from the one beside the program,\n"
           "else from the installed one. FILE appears only once it is complete; Ctrl+C (or SIGTERM,\n"
           "SIGHUP, SIGQUIT) ends the capture early and keeps what was made so far as a shorter,\n"
           "playable file.\n",
        tune_seconds, GREETING_LIMIT);
}

// Reads a whole decimal integer in [low, high]; false when text is anything else.
static bool read_integer(const char* text, long low, long high, long* value)
{
    errno = 0;
    char* end = nullptr;
    const long v = strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < low || v > high)
        return false;
    *value = v;
    return true;
}

static int usage_error(const char* format, const char* value)
{
    fprintf(stderr, "%s: ", PROGRAM);
    fprintf(stderr, format, value);
    fprintf(stderr, "\nTry '%s --help' for more.\n", PROGRAM);
    return 2;
}

// The format named by the extension of path; false when it names none of ours.
static bool format_of(const char* path, VideoFormat* format)
{
    const char* slash = strrchr(path, '/');
    const char* dot = strrchr(slash ? slash + 1 : path, '.');
    if (dot == nullptr)
        return false;
    for (const FormatName& name : FORMAT_NAMES) {
        if (strcasecmp(dot, name.extension) == 0) {
            *format = name.format;
            return true;
        }
    }
    return false;
}

// Called by main first. Fills options from the command line; returns -1 to go on, or the status to
// end with: 0 after --help or --version, 2 after a mistake that has been explained on stderr.
int options_parse(int argc, char** argv, double tune_seconds, CaptureOptions* options)
{
    enum { OPT_FPS = 256, OPT_SECONDS, OPT_FRAMES, OPT_SCALE, OPT_MODE, OPT_CRF, OPT_FFV1, OPT_TEXT };
    static const option LONG_OPTIONS[] = {
        { "fps", required_argument, nullptr, OPT_FPS },
        { "seconds", required_argument, nullptr, OPT_SECONDS },
        { "frames", required_argument, nullptr, OPT_FRAMES },
        { "scale", required_argument, nullptr, OPT_SCALE },
        { "mode", required_argument, nullptr, OPT_MODE },
        { "crf", required_argument, nullptr, OPT_CRF },
        { "ffv1", no_argument, nullptr, OPT_FFV1 },
        { "text", required_argument, nullptr, OPT_TEXT },
        { "force", no_argument, nullptr, 'f' },
        { "help", no_argument, nullptr, 'h' },
        { "version", no_argument, nullptr, 'V' },
        { nullptr, 0, nullptr, 0 },
    };
    *options = CaptureOptions {};
    options->scale = 1;
    options->mode = 32;
    options->crf = 18;
    long value = 0;
    bool fps_given = false;
    bool crf_given = false;
    opterr = 0;
    optind = 0; // getopt starts afresh, however far an earlier parse went
    for (;;) {
        const int option = getopt_long(argc, argv, ":fhV", LONG_OPTIONS, nullptr);
        if (option == -1)
            break;
        const char* argument = optarg;
        switch (option) {
        case OPT_FPS:
            if (!read_integer(argument, 1, 100, &value)
                || (value != 100 && value != 50 && value != 25 && value != 60))
                return usage_error("--fps takes 100, 50, 25 or 60, not '%s'", argument);
            options->fps = (int)value;
            fps_given = true;
            break;
        case OPT_SECONDS: {
            errno = 0;
            char* end = nullptr;
            const double seconds = strtod(argument, &end);
            if (errno != 0 || end == argument || *end != '\0' || !(seconds > 0.0) || seconds > MAX_SECONDS)
                return usage_error("--seconds takes a length above 0 and up to a day, not '%s'", argument);
            options->seconds = seconds;
            break;
        }
        case OPT_FRAMES:
            if (!read_integer(argument, 1, (long)MAX_SECONDS * INTRO_FPS, &value))
                return usage_error("--frames takes a count from 1 up to a day's worth, not '%s'", argument);
            options->frames = value;
            break;
        case OPT_SCALE:
            if (!read_integer(argument, 1, 4, &value))
                return usage_error("--scale takes 1, 2, 3 or 4, not '%s'", argument);
            options->scale = (int)value;
            break;
        case OPT_MODE:
            if (!read_integer(argument, 16, 32, &value) || (value != 16 && value != 32))
                return usage_error("--mode takes 32 or 16, not '%s'", argument);
            options->mode = (int)value;
            break;
        case OPT_CRF:
            if (!read_integer(argument, 0, 51, &value))
                return usage_error("--crf takes 0 to 51, not '%s'", argument);
            options->crf = (int)value;
            crf_given = true;
            break;
        case OPT_FFV1:
            options->ffv1 = true;
            break;
        case OPT_TEXT:
            if (argument[0] == '\0')
                return usage_error("%s", "--text takes a file, or - for standard input");
            options->text = argument;
            break;
        case 'f':
            options->force = true;
            break;
        case 'h':
            print_help(tune_seconds);
            return 0;
        case 'V':
            printf("%s %s\n", PROGRAM, GLIMMERHORN_VERSION);
            return 0;
        case ':':
            return usage_error("%s needs a value", argv[optind - 1]);
        default:
            return usage_error("unknown option '%s'", argv[optind - 1]);
        }
    }
    if (optind >= argc)
        return usage_error("%s", "no output FILE given");
    if (optind + 1 < argc)
        return usage_error("one output FILE only; '%s' is one too many", argv[optind + 1]);
    options->output = argv[optind];
    if (options->seconds > 0.0 && options->frames > 0)
        return usage_error("%s", "give --seconds or --frames, not both");
    if (!format_of(options->output, &options->format)) {
        fprintf(stderr, "%s: cannot tell the format of '%s' from its extension; the known ones are:\n",
            PROGRAM, options->output);
        print_formats(stderr);
        return 2;
    }
    // an option the format has no use for is a mistake, not something to pass over in silence
    if (options->ffv1 && options->format != FORMAT_MKV)
        return usage_error("--ffv1 is for .mkv files, not '%s'", options->output);
    if (crf_given && options->format != FORMAT_MP4)
        return usage_error("--crf is for .mp4 files, not '%s'", options->output);
    if (options->format == FORMAT_GIF) {
        // GIF delays are whole hundredths of a second, and browsers slow a delay of one hundredth down
        // to ten: 50 and 25 are the rates a GIF plays at
        if (fps_given && options->fps != 50 && options->fps != 25) {
            char rate[16];
            snprintf(rate, sizeof rate, "%d", options->fps);
            return usage_error("a GIF plays at 50 or 25 frames a second, not %s", rate);
        }
        if (!fps_given)
            options->fps = 50;
    } else if (!fps_given) {
        options->fps = 100;
    }
    return -1;
}

// The intro frame (counted from 1) that video frame k (counted from 0) shows at fps frames a second:
// frame n is on screen from (n - 1) x 10 ms until n x 10 ms.
long intro_frame_of(long k, int fps) { return k * INTRO_FPS / fps + 1; }

// How many video frames at fps frames a second it takes to show seconds of the intro: every frame
// whose time lies before the end. A hair of slack keeps 138.64 x 100 from becoming 13,865.
long video_frames_for(double seconds, int fps)
{
    const long frames = (long)ceil(seconds * fps - 1e-6);
    return frames > 0 ? frames : 1;
}

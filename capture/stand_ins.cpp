// The platform under the scene when capturing: no boxes, no device. Messages go to stderr, and the
// player keeps the module that start_music loads so that the capture renders the tune itself.
#include <libopenmpt/libopenmpt.h>

#include <cstdio>
#include <cstring>

#include "assets.h"
#include "platform.h"
#include "tune.h"

// The tune start_music hands over, and how far tune_read has rendered it.
struct Tune {
    int frames_per_second; // asked for by player_open
    openmpt_module* module; // loaded by player_load
    bool playing; // set by player_play
    float block[PLAYER_BLOCK_FRAMES * 2]; // the last block read from the module
    size_t block_used; // frames of block handed out already
    size_t block_filled;
};
static Tune tune;

// Called by the scene and the picture loader for each warning: one line on stderr, whatever the style.
int message_box_show(const char* text, const char* caption, int style)
{
    (void)caption;
    // the loader's messages end in a line break of their own
    size_t length = strlen(text);
    while (length > 0 && text[length - 1] == '\n')
        length--;
    fprintf(stderr, "glimmerhorn-capture: %.*s\n", (int)length, text);
    return (style & 0x0F) == MB_YESNO ? IDNO : IDOK;
}

// start_music's four steps. Nothing is opened: the rate is noted and the module kept, with the
// player's own render settings.
bool player_open(int rate)
{
    tune.frames_per_second = rate;
    return rate > 0;
}

bool player_start() { return tune.frames_per_second > 0; }

bool player_load(const void* module, size_t size)
{
    tune_free();
    tune.module = player_create_module(module, size);
    return tune.module != nullptr;
}

bool player_play()
{
    tune.playing = tune.module != nullptr;
    return tune.playing;
}

void player_stop() { tune.playing = false; }

void player_free() { tune_free(); }

int tune_rate() { return tune.playing ? tune.frames_per_second : 0; }

// One pass of the tune as libopenmpt times it (the loop count does not change it).
double tune_pass_seconds() { return tune.module ? openmpt_module_get_duration_seconds(tune.module) : 0.0; }

double tune_embedded_pass_seconds()
{
    openmpt_module* module = player_create_module(music_module, music_module_size);
    if (module == nullptr)
        return 0.0;
    const double seconds = openmpt_module_get_duration_seconds(module);
    openmpt_module_destroy(module);
    return seconds;
}

// Called by the encoding thread, in order: the next frames of the tune, from its first sample on. The
// module is read in the player's blocks, so the sound is the one the player plays.
void tune_read(float* out, size_t frames)
{
    size_t done = 0;
    while (done < frames) {
        if (tune.block_used == tune.block_filled) {
            // the module loops without end; should it ever stop, the rest is silence
            player_render(tune.playing ? tune.module : nullptr, tune.frames_per_second, tune.block,
                PLAYER_BLOCK_FRAMES);
            tune.block_used = 0;
            tune.block_filled = PLAYER_BLOCK_FRAMES;
        }
        const size_t left = tune.block_filled - tune.block_used;
        const size_t count = frames - done < left ? frames - done : left;
        memcpy(out + done * 2, tune.block + tune.block_used * 2, count * 2 * sizeof(float));
        tune.block_used += count;
        done += count;
    }
}

void tune_free()
{
    if (tune.module != nullptr)
        openmpt_module_destroy(tune.module);
    tune.module = nullptr;
    tune.playing = false;
    tune.block_used = 0;
    tune.block_filled = 0;
}

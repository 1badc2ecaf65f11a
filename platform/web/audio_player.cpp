// The audio player in the browser: libopenmpt decodes the module, the page's AudioContext pulls
// rendered blocks from here (player_web_block) at the context's own rate.
#include "platform.h"
#include "web_page.h"

#include <emscripten.h>
#include <libopenmpt/libopenmpt.h>

#include <cstring>

struct PlayerWeb {
    bool open; // the page's output runs
    int rate; // the output's frames per second
    openmpt_module* module; // the loaded module, or null
    bool playing; // blocks are rendered from module
    float block[PLAYER_BLOCK_FRAMES * 2]; // the last rendered block, left and right interleaved
};

static PlayerWeb player_web;

// Called by tests between cases, and by player_free once everything is let go.
void player_web_reset()
{
    if (player_web.module != nullptr)
        openmpt_module_destroy(player_web.module);
    player_web = PlayerWeb();
}

// Called by start_music first. The page renders at its AudioContext's own rate, whatever was asked:
// resampling is libopenmpt's, as on the desktop. False when the page has no sound or it was refused.
bool player_open(int rate)
{
    (void)rate;
    if (player_web.open)
        return false; // one output per run
    const int page_rate = web_audio_open();
    if (page_rate <= 0)
        return false;
    player_web.open = true;
    player_web.rate = page_rate;
    return true;
}

// Called by start_music once the output is open: the page's node starts pulling blocks, silent until
// a module plays.
bool player_start() { return player_web.open && web_audio_start(PLAYER_BLOCK_FRAMES); }

// Called by start_music with the embedded module, with the tune's render settings.
bool player_load(const void* module, size_t size)
{
    if (!player_web.open)
        return false;
    openmpt_module* loaded = player_create_module(module, size);
    if (loaded == nullptr)
        return false;
    // the page pulls blocks on this thread, between calls of ours: no lock is needed
    if (player_web.module != nullptr)
        openmpt_module_destroy(player_web.module);
    player_web.module = loaded;
    player_web.playing = false;
    return true;
}

bool player_play()
{
    if (!player_web.open || player_web.module == nullptr)
        return false;
    player_web.playing = true;
    return true;
}

// Called by on_key: the output is suspended. Harmless when nothing was started.
void player_stop()
{
    if (player_web.open)
        web_audio_stop();
}

// Called by on_key after player_stop: closes the output and frees the module. Harmless twice.
void player_free()
{
    if (player_web.open)
        web_audio_close();
    player_web_reset();
}

// Called by the page's audio node for each block it sends on. Allocates nothing.
EMSCRIPTEN_KEEPALIVE float* player_web_block()
{
    player_render(player_web.playing ? player_web.module : nullptr, player_web.rate, player_web.block,
        PLAYER_BLOCK_FRAMES);
    return player_web.block;
}

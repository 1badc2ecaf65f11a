// The audio player: libopenmpt decodes the module, SDL plays it on the default device.
#include <SDL.h>
#include <libopenmpt/libopenmpt.h>

#include "platform.h"

// The player's state, in one record: all zero at program start and after player_free. The audio
// thread reads module and playing while SDL holds the device lock; the main thread changes them only
// under that lock.
struct Player {
    bool audio_ready; // SDL's audio subsystem is up
    SDL_AudioDeviceID device; // 0 while no output is open
    int rate; // the output's frames per second
    openmpt_module* module; // the loaded module, or null
    bool playing; // the audio thread renders module
};
static Player player;

// SDL's audio thread, with the device lock held: renders the playing module or outputs silence.
// Allocates nothing.
static void player_fill(void* userdata, Uint8* stream, int length)
{
    (void)userdata;
    float* out = (float*)stream;
    player_render(
        player.playing ? player.module : nullptr, player.rate, out, (size_t)length / (2 * sizeof(float)));
}

// Called by start_music first: opens the default output device at rate frames per second,
// stereo, paused. Leaves the system volume alone. False when no output can be opened.
bool player_open(int rate)
{
    if (player.device != 0)
        return false; // already open: one output per run
    if (!player.audio_ready) {
        // SDL would otherwise turn SIGINT and SIGTERM into quit events that nobody reads, and the
        // intro could no longer be stopped by a signal
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return false;
        player.audio_ready = true;
    }
    SDL_AudioSpec wanted = {};
    wanted.freq = rate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = PLAYER_BLOCK_FRAMES;
    wanted.callback = player_fill;
    SDL_AudioSpec obtained = {};
    // no changes allowed: SDL converts to whatever the device really takes
    player.device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (player.device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        player.audio_ready = false;
        return false;
    }
    player.rate = rate;
    return true;
}

// Called by start_music once the output is open: lets the device run. Until a module plays,
// it outputs silence.
bool player_start()
{
    if (player.device == 0)
        return false;
    SDL_PauseAudioDevice(player.device, 0);
    return true;
}

// Called by start_music with the embedded module: decodes it with the tune's render settings
// (player_create_module). False when no output is open or the data is no module.
bool player_load(const void* module, size_t size)
{
    if (player.device == 0)
        return false;
    openmpt_module* loaded = player_create_module(module, size);
    if (loaded == nullptr)
        return false;

    SDL_LockAudioDevice(player.device);
    openmpt_module* replaced = player.module;
    player.module = loaded;
    player.playing = false;
    SDL_UnlockAudioDevice(player.device);
    if (replaced != nullptr)
        openmpt_module_destroy(replaced);
    return true;
}

// Called by start_music once the module is loaded: the audio thread starts rendering it.
// False when no module is loaded.
bool player_play()
{
    if (player.device == 0 || player.module == nullptr)
        return false;
    SDL_LockAudioDevice(player.device);
    player.playing = true;
    SDL_UnlockAudioDevice(player.device);
    return true;
}

// Called by on_key before the process exits: pauses the output. Harmless when nothing was started.
void player_stop()
{
    if (player.device == 0)
        return;
    SDL_PauseAudioDevice(player.device, 1);
}

// Called by on_key after player_stop: closes the output, then frees the module and the audio
// subsystem. Harmless when nothing was started, and when called twice.
void player_free()
{
    // closing waits for the audio thread, so nothing reads the module afterwards
    if (player.device != 0)
        SDL_CloseAudioDevice(player.device);
    if (player.module != nullptr)
        openmpt_module_destroy(player.module);
    if (player.audio_ready)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    player = Player();
}

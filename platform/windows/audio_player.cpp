// The audio player on Windows: libopenmpt decodes the module, the wave-out device of the system's
// default output plays it, fed by a thread of the player's own.
#include "platform.h"

#include <windows.h>
#include <mmreg.h>
#include <mmsystem.h>

#include <libopenmpt/libopenmpt.h>

// Blocks queued on the device: eight of PLAYER_BLOCK_FRAMES, about 186 ms at 44,100 Hz, which a
// busy machine does not run dry.
static const int PLAYER_BLOCKS = 8;

// The player's state, in one record: all zero at program start; player_free puts back all but the
// lock, which is made once and kept. The feeding thread reads module and playing inside lock; the
// main thread changes them only inside it.
struct Player {
    HWAVEOUT device; // null while no output is open
    HANDLE block_done; // set by the device whenever a block has been played
    HANDLE feeder; // the feeding thread, while the output is open
    volatile LONG quitting; // tells the feeding thread to end
    CRITICAL_SECTION lock;
    bool lock_made;
    int rate; // the output's frames per second
    openmpt_module* module; // the loaded module, or null
    bool playing; // the feeding thread renders module
    WAVEHDR headers[PLAYER_BLOCKS];
    float samples[PLAYER_BLOCKS][PLAYER_BLOCK_FRAMES * 2];
};
static Player player;

// Fills one block with the playing module, or with silence, and queues it. Allocates nothing.
static void player_fill(WAVEHDR* header, float* out)
{
    EnterCriticalSection(&player.lock);
    player_render(player.playing ? player.module : nullptr, player.rate, out, PLAYER_BLOCK_FRAMES);
    LeaveCriticalSection(&player.lock);
    waveOutWrite(player.device, header, sizeof *header);
}

// The feeding thread: refills every block the device has played until the player is freed.
static DWORD WINAPI player_feed(void* unused)
{
    (void)unused;
    while (!player.quitting) {
        WaitForSingleObject(player.block_done, INFINITE);
        for (int i = 0; i < PLAYER_BLOCKS && !player.quitting; i++)
            if (player.headers[i].dwFlags & WHDR_DONE)
                player_fill(&player.headers[i], player.samples[i]);
    }
    return 0;
}

// Called by start_music first: opens the default output at rate frames per second, 32-bit float
// stereo, paused, with its blocks queued as silence. Leaves the system volume alone. False when no
// output can be opened.
bool player_open(int rate)
{
    if (player.device != nullptr)
        return false; // already open: one output per run
    if (!player.lock_made) {
        InitializeCriticalSection(&player.lock);
        player.lock_made = true;
    }
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    format.nChannels = 2;
    format.nSamplesPerSec = (DWORD)rate;
    format.wBitsPerSample = 32;
    format.nBlockAlign = (WORD)(format.nChannels * format.wBitsPerSample / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    player.block_done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (player.block_done == nullptr)
        return false;
    if (waveOutOpen(&player.device, WAVE_MAPPER, &format, (DWORD_PTR)player.block_done, 0, CALLBACK_EVENT)
        != MMSYSERR_NOERROR) {
        player.device = nullptr;
        CloseHandle(player.block_done);
        player.block_done = nullptr;
        return false;
    }
    player.rate = rate;
    waveOutPause(player.device);
    for (int i = 0; i < PLAYER_BLOCKS; i++) {
        player.headers[i] = WAVEHDR();
        player.headers[i].lpData = (LPSTR)player.samples[i];
        player.headers[i].dwBufferLength = sizeof player.samples[i];
        waveOutPrepareHeader(player.device, &player.headers[i], sizeof player.headers[i]);
        player_fill(&player.headers[i], player.samples[i]);
    }
    player.quitting = 0;
    player.feeder = CreateThread(nullptr, 0, player_feed, nullptr, 0, nullptr);
    return true;
}

// Called by start_music once the output is open: lets the device run. Until a module plays, it
// outputs silence.
bool player_start()
{
    if (player.device == nullptr || player.feeder == nullptr)
        return false;
    return waveOutRestart(player.device) == MMSYSERR_NOERROR;
}

// Called by start_music with the embedded module: decodes it with the tune's render settings
// (player_create_module). False when no output is open or the data is no module.
bool player_load(const void* module, size_t size)
{
    if (player.device == nullptr)
        return false;
    openmpt_module* loaded = player_create_module(module, size);
    if (loaded == nullptr)
        return false;
    EnterCriticalSection(&player.lock);
    openmpt_module* replaced = player.module;
    player.module = loaded;
    player.playing = false;
    LeaveCriticalSection(&player.lock);
    if (replaced != nullptr)
        openmpt_module_destroy(replaced);
    return true;
}

// Called by start_music once the module is loaded: the feeding thread starts rendering it. False
// when no module is loaded.
bool player_play()
{
    if (player.device == nullptr || player.module == nullptr)
        return false;
    EnterCriticalSection(&player.lock);
    player.playing = true;
    LeaveCriticalSection(&player.lock);
    return true;
}

// Called by on_key before the process exits: pauses the output. Harmless when nothing was started.
void player_stop()
{
    if (player.device != nullptr)
        waveOutPause(player.device);
}

// Called by on_key after player_stop: ends the feeding thread, closes the output, then frees the
// module. Harmless when nothing was started, and when called twice.
void player_free()
{
    if (player.device != nullptr) {
        if (player.feeder != nullptr) {
            InterlockedExchange(&player.quitting, 1);
            SetEvent(player.block_done);
            WaitForSingleObject(player.feeder, INFINITE);
            CloseHandle(player.feeder);
            player.feeder = nullptr;
        }
        // the reset hands back every queued block, so each can be unprepared
        waveOutReset(player.device);
        for (int i = 0; i < PLAYER_BLOCKS; i++)
            waveOutUnprepareHeader(player.device, &player.headers[i], sizeof player.headers[i]);
        waveOutClose(player.device);
        player.device = nullptr;
        CloseHandle(player.block_done);
        player.block_done = nullptr;
    }
    if (player.module != nullptr) {
        openmpt_module_destroy(player.module);
        player.module = nullptr;
    }
    player.playing = false;
}

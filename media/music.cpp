// The start of the music: open, start, load and play the embedded module.
#include "media.h"

void start_music()
{
}

// The music module, embedded at build time.
#include "assets.h"

extern const unsigned char music_module[] = {0};
extern const size_t music_module_size = 0;

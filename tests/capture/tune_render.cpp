// Test helper: libopenmpt's own render of the embedded tune, as the live player plays it (44,100 Hz,
// stereo floats, looping, volume ramping on, read 1024 frames at a time as the player's device asks for
// them), written raw to stdout: tune_render FRAMES.
#include <libopenmpt/libopenmpt.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "assets.h"

int main(int argc, char** argv)
{
    const long frames = argc == 2 ? atol(argv[1]) : 0;
    openmpt_module* module = openmpt_module_create_from_memory2(music_module, music_module_size,
        openmpt_log_func_silent, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (frames <= 0 || module == nullptr)
        return 2;
    openmpt_module_set_repeat_count(module, -1);
    openmpt_module_set_render_param(module, OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH, -1);
    std::vector<float> block(2 * 1024);
    for (long done = 0; done < frames;) {
        const size_t wanted = (size_t)(frames - done < 1024 ? frames - done : 1024);
        const size_t got = openmpt_module_read_interleaved_float_stereo(module, 44100, wanted, block.data());
        if (got == 0)
            return 1;
        fwrite(block.data(), sizeof(float), got * 2, stdout);
        done += (long)got;
    }
    openmpt_module_destroy(module);
    return 0;
}

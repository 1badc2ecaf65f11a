// The tune's render settings: the one place that says how libopenmpt turns the module into sound.
#include <libopenmpt/libopenmpt.h>

#include <cstring>

#include "platform.h"

// Called by player_load, and by anything else that renders the tune, so that every render of it
// sounds the same: decodes size bytes of module data, set to loop without end and to ramp volume
// changes. Returns null when the data is no module; the caller destroys the module it gets.
openmpt_module* player_create_module(const void* module, size_t size)
{
    if (module == nullptr)
        return nullptr;
    openmpt_module* created = openmpt_module_create_from_memory2(module, size, openmpt_log_func_silent,
        nullptr, openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
    if (created == nullptr)
        return nullptr;
    openmpt_module_set_repeat_count(created, -1);
    // -1 is the library's recommended ramp; 0 would switch ramping off
    openmpt_module_set_render_param(created, OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH, -1);
    return created;
}

// Called by the players' audio threads and the capture's tune, a block at a time.
void player_render(openmpt_module* module, int rate, float* out, size_t frames)
{
    size_t done = 0;
    if (module != nullptr)
        done = openmpt_module_read_interleaved_float_stereo(module, rate, frames, out);
    memset(out + done * 2, 0, (frames - done) * 2 * sizeof(float));
}

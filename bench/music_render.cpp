// Benchmark: how much of the audio thread's time the tune takes. Renders one pass of the embedded
// module in the player's own buffers (1024 frames at 44,100 Hz) and prints the figures.
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "assets.h"

int main()
{
    const int rate = 44100;
    const size_t frames = 1024;
    using clock = std::chrono::steady_clock;

    const clock::time_point load_start = clock::now();
    openmpt_module* module = openmpt_module_create_from_memory2(music_module, music_module_size,
        openmpt_log_func_silent, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (module == nullptr) {
        fprintf(stderr, "the embedded module does not load\n");
        return 1;
    }
    const double load_ms = std::chrono::duration<double, std::milli>(clock::now() - load_start).count();
    const double pass = openmpt_module_get_duration_seconds(module);

    std::vector<float> buffer(frames * 2);
    std::vector<double> buffer_ms;
    size_t rendered = 0;
    const clock::time_point start = clock::now();
    for (;;) {
        const clock::time_point before = clock::now();
        const size_t got = openmpt_module_read_interleaved_float_stereo(module, rate, frames, buffer.data());
        if (got == 0)
            break;
        buffer_ms.push_back(std::chrono::duration<double, std::milli>(clock::now() - before).count());
        rendered += got;
    }
    const double total = std::chrono::duration<double>(clock::now() - start).count();
    openmpt_module_destroy(module);

    std::sort(buffer_ms.begin(), buffer_ms.end());
    const double budget_ms = 1000.0 * (double)frames / rate;
    printf("module: %zu bytes, one pass %.2f s, loaded in %.2f ms\n", music_module_size, pass, load_ms);
    printf("rendered %.2f s of audio in %.3f s: %.0f times faster than it plays\n", (double)rendered / rate,
        total, (double)rendered / rate / total);
    printf(
        "per %zu-frame buffer (%.2f ms of sound): median %.3f ms, 99th percentile %.3f ms, worst %.3f ms\n",
        frames, budget_ms, buffer_ms[buffer_ms.size() / 2], buffer_ms[buffer_ms.size() * 99 / 100],
        buffer_ms.back());
    return 0;
}

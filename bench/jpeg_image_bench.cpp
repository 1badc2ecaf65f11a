// Times read_jpeg_image on the shipped gfx.data: how long set-up spends decoding the picture.
// usage: jpeg_image_bench GFX_DATA [RUNS]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "media.h"
#include "platform.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: %s GFX_DATA [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? atoi(argv[2]) : 50;
    std::vector<double> ms;
    int width = 0, height = 0;
    for (int i = 0; i < runs; i++) {
        const auto start = std::chrono::steady_clock::now();
        unsigned char* pixels = read_jpeg_image(argv[1], &width, &height);
        const auto end = std::chrono::steady_clock::now();
        // the loader has said why in its box; figures without a picture are worthless
        if (pixels == nullptr) {
            fprintf(stderr, "%s: no picture from %s\n", argv[0], argv[1]);
            return 1;
        }
        free(pixels);
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(ms.begin(), ms.end());
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    printf("picture %d x %d, %d runs: decode min %.2f ms, median %.2f ms, max %.2f ms; peak RSS %ld KiB\n",
        width, height, runs, ms.front(), ms[ms.size() / 2], ms.back(), usage.ru_maxrss);
    return 0;
}

// Frames of the intro as pixels: usage gl_frames 32|16 FOLDER FRAME..., run where gfx.data is; draws
// frames 1 to the last one named, as on_display does, and writes each named one to FOLDER/frame-N.ppm.
// Linked with the capture's off-screen renderer it is desktop GL's picture; linked with the web GL
// layer over EGL, the picture the layer draws.
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "scene.h"

// Makes the context of the mode to draw in, INTRO_WIDTH x INTRO_HEIGHT.
bool frame_context_open(bool truecolor);
// Reads the drawn frame: R, G, B and one byte more a pixel, bottom row first.
void frame_context_read(unsigned char* pixels);

int main(int argc, char** argv)
{
    std::set<long> wanted;
    for (int i = 3; i < argc; i++)
        wanted.insert(atol(argv[i]));
    if (argc < 4 || (strcmp(argv[1], "32") != 0 && strcmp(argv[1], "16") != 0) || *wanted.begin() < 1) {
        fputs("usage: gl_frames 32|16 FOLDER FRAME...\n", stderr);
        return 2;
    }
    const bool truecolor = strcmp(argv[1], "32") == 0;
    if (!frame_context_open(truecolor))
        return 1;
    init_scene(truecolor, "gfx.data");
    std::vector<unsigned char> pixels((size_t)INTRO_WIDTH * INTRO_HEIGHT * 4);
    for (long frame = 1; frame <= *wanted.rbegin(); frame++) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw_frame();
        glFlush();
        if (!wanted.count(frame))
            continue;
        frame_context_read(pixels.data());
        const std::string path = std::string(argv[2]) + "/frame-" + std::to_string(frame) + ".ppm";
        FILE* file = fopen(path.c_str(), "wb");
        if (file == nullptr) {
            perror(path.c_str());
            return 1;
        }
        fprintf(file, "P6\n%d %d\n255\n", INTRO_WIDTH, INTRO_HEIGHT);
        for (int y = INTRO_HEIGHT - 1; y >= 0; y--)
            for (int x = 0; x < INTRO_WIDTH; x++)
                fwrite(&pixels[((size_t)y * INTRO_WIDTH + (size_t)x) * 4], 3, 1, file);
        if (fclose(file) != 0) {
            perror(path.c_str());
            return 1;
        }
    }
    return 0;
}

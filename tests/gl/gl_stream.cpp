// The GL and GLU calls of the set-up and of frames 1 to N, one line a call as the recording GL prints
// them: usage gl_stream 32|16 N, run where gfx.data is. Linked with the recording GL it is the
// desktop's stream; linked with the traced web layer over EGL, the stream that layer receives.
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <string>

#include "scene.h"

// Makes a context for the layer to draw in, where the program draws with a real one.
bool stream_context_open();
// The GL and GLU lines logged since the last call, each ending in a line break.
std::string stream_context_take();

static void print_calls(const char* heading, long number)
{
    printf(heading, number);
    fputs(stream_context_take().c_str(), stdout);
}

int main(int argc, char** argv)
{
    if (argc != 3 || (strcmp(argv[1], "32") != 0 && strcmp(argv[1], "16") != 0) || atol(argv[2]) < 0) {
        fputs("usage: gl_stream 32|16 FRAMES\n", stderr);
        return 2;
    }
    if (!stream_context_open())
        return 1;
    // the frame as on_display draws it, between the frame timer's calls and the swap
    init_scene(strcmp(argv[1], "32") == 0, "gfx.data");
    print_calls("# set-up\n", 0);
    for (long frame = 1; frame <= atol(argv[2]); frame++) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw_frame();
        glFlush();
        print_calls("# frame %ld\n", frame);
    }
    return 0;
}
